#!/usr/bin/env python3
"""What the renderer's memory watch costs: zemrender.lib with its default
memory limit (the watch polls /proc) against the same with --memory-limit 0
(no watch), in paired runs, interleaved so that load changes hit both alike.
Prints the median wall time and CPU (user + system of the whole process
tree) of each and the median of the paired differences.

Usage: memory_watch_cost.py [--runs N] [--build DIR] [--pages DIR] [page.html ...]
"""
import argparse
import os
import statistics
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from bench_render import SOURCE, become_subreaper, run_once  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--pages", default=os.path.join(SOURCE, "..", "shared", "bench-pages"))
    parser.add_argument("page", nargs="*", default=["simple.html", "report.html"])
    args = parser.parse_args()
    become_subreaper()
    zemrender = os.path.join(args.build, "bin", "zemrender.lib")
    variants = [("watched (default)", []), ("--memory-limit 0", ["--memory-limit", "0"])]
    work = tempfile.mkdtemp(prefix="bench-watch-")
    print(f"{args.runs} paired runs per page; medians")
    print(f"{'page':<14} {'variant':<18} {'wall s':>7} {'cpu s':>7}")
    for name in args.page:
        page = os.path.abspath(os.path.join(args.pages, name))
        wall = {v: [] for v, _ in variants}
        cpu = {v: [] for v, _ in variants}
        for run in range(args.runs):
            order = variants if run % 2 == 0 else list(reversed(variants))
            for variant, options in order:
                out = os.path.join(work, f"{run}.pdf")
                code, seconds, cpu_seconds, _ = run_once([zemrender] + options + [page, out], False)
                if code != 0:
                    sys.exit(f"{variant} failed on {name} (exit {code})")
                os.remove(out)
                wall[variant].append(seconds)
                cpu[variant].append(cpu_seconds)
        for variant, _ in variants:
            print(f"{name:<14} {variant:<18} {statistics.median(wall[variant]):>7.3f} "
                  f"{statistics.median(cpu[variant]):>7.3f}")
        a, b = (v for v, _ in variants)
        dwall = statistics.median(x - y for x, y in zip(wall[a], wall[b]))
        dcpu = statistics.median(x - y for x, y in zip(cpu[a], cpu[b]))
        print(f"{name:<14} {'paired difference':<18} {dwall * 1000:>6.1f}ms {dcpu * 1000:>5.1f}ms")
    os.rmdir(work)


if __name__ == "__main__":
    main()
