#!/usr/bin/env python3
"""One line per ratio of two benchmarks of one Google Benchmark JSON file.

Each benchmark ran N repetitions in random interleaved order; the k-th
repetitions of the two are paired, and the line gives the median of the N
paired ratios of CPU time with their spread (lowest and highest quartile,
min-max). With a goal the line ends in a verdict on the median.

usage: ratio.py JSON OURS REFERENCE LABEL [GOAL]
"""
import json
import statistics
import sys


def quartiles(values):
    values = sorted(values)
    if len(values) < 4:
        return values[0], values[-1]
    q = statistics.quantiles(values, n=4)
    return q[0], q[2]


def main():
    path, ours, ref, label = sys.argv[1:5]
    goal = float(sys.argv[5]) if len(sys.argv) > 5 else None
    try:
        data = json.load(open(path))
    except (OSError, ValueError):
        print(f"{label}: no result")
        return
    runs = {}
    for b in data.get("benchmarks", []):
        if b.get("run_type", "iteration") != "iteration" or b.get("error_occurred"):
            continue
        runs.setdefault(b["run_name"], []).append(b)
    if ours not in runs or ref not in runs:
        print(f"{label}: no result ({ours} or {ref} missing)")
        return
    a = sorted(runs[ours], key=lambda b: b.get("repetition_index", 0))
    r = sorted(runs[ref], key=lambda b: b.get("repetition_index", 0))
    ratios = [x["cpu_time"] / y["cpu_time"] for x, y in zip(a, r)]
    median = statistics.median(ratios)
    lo, hi = quartiles(ratios)
    unit = a[0]["time_unit"]
    line = (f"{label}: {median:.3f}  (quartiles {lo:.3f}-{hi:.3f}, range "
            f"{min(ratios):.3f}-{max(ratios):.3f}, n={len(ratios)}; "
            f"{statistics.median(x['cpu_time'] for x in a):.1f} / "
            f"{statistics.median(y['cpu_time'] for y in r):.1f} {unit})")
    if goal is not None:
        line += f"  goal <= {goal:g}: {'met' if median <= goal else 'NOT MET'}"
    print(line)


main()
