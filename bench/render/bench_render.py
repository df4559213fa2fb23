#!/usr/bin/env python3
"""Times zemrender.lib against a bare headless Chromium printing the same pages.

For every page and tool: median wall time and CPU (user + system of the whole
process tree: this script is a child subreaper, so Chromium's helpers that
outlive its main process are reaped and counted here) over several runs, and
peak memory (largest sum of proportional set sizes of the tree, sampled) over
separate runs, so that sampling does not disturb the timings.

Usage: bench_render.py [--runs N] [--build DIR] [--pages DIR] [--page NAME ...]
                       [--reference-build DIR] [-- extra zemrender options]
Default zemrender options: none, as a user runs it. With --reference-build the
zemrender.lib of another build (the branch point, say) runs in turn with this
one, and "paired x" is the median of the per-run ratios of their wall times:
what a change costs, with the machine's load hitting both alike.
"""
import argparse
import ctypes
import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

PR_SET_CHILD_SUBREAPER = 36
HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))


def become_subreaper():
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        sys.exit("cannot become a child subreaper")


def reap_all():
    """Waits for every remaining descendant; returns their CPU seconds."""
    while True:
        try:
            os.waitpid(-1, 0)
        except ChildProcessError:
            return


def tree_pss_kb(session):
    total = 0
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            if int(fields[3]) != session:  # field 6 of stat: session id
                continue
            with open(f"/proc/{name}/smaps_rollup") as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except (OSError, IndexError, ValueError):
            continue
    return total


def run_once(argv, sample_memory):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    process = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    peak = 0
    if sample_memory:
        while process.poll() is None:
            peak = max(peak, tree_pss_kb(process.pid))
            time.sleep(0.01)
    process.wait()
    wall = time.monotonic() - start
    reap_all()  # helpers that outlived the main process
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return process.returncode, wall, cpu, peak


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--memory-runs", type=int, default=2)
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--pages", default=os.path.join(SOURCE, "..", "shared", "bench-pages"))
    parser.add_argument("--page", action="append", help="a page of --pages (repeatable; default: all three)")
    parser.add_argument("--reference-build", help="a build whose zemrender.lib runs paired with this one")
    parser.add_argument("options", nargs="*", default=[])
    args = parser.parse_args()
    become_subreaper()
    zemrender = os.path.join(args.build, "bin", "zemrender.lib")
    sandbox = ["--no-sandbox"] if os.geteuid() == 0 else []
    work = tempfile.mkdtemp(prefix="bench-render-")
    tools = [("zemrender.lib", lambda page, out: [zemrender] + args.options + [page, out])]
    if args.reference_build:
        reference = os.path.join(args.reference_build, "bin", "zemrender.lib")
        tools.append(("reference", lambda page, out: [reference] + args.options + [page, out]))
    if shutil.which("chromium-headless-shell"):
        tools.append(("headless-shell", lambda page, out: ["chromium-headless-shell"] + sandbox +
                      ["--print-to-pdf=" + out, page]))
    if shutil.which("chromium"):
        tools.append(("chromium --headless", lambda page, out: ["chromium", "--headless"] + sandbox +
                      ["--print-to-pdf=" + out, page]))
    print(f"zemrender.lib options: {' '.join(args.options)}; {args.runs} timed runs, "
          f"{args.memory_runs} memory runs per tool and page")
    print(f"{'page':<12} {'tool':<20} {'wall s':>7} {'cpu s':>7} {'peak MB':>8} {'wall x':>7} {'cpu x':>6} {'mem x':>6}")
    try:
        for page_name in args.page or ("simple.html", "report.html", "script.html"):
            page = os.path.abspath(os.path.join(args.pages, page_name))
            results = {}
            for name, _ in tools:
                results[name] = {"wall": [], "cpu": [], "peak": []}
            counter = 0
            for memory in [False] * args.runs + [True] * args.memory_runs:
                for name, command in tools:  # interleaved, so load changes hit every tool alike
                    counter += 1
                    out = os.path.join(work, f"{counter}.pdf")
                    code, wall, cpu, peak = run_once(command(page, out), memory)
                    if code != 0 or not os.path.exists(out):
                        print(f"  {name} failed on {page_name} (exit {code})")
                    if memory:
                        results[name]["peak"].append(peak)
                    else:
                        results[name]["wall"].append(wall)
                        results[name]["cpu"].append(cpu)
                    if os.path.exists(out):
                        os.remove(out)
            base = results.get("headless-shell")
            for name, _ in tools:
                r = results[name]
                wall = statistics.median(r["wall"])
                cpu = statistics.median(r["cpu"])
                peak = max(r["peak"]) / 1024 if r["peak"] else 0
                ratios = ""
                if base:
                    ratios = (f"{wall / statistics.median(base['wall']):>7.2f} "
                              f"{cpu / statistics.median(base['cpu']):>6.2f} "
                              f"{peak / (max(base['peak']) / 1024):>6.2f}" if base["peak"] else "")
                print(f"{page_name:<12} {name:<20} {wall:>7.3f} {cpu:>7.3f} {peak:>8.1f} {ratios}")
            if args.reference_build:
                pairs = zip(results["zemrender.lib"]["wall"], results["reference"]["wall"])
                paired = statistics.median(ours / ref for ours, ref in pairs if ref > 0)
                print(f"{page_name:<12} {'paired x':<20} {paired:>7.3f} (zemrender.lib / reference, per run)")
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
