#!/usr/bin/env python3
"""Prints each benchmark's time in two Google Benchmark JSON files and their ratio:
    scripts/compare-bench.py host.json wine.json
Medians are used where the runs were repeated."""
import json
import sys

UNITS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def times(path):
    with open(path, encoding="utf-8") as f:
        runs = json.load(f)["benchmarks"]
    result, medians = {}, {}
    for run in runs:
        if run.get("error_occurred"):
            continue
        seconds = run["real_time"] * UNITS[run["time_unit"]]
        name = run.get("run_name", run["name"])
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = seconds
        else:
            result.setdefault(name, seconds)
    result.update(medians)
    return result


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    first, second = times(sys.argv[1]), times(sys.argv[2])
    names = [n for n in first if n in second]
    if not names:
        sys.exit("compare-bench: no benchmark is in both files")
    width = max(len(n) for n in names)
    print(f"{'benchmark':<{width}}  {'first':>10}  {'second':>10}  second/first")
    for name in names:
        a, b = first[name], second[name]
        print(f"{name:<{width}}  {a * 1e3:>8.3f}ms  {b * 1e3:>8.3f}ms  {b / a:10.2f}")


main()
