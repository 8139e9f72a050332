#!/usr/bin/env python3
"""Prints benchmark results beside their baselines: a benchmark labelled "vs NAME" is divided by NAME
("vs NAME, OTHER" gives one row per baseline). Benchmarks that report a peak memory ("max_rss_mb") are
listed again with it, each beside its baseline."""
import json
import re
import sys


def plain_name(name):
    """The name without what Google Benchmark appends for run options ("/real_time", "/iterations:3")."""
    return re.sub(r"/(real_time|process_time|iterations:\d+|min_time:[\d.]+|repeats:\d+)", "", name)


def main(files):
    times = {}
    memory = {}
    rows = []
    for name in files:
        with open(name) as f:
            for bench in json.load(f)["benchmarks"]:
                # Times in milliseconds, whatever unit the benchmark reported in.
                scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[bench.get("time_unit", "ns")]
                name = plain_name(bench["name"])
                times[name] = bench["real_time"] * scale
                if "max_rss_mb" in bench:
                    memory[name] = bench["max_rss_mb"]
                rows.append((name, bench.get("label", "")))

    print(f"{'benchmark':<34} {'ms':>10}   {'baseline':<28} {'ms':>10} {'ratio':>8}")
    for name, label in rows:
        if not label.startswith("vs "):
            continue
        for baseline in (part.strip() for part in label[3:].split(",")):
            base = times.get(baseline)
            ratio = f"{times[name] / base:7.1f}x" if base else "      ?"
            base_text = f"{base:10.3f}" if base else "         -"
            print(f"{name:<34} {times[name]:10.3f}   {baseline:<28} {base_text} {ratio}")

    if memory:
        print()
        print(f"{'peak memory (max RSS)':<34} {'MB':>10}   {'baseline':<28} {'MB':>10} {'ratio':>8}")
        for name, label in rows:
            if name not in memory:
                continue
            baseline = label[3:].split(",")[0].strip() if label.startswith("vs ") else ""
            base = memory.get(baseline)
            base_text = f"{base:10.1f}" if base else "         -"
            ratio = f"{memory[name] / base:7.2f}x" if base else "        "
            print(f"{name:<34} {memory[name]:10.1f}   {baseline or '-':<28} {base_text} {ratio}")


if __name__ == "__main__":
    main(sys.argv[1:])
