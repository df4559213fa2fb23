#!/usr/bin/env python3
"""One table for every benchmark task: Zembra against the reference it is
held to (bare Chromium printing, poppler's pdftoppm, LibreOffice's own
conversion, the qpdf tool). See bench/README.md for how to read it.

Usage: run_all.py <bin dir> [--runs N] [--only render,export,toolbox,zemconv]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "lib"))
import measure  # noqa: E402

PAGES = os.path.normpath(os.path.join(HERE, "..", "..", "shared", "bench-pages"))


def chromium_flags(profile):
    flags = ["--headless", "--disable-gpu", "--no-first-run", "--disable-background-networking",
             "--disable-component-update", "--disable-sync", "--user-data-dir=" + profile]
    if os.geteuid() == 0:
        flags.append("--no-sandbox")
    return flags


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("bin")
    parser.add_argument("--runs", type=int, default=int(os.environ.get("BENCH_RUNS", "3")))
    parser.add_argument("--only", default="render,export,toolbox,zemconv",
                        help="comma-separated tasks: render, export, toolbox, zemconv")
    args = parser.parse_args()
    tasks = set(args.only.split(","))
    bin_dir = os.path.abspath(args.bin)
    work = tempfile.mkdtemp(prefix="zembra-bench-")
    rows = []

    def out(name):
        return os.path.join(work, name)

    def clean(*patterns):
        def remove():
            for name in os.listdir(work):
                if any(name.startswith(p) for p in patterns):
                    path = out(name)
                    shutil.rmtree(path) if os.path.isdir(path) else os.remove(path)
        return remove

    shell = shutil.which("chromium-headless-shell")
    render = os.path.join(bin_dir, "zemrender.lib")
    # With the options a user gives: none. Paired runs, so the ratio is the
    # median of each pair's ratio on a machine whose load changes.
    if "render" in tasks:
        for source in (os.path.join(PAGES, "simple.html"), os.path.join(HERE, "render", "pages", "few-lines.html"),
                       os.path.join(PAGES, "report.html"), os.path.join(PAGES, "script.html")):
            command = [render, source, out("r.pdf")]
            if shell:
                reference = [shell] + chromium_flags(out("profile")) + ["--print-to-pdf=" + out("c.pdf"), source]
                ours, ref = measure.paired(command, reference, max(args.runs, 5), before=clean("r.pdf", ".r"),
                                           ref_before=clean("c.pdf", "profile"))
            else:
                ours, ref = measure.measure(command, args.runs, before=clean("r.pdf", ".r")), None
            rows.append((f"render {os.path.basename(source)}", ours, "chromium-headless-shell", ref))

    # A PDF of the 22-page report for the tools that read PDFs.
    report_pdf = out("report.pdf")
    subprocess.run([render, os.path.join(PAGES, "report.html"), report_pdf], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    export = os.path.join(bin_dir, "zemexport.lib")
    if "export" in tasks:
        # Paired runs, without sampling the tree's memory: the sampler would
        # take processor time from the converter, which uses every core.
        for kind, flag in (("png", "-png"), ("jpg", "-jpeg")):
            ours, ref = measure.paired([export, "-call", report_pdf, out("p." + kind)],
                                       ["pdftoppm", flag, "-r", "150", report_pdf, out("q")], max(args.runs, 5),
                                       before=clean("p0", "p.", ".p"), ref_before=clean("q"), sample=False)
            rows.append((f"export 22 pages to {kind} 150 dpi", ours, "pdftoppm", ref))
        # Memory flat in the page count: 200 pages of the report against its first page.
        one_pdf, many_pdf = out("one.pdf"), out("two-hundred.pdf")
        subprocess.run(["qpdf", "--empty", "--pages", report_pdf, "1", "--", one_pdf], check=True)
        subprocess.run(["qpdf", "--empty", "--pages"] + [report_pdf, "1-z"] * 10 + ["--", out("many.pdf")], check=True)
        subprocess.run(["qpdf", "--empty", "--pages", out("many.pdf"), "1-200", "--", many_pdf], check=True)
        for kind in ("jpg", "png", "tif", "tga", "pcx", "bmp", "gif"):
            runs = [measure.measure([export, "-call", pdf, out("m." + kind)], args.runs, before=clean("m0", "m.", ".m"))
                    for pdf in (many_pdf, one_pdf)]
            rows.append((f"export 200 pages to {kind}: memory", runs[0], "the same, 1 page", runs[1]))
        # Office formats of the one-page file, against LibreOffice converting the
        # same PDF itself (its PDF import into Writer, or Draw for metafiles).
        simple_pdf = out("simple.pdf")
        subprocess.run([render, os.path.join(PAGES, "simple.html"), simple_pdf], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        office = ["soffice", "--headless", "--norestore", "-env:UserInstallation=file://" + out("lo-profile")]
        for kind, reference in (("doc", ["--infilter=writer_pdf_import", "--convert-to", "doc"]),
                                ("emf", ["--convert-to", "emf"]), ("wmf", ["--convert-to", "wmf"])):
            ours = measure.measure([export, "-call", simple_pdf, out("d." + kind)], args.runs, before=clean("d.", ".d"))
            ref = None
            if shutil.which("soffice"):
                ref = measure.measure(office + reference + ["--outdir", out("lo"), simple_pdf], args.runs,
                                      before=clean("lo"))
            rows.append((f"export 1 page to {kind}", ours, "soffice --convert-to", ref))

    if "toolbox" in tasks:
        kit = os.path.join(bin_dir, "zemkit.lib")
        ours = measure.measure([kit, report_pdf, "-outfile", out("k.pdf"), "-ownerpassword", "o", "-userpassword", "u"],
                               args.runs, before=clean("k.pdf", ".k"))
        ref = measure.measure(["qpdf", "--encrypt", "u", "o", "256", "--", report_pdf, out("e.pdf")], args.runs,
                              before=clean("e.pdf"))
        rows.append(("toolbox encrypt 22 pages", ours, "qpdf --encrypt", ref))

    if "zemconv" in tasks:
        conv = os.path.join(bin_dir, "zemconv")
        for page in ("simple.html", "report.html"):
            command = [conv, os.path.join(PAGES, page), out("z.pdf")]
            if shell:
                reference = [shell] + chromium_flags(out("profile")) + ["--print-to-pdf=" + out("c.pdf"),
                                                                        os.path.join(PAGES, page)]
                ours, ref = measure.paired(command, reference, max(args.runs, 5), before=clean("z.pdf", "ztemp"),
                                           ref_before=clean("c.pdf", "profile"))
            else:
                ours, ref = measure.measure(command, args.runs, before=clean("z.pdf", "ztemp")), None
            rows.append((f"zemconv {page} to pdf", ours, "chromium-headless-shell", ref))

    measure.print_table(rows)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
