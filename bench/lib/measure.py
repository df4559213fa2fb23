"""Measuring a command as a whole process tree: wall time, CPU time and peak
memory, each the median over several runs, and a table of Zembra against a
reference. Standard library only.

CPU time counts every process of the tree, including helpers that outlive
their parent (Chromium's): the measuring process becomes their reaper, so
their usage is accounted to it. Peak memory is the largest sum of resident
memory over all the measuring process's descendants, sampled every 10 ms.
"""
import ctypes
import os
import resource
import signal
import statistics
import subprocess
import time

PR_SET_CHILD_SUBREAPER = 36


def _become_reaper():
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def _tree_rss_kb(root):
    """Resident memory of every descendant of root (engines in process groups
    of their own, and orphans handed to us, included)."""
    parents, rss = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
            parents[int(entry)] = int(fields[1])
            rss[int(entry)] = int(fields[21]) * os.sysconf("SC_PAGE_SIZE") // 1024
        except (OSError, IndexError, ValueError):
            continue
    total = 0
    for pid in parents:
        ancestor = parents.get(pid)
        while ancestor is not None and ancestor != root and ancestor > 1:
            ancestor = parents.get(ancestor)
        if ancestor == root:
            total += rss.get(pid, 0)
    return total


def run_once(cmd, cwd=None, env=None, before=None):
    """Runs cmd once; returns (wall seconds, cpu seconds, peak KiB, exit code)."""
    if before:
        before()
    _become_reaper()
    usage_before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak = 0
    while proc.poll() is None:
        peak = max(peak, _tree_rss_kb(os.getpid()))
        time.sleep(0.01)
    wall = time.monotonic() - start
    # Helpers left in the group were handed to us: wait for them, so that
    # their CPU time counts too.
    deadline = time.monotonic() + 5
    while time.monotonic() < deadline:
        try:
            while os.waitpid(-1, os.WNOHANG)[0] > 0:
                pass
        except ChildProcessError:
            break
        try:
            os.killpg(proc.pid, 0)
        except ProcessLookupError:
            break
        time.sleep(0.005)
    usage_after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (usage_after.ru_utime - usage_before.ru_utime) + (usage_after.ru_stime - usage_before.ru_stime)
    return wall, cpu, peak, proc.returncode


def measure(cmd, runs=5, cwd=None, env=None, before=None):
    """Median wall, CPU and peak memory over runs; the exit code of the last run."""
    walls, cpus, peaks = [], [], []
    code = 0
    for _ in range(runs):
        wall, cpu, peak, code = run_once(cmd, cwd=cwd, env=env, before=before)
        walls.append(wall)
        cpus.append(cpu)
        peaks.append(peak)
    return {"wall": statistics.median(walls), "cpu": statistics.median(cpus),
            "rss_mb": statistics.median(peaks) / 1024, "code": code, "walls": walls}


def paired(cmd, ref_cmd, runs=5, cwd=None, env=None, before=None, ref_before=None):
    """Runs cmd and ref_cmd in turn, runs times each, so that a change in the
    machine's load hits both alike. Returns (ours, reference): medians as
    measure() gives them, ours with "ratio", the median of the per-pair
    wall time ratios."""
    ours, ref = [], []
    for _ in range(runs):
        ours.append(run_once(cmd, cwd=cwd, env=env, before=before))
        ref.append(run_once(ref_cmd, cwd=cwd, env=env, before=ref_before))

    def summary(results):
        return {"wall": statistics.median(r[0] for r in results), "cpu": statistics.median(r[1] for r in results),
                "rss_mb": statistics.median(r[2] for r in results) / 1024, "code": results[-1][3],
                "walls": [r[0] for r in results]}

    mine = summary(ours)
    mine["ratio"] = statistics.median(a[0] / b[0] for a, b in zip(ours, ref) if b[0] > 0)
    return mine, summary(ref)


def print_table(rows):
    """rows: (task, zembra result, reference name, reference result)."""
    header = f"{'task':<34} {'wall s':>7} {'cpu s':>7} {'MB':>7} | {'reference':<26} {'wall s':>7} {'cpu s':>7} {'MB':>7} | {'wall x':>6} {'MB x':>5}"
    print(header)
    print("-" * len(header))
    for task, ours, ref_name, ref in rows:
        wall_ratio = ours.get("ratio") or (ours["wall"] / ref["wall"] if ref and ref["wall"] > 0 else float("nan"))
        rss_ratio = ours["rss_mb"] / ref["rss_mb"] if ref and ref["rss_mb"] > 0 else float("nan")
        ref_text = (f"{ref_name:<26} {ref['wall']:7.2f} {ref['cpu']:7.2f} {ref['rss_mb']:7.0f}" if ref
                    else f"{'-':<26} {'':>7} {'':>7} {'':>7}")
        print(f"{task:<34} {ours['wall']:7.2f} {ours['cpu']:7.2f} {ours['rss_mb']:7.0f} | {ref_text} | "
              f"{wall_ratio:6.2f} {rss_ratio:5.2f}")
