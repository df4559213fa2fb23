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


def run_once(cmd, cwd=None, env=None, before=None, sample=True):
    """Runs cmd once; returns (wall seconds, cpu seconds, peak KiB, exit code).
    The peak is the larger of the command's own, as the kernel counts it,
    and the sampled sum of the whole tree. Without sample, the tree is not
    sampled (the sampling takes processor time from a command that uses
    every core, and delays noticing its end): the peak is the command's own."""
    if before:
        before()
    _become_reaper()
    usage_before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    proc = subprocess.Popen(cmd, cwd=cwd, env=env, start_new_session=True,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # The kernel's peak of the command itself is exact; the sampled sum of
    # the tree sees its helpers too, but can miss a short peak.
    peak = 0
    while True:
        pid, status, usage = os.wait4(proc.pid, os.WNOHANG if sample else 0)
        if pid != 0:
            proc.returncode = os.waitstatus_to_exitcode(status)
            peak = max(peak, usage.ru_maxrss)
            break
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


def measure(cmd, runs=5, cwd=None, env=None, before=None, sample=True):
    """Median wall, CPU and peak memory over runs; the exit code of the last run."""
    walls, cpus, peaks = [], [], []
    code = 0
    for _ in range(runs):
        wall, cpu, peak, code = run_once(cmd, cwd=cwd, env=env, before=before, sample=sample)
        walls.append(wall)
        cpus.append(cpu)
        peaks.append(peak)
    return {"wall": statistics.median(walls), "cpu": statistics.median(cpus),
            "rss_mb": statistics.median(peaks) / 1024, "code": code, "walls": walls}


def paired(cmd, ref_cmd, runs=5, cwd=None, env=None, before=None, ref_before=None, sample=True):
    """Runs cmd and ref_cmd in turn, runs times each, so that a change in the
    machine's load hits both alike; each pair starts with the other command
    than the pair before. Returns (ours, reference): medians as measure()
    gives them, ours with "ratio", the median of the per-pair wall time
    ratios."""
    ours, ref = [], []
    for i in range(runs):
        mine = lambda: ours.append(run_once(cmd, cwd=cwd, env=env, before=before, sample=sample))
        theirs = lambda: ref.append(run_once(ref_cmd, cwd=cwd, env=env, before=ref_before, sample=sample))
        for step in ((mine, theirs) if i % 2 == 0 else (theirs, mine)):
            step()

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


def main(argv):
    """measure.py [--runs N] [--clean DIR] [--no-sample] COMMAND... [--versus REFERENCE...]

    Prints the medians of one command as "wall=S cpu=S peak_kb=K code=C";
    with --versus, paired runs of both, the reference's medians with "ref_"
    and "ratio=", the median of the pairs' wall time ratios. --clean empties
    DIR before every run; --no-sample takes the peak memory from the kernel
    (the command's own) instead of sampling the process tree."""
    runs, clean, sample = 5, None, True
    while argv and argv[0].startswith("--"):
        option = argv.pop(0)
        if option == "--runs":
            runs = int(argv.pop(0))
        elif option == "--clean":
            clean = argv.pop(0)
        elif option == "--no-sample":
            sample = False
        else:
            raise SystemExit(f"measure.py: unknown option {option}")
    command, reference = argv, None
    if "--versus" in argv:
        at = argv.index("--versus")
        command, reference = argv[:at], argv[at + 1:]

    def emptied():
        if clean:
            subprocess.run(["rm", "-rf", clean], check=True)
            os.makedirs(clean)

    def text(result, prefix=""):
        return (f"{prefix}wall={result['wall']:.3f} {prefix}cpu={result['cpu']:.3f} "
                f"{prefix}peak_kb={result['rss_mb'] * 1024:.0f} {prefix}code={result['code']}")

    if reference is None:
        print(text(measure(command, runs, before=emptied, sample=sample)))
    else:
        ours, ref = paired(command, reference, runs, before=emptied, ref_before=emptied, sample=sample)
        print(f"{text(ours)} {text(ref, 'ref_')} ratio={ours['ratio']:.3f}")


if __name__ == "__main__":
    import sys
    main(sys.argv[1:])
