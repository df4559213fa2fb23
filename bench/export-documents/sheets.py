#!/usr/bin/env python3
"""XLS and CSV as a user makes them, `zemconv page.html out.xls|csv`, in paired
runs against their references on the shared bench pages:

- XLS against LibreOffice's own conversion of the same HTML into a workbook
  (`soffice --headless --infilter="HTML (StarCalc)" --convert-to xls`: plain
  `--convert-to xls` opens HTML in Writer, which has no XLS filter). Its
  profile is made once beforehand, as a user's is; ours makes a fresh one
  each run. Target: at most 1.5 times.
- CSV against the same page to PDF (`zemconv page.html out.pdf`): what the
  CSV adds to the render. Target: at most 1.2 times.

Usage: sheets.py [--build DIR] [--runs N] [--pages DIR]
"""
import argparse
import glob
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "lib"))
import measure  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"))
    parser.add_argument("--runs", type=int, default=int(os.environ.get("BENCH_RUNS", "5")))
    parser.add_argument("--pages", default=os.environ.get("ZEMBRA_BENCH_PAGES",
                                                          os.path.join(SOURCE, "..", "shared", "bench-pages")))
    args = parser.parse_args()
    conv = os.path.join(args.build, "bin", "zemconv")
    if not os.access(conv, os.X_OK):
        sys.exit(f"no {conv}: build zemconv, zemrender.lib and zemexport.lib first")
    work = tempfile.mkdtemp(prefix="zembra-bench-sheets-")
    profile = os.path.join(work, "office-profile")

    def office(page, outdir):
        return ["soffice", f"-env:UserInstallation=file://{profile}", "--headless", "--norestore",
                "--infilter=HTML (StarCalc)", "--convert-to", "xls:MS Excel 97", "--outdir", outdir, page]

    def clean(*names):
        def remove():
            for name in names:
                for path in glob.glob(os.path.join(work, name)):
                    shutil.rmtree(path, ignore_errors=True) if os.path.isdir(path) else os.remove(path)
        return remove

    rows = []
    for name in ("simple.html", "report.html"):
        page = os.path.join(args.pages, name)
        # LibreOffice's first run makes its profile: not counted.
        measure.run_once(office(page, os.path.join(work, "lo")))
        ours, ref = measure.paired([conv, page, os.path.join(work, "z.xls")], office(page, os.path.join(work, "lo")),
                                   args.runs, before=clean("z.xls", "ztemp*"), ref_before=clean("lo"))
        rows.append((f"zemconv {name} to xls", ours, "soffice HTML to xls", ref))
        ours, ref = measure.paired([conv, page, os.path.join(work, "z.csv")], [conv, page, os.path.join(work, "p.pdf")],
                                   args.runs, before=clean("z.csv", "ztemp*"), ref_before=clean("p.pdf", "ptemp*"))
        rows.append((f"zemconv {name} to csv", ours, "zemconv to pdf", ref))
    measure.print_table(rows)
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
