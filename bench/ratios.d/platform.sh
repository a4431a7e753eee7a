# Sourced by bench/run. The present path and the frame loop need an X server:
# each is run under its own Xvfb.
if command -v xvfb-run >/dev/null 2>&1 && [ -x "$dir/xvfb_bench_present" ]; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$dir/xvfb_bench_present" \
    --benchmark_format=json --benchmark_min_time=0.5 >"$out/xvfb_bench_present.json" 2>/dev/null
  ratio "$out/xvfb_bench_present.json" BM_PresentOpenGL BM_ReferenceMemcpy \
    "present 640x480x16 (OpenGL upload and draw) vs memcpy"
  ratio "$out/xvfb_bench_present.json" BM_PresentRaster BM_ReferenceMemcpy \
    "present 640x480x16 (raster, our own scaling) vs memcpy"
fi

demo=build/release/tools/displaydemo/displaydemo
if command -v xvfb-run >/dev/null 2>&1 && [ -x "$demo" ]; then
  # The real loop for 300 frames, three launches; the median launch is quoted.
  for run in 1 2 3; do
    QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1024x768x24" "$demo" --frames 300 2>/dev/null |
      tail -n 1
  done >"$out/displaydemo.jsonl"
  python3 - "$out/displaydemo.jsonl" <<'PY'
import json, statistics, sys
runs = [json.loads(line) for line in open(sys.argv[1]) if line.startswith("{")]
if runs:
    fps = statistics.median(r["fps"] for r in runs)
    print(f"frame loop paced fps vs 60 Hz refresh: {fps / 60:.3f}  ({fps:.1f} fps, {runs[0]['presenter']})")
    print(f"frame loop CPU of the process: {statistics.median(r['cpu_percent'] for r in runs):.1f} %")
    print(f"launch to first presented frame: {statistics.median(r['first_frame_ms'] for r in runs):.0f} ms (goal 200 ms)")
PY
fi
