#!/usr/bin/env python3
"""What a user can expect: `zemconv page.html out.<format>` for every output
format, on the one-page and the 22-page bench page, as the median wall time
and peak memory of the whole process tree. Prints a Markdown table with the
date and the machine; with --readme FILE it also replaces the table between
the figures markers in FILE, so the README can be brought up to date after
any change with one command (make bench-readme).

Usage: user_figures.py <bin dir> [--runs N] [--formats pdf,png,...] [--readme README.md]
"""
import argparse
import datetime
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "lib"))
import measure  # noqa: E402

PAGES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "bench-pages"))
# Format, and how the output is described in the table.
FORMATS = [
    ("pdf", "PDF"), ("png", "PNG, one file a page"), ("jpg", "JPG, one file a page"), ("tif", "TIF"),
    ("bmp", "BMP"), ("gif", "GIF"), ("tga", "TGA"), ("pcx", "PCX"), ("emf", "EMF"), ("wmf", "WMF"),
    ("ps", "PS"), ("eps", "EPS"), ("txt", "TXT"), ("doc", "DOC"), ("rtf", "RTF"), ("xls", "XLS"),
    ("csv", "CSV"), ("pptx", "PPTX"),
]
BEGIN, END = "<!-- figures:begin (bench/user_figures.py) -->", "<!-- figures:end -->"


def first_line(command):
    try:
        return subprocess.run(command, capture_output=True, text=True, timeout=30).stdout.strip().splitlines()[0]
    except (OSError, IndexError, subprocess.TimeoutExpired):
        return "?"


def machine():
    model = "unknown processor"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = re.sub(r"\s+", " ", line.split(":", 1)[1].strip())
                break
    with open("/proc/meminfo") as f:
        memory_gb = int(f.readline().split()[1]) / 1024 / 1024
    system = "Linux"
    if os.path.exists("/etc/os-release"):
        with open("/etc/os-release") as f:
            names = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
            system = names.get("PRETTY_NAME", system).strip('"')
    load = os.getloadavg()[0]
    return (f"{os.cpu_count()} cores ({model}), {memory_gb:.0f} GB, {system}, {platform.release()}; "
            f"{first_line(['chromium-headless-shell', '--version'])}, "
            f"{' '.join(first_line(['soffice', '--version']).split()[:2]) if shutil.which('soffice') else 'no LibreOffice'}; "
            f"load {load:.1f} at the start")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--runs", type=int, default=int(os.environ.get("BENCH_RUNS", "3")))
    parser.add_argument("--formats", default=",".join(f for f, _ in FORMATS))
    parser.add_argument("--readme")
    args = parser.parse_args()
    conv = os.path.join(os.path.abspath(args.bin), "zemconv")
    wanted = args.formats.split(",")
    work = tempfile.mkdtemp(prefix="zembra-figures-")

    def clean():
        for name in os.listdir(work):
            path = os.path.join(work, name)
            shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)

    lines = [f"Measured {datetime.date.today().isoformat()} with bench/user_figures.py (make bench, make bench-readme): "
             f"`zemconv page.html out.<format>` without options, median of {args.runs} runs, whole process tree; "
             f"{machine()}.", "",
             "| output | 1 page: s | 1 page: MB | 22 pages: s | 22 pages: MB |", "|---|---|---|---|---|"]
    failed = []
    try:
        for kind, label in FORMATS:
            if kind not in wanted:
                continue
            cells = []
            for page in ("simple.html", "report.html"):
                result = measure.measure([conv, os.path.join(PAGES, page), os.path.join(work, "out." + kind)],
                                         args.runs, cwd=work, before=clean)
                if result["code"] != 0:
                    failed.append(f"{kind} {page}")
                cells += [f"{result['wall']:.2f}", f"{result['rss_mb']:.0f}"]
            lines.append(f"| {label} | " + " | ".join(cells) + " |")
            print(lines[-1], flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    lines += ["", "MB: the peak of the summed resident memory of every process of the run (Chromium's and "
              "LibreOffice's included), sampled every 10 ms."]
    table = "\n".join(lines)
    print()
    print(table)
    if failed:
        sys.exit("failed: " + ", ".join(failed))
    if args.readme:
        with open(args.readme) as f:
            text = f.read()
        if BEGIN not in text or END not in text:
            sys.exit(f"{args.readme} has no figures markers")
        head, rest = text.split(BEGIN, 1)
        tail = rest.split(END, 1)[1]
        with open(args.readme, "w") as f:
            f.write(head + BEGIN + "\n" + table + "\n" + END + tail)


if __name__ == "__main__":
    main()
