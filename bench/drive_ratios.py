#!/usr/bin/env python3
"""Ratios of a driving frame's work between builds of bench/drive/drive_timing.

Each round runs every build once, in a random order; a round's ratio divides
two of its runs, and each line gives the median of the rounds' ratios with
their range. The builds: native with x87 long double, native with the
portable extended type, and WebAssembly under Node.js; "portable drawing"
runs switch the processor-specific fills and copies off, so that native and
WebAssembly draw through the same code.

usage: drive_ratios.py NATIVE_X87 NATIVE_SOFT WASM_JS [ROUNDS]
"""
import random
import statistics
import subprocess
import sys


def processor():
    """The model name with its family and model: a virtual machine's name
    alone often leaves out the generation."""
    fields = {}
    try:
        for line in open("/proc/cpuinfo"):
            key, _, value = line.partition(":")
            fields.setdefault(key.strip(), value.strip())
    except OSError:
        return "unknown processor"
    name = fields.get("model name", "unknown processor")
    return f"{name} (family {fields.get('cpu family', '?')}, model {fields.get('model', '?')})"


def run(command):
    out = subprocess.run(command, check=True, capture_output=True, text=True).stdout
    figures = {}
    for line in out.splitlines():
        key, _, value = line.partition(" ")
        figures[key] = value
    return figures


def main():
    x87, soft, wasm = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 7
    node = ["node", "--no-experimental-fetch"]
    inner_rounds = ["--rounds", "9"]
    builds = {
        "x87": [x87] + inner_rounds,
        "soft": [soft] + inner_rounds,
        "soft-portable": [soft, "--portable-drawing"] + inner_rounds,
        "wasm": node + [wasm] + inner_rounds,
        "wasm-portable": node + [wasm, "--portable-drawing"] + inner_rounds,
    }
    results = {name: [] for name in builds}
    order = list(builds)
    for _ in range(rounds):
        random.shuffle(order)
        for name in order:
            results[name].append(run(builds[name]))
    for name, expected in [("x87", "x87"), ("soft", "soft"), ("wasm", "soft")]:
        built = results[name][0].get("arithmetic")
        if built != expected:
            print(f"drive timing: the {name} build computes with {built}, not {expected}")
            sys.exit(1)

    def line(label, ours, ref, key, goal=None):
        ratios = [float(a[key]) / float(b[key]) for a, b in zip(results[ours], results[ref])]
        median = statistics.median(ratios)
        a = statistics.median(float(r[key]) for r in results[ours])
        b = statistics.median(float(r[key]) for r in results[ref])
        text = (f"{label}: {median:.3f}  (range {min(ratios):.3f}-{max(ratios):.3f}, "
                f"n={len(ratios)}; {a:.0f} / {b:.0f} ns)")
        if goal is not None:
            text += f"  goal <= {goal:g}: {'met' if median <= goal else 'NOT MET'}"
        print(text)

    version = subprocess.run(node[:1] + ["--version"], capture_output=True, text=True).stdout
    print(f"drive timing on {processor()}, Node.js {version.strip()}")
    line("driving frame, WebAssembly vs native, portable drawing in both",
         "wasm-portable", "soft-portable", "frame_ns", 2)
    line("driving frame, WebAssembly vs native portable drawing (WebAssembly as shipped)",
         "wasm", "soft-portable", "frame_ns")
    line("driving frame, WebAssembly vs native with its SSE2/AVX2 paths", "wasm", "soft",
         "frame_ns")
    line("car step, portable extended type vs x87 long double (native)", "soft", "x87",
         "car_step_ns")
    line("car step, WebAssembly vs native portable extended type", "wasm", "soft",
         "car_step_ns")


main()
