#!/usr/bin/env python3
"""Where zemrender.lib's time goes: runs it with --timings on each page and
prints the median wall clock and CPU time (ours and Chromium's process
group) of every phase, and the readiness decision.

Usage: phases.py [--runs N] [--build DIR] [page.html ...] [-- zemrender options]
Default pages: the shared bench pages simple.html and report.html, and
pages/few-lines.html.
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
SHARED = os.path.join(SOURCE, "..", "shared", "bench-pages")
PHASE = re.compile(r"(?:timings:|,) ([a-z][a-z ]*?) (\d+) ms \(cpu (\d+) ms(?:; ([^)]*(?:\([^)]*\))?[^)]*))?\)")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"))
    parser.add_argument("pages", nargs="*")
    argv = sys.argv[1:]
    options = argv[argv.index("--") + 1:] if "--" in argv else []
    args = parser.parse_args(argv[:argv.index("--")] if "--" in argv else argv)
    pages = args.pages or [os.path.join(SHARED, "simple.html"), os.path.join(HERE, "pages", "few-lines.html"),
                           os.path.join(SHARED, "report.html")]
    zemrender = os.path.join(args.build, "bin", "zemrender.lib")
    work = tempfile.mkdtemp(prefix="bench-phases-")
    for page in pages:
        phases, reasons = {}, set()
        for run in range(args.runs):
            out = os.path.join(work, f"{run}.pdf")
            done = subprocess.run([zemrender, "--timings"] + options + [page, out], capture_output=True, text=True)
            if os.path.exists(out):
                os.remove(out)
            line = next((l for l in done.stderr.splitlines() if "timings:" in l), "")
            if done.returncode != 0 or not line:
                sys.exit(f"zemrender.lib failed on {page}: {done.stderr.strip()}")
            for name, wall, cpu, note in PHASE.findall(line):
                phases.setdefault(name, []).append((int(wall), int(cpu)))
                if name == "ready" and note:
                    reasons.add(re.sub(r"\d+ ms after load", "N ms after load", note))
        print(f"{os.path.basename(page)}: {args.runs} runs; ready: {'; '.join(sorted(reasons))}")
        print(f"  {'phase':<15} {'wall ms':>8} {'cpu ms':>7}")
        for name, values in phases.items():
            print(f"  {name:<15} {statistics.median(v[0] for v in values):>8.0f} "
                  f"{statistics.median(v[1] for v in values):>7.0f}")
    os.rmdir(work)


if __name__ == "__main__":
    main()
