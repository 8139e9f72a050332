#!/usr/bin/env python3
"""Prints benchmark results beside their baselines: a benchmark labelled "vs NAME" is divided by NAME."""
import json
import sys

def main(files):
    times = {}
    rows = []
    for name in files:
        with open(name) as f:
            for bench in json.load(f)["benchmarks"]:
                # Times in milliseconds, whatever unit the benchmark reported in.
                scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[bench.get("time_unit", "ns")]
                times[bench["name"]] = bench["real_time"] * scale
                rows.append((bench["name"], bench.get("label", "")))
    print(f"{'benchmark':<34} {'ms':>10}   {'baseline':<28} {'ms':>10} {'ratio':>8}")
    for name, label in rows:
        if not label.startswith("vs "):
            continue
        baseline = label[3:]
        base = times.get(baseline)
        ratio = f"{times[name] / base:7.1f}x" if base else "      ?"
        base_text = f"{base:10.3f}" if base else "         -"
        print(f"{name:<34} {times[name]:10.3f}   {baseline:<28} {base_text} {ratio}")

if __name__ == "__main__":
    main(sys.argv[1:])
