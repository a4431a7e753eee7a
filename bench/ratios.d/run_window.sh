# Sourced by bench/run: the run window with long runs. A six-hour recording's
# first paint against a minute's (the window's own cost), its heap, and the
# replay of a half-hour run at 4x: the share of a core and the ticks shown.
rw="$out/bench_run_window.json"
ratio "$rw" BM_RunWindowFirstPaintSixHours/manual_time BM_RunWindowFirstPaintOneMinute/manual_time \
  "run window first paint, six-hour run vs one-minute run"
python3 - "$rw" <<'PY'
import json, statistics, sys
try:
    data = json.load(open(sys.argv[1]))
except (OSError, ValueError):
    print("run window: no result")
    sys.exit()
runs = {}
for b in data.get("benchmarks", []):
    if b.get("run_type", "iteration") == "iteration" and not b.get("error_occurred"):
        runs.setdefault(b["run_name"], []).append(b)
def verdict(ok):
    return "met" if ok else "NOT MET"
six = runs.get("BM_RunWindowFirstPaintSixHours/manual_time", [])
if six:
    ms = statistics.median(b["real_time"] for b in six)
    cpu = statistics.median(b["cpu_time"] for b in six)
    heap = statistics.median(b["heap_mb"] for b in six)
    print(f"run window first paint, six-hour run: {ms:.0f} ms ({cpu:.0f} ms of CPU, n={len(six)})"
          f"  goal <= 200 ms: {verdict(ms <= 200)}")
    print(f"run window heap while open, six-hour run: {heap:.1f} MB  goal <= 50 MB: {verdict(heap <= 50)}")
replay = runs.get("BM_RunWindowReplayHalfHourAt4x/iterations:1/manual_time", [])
if replay:
    share = statistics.median(b["cpu_share"] for b in replay)
    shown = min(b["ticks_shown"] / max(1.0, b["ticks_passed"]) for b in replay)
    print(f"run window replay of a half-hour run at 4x: {100 * share:.1f} % of a core "
          f"(n={len(replay)})  goal <= 15 %: {verdict(share <= 0.15)}")
    print(f"run window replay at 4x, ticks shown of ticks passed: {shown:.2f} (lowest)"
          f"  goal every tick: {verdict(shown >= 0.97)}")
PY
