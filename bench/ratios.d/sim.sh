# The whole frame against one 640 x 480 x 2 copy; goal: at most 15 copies.
ratio "$out/bench_frame.json" BM_Frame BM_ReferenceCopyOfOneFrame "frame into the back buffer vs one buffer copy"
ratio "$out/bench_frame.json" BM_FrameDriving BM_ReferenceCopyOfOneFrame "frame with new read-outs vs one buffer copy"
python3 - "$out/bench_frame.json" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
t = {b["name"]: b["real_time"] for b in data["benchmarks"]}
unit = {b["name"]: b["time_unit"] for b in data["benchmarks"]}["BM_Frame"]
scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3}[unit]
print(f"  frames per second this implies: {1 / (t['BM_Frame'] * scale):.0f}")
PY
