#!/usr/bin/env bash
# Speed and memory of zemexport.lib against poppler's pdftoppm:
#   - PDF->PNG and PDF->JPG at 150 DPI of the 22-page report (median of RUNS
#     runs, wall time and peak memory from /usr/bin/time),
#   - peak memory for a 1-page against a 200-page PDF.
# Usage: bench/export/compare.sh [build directory] (default: build)
# Environment: RUNS (default 5), KEEP=1 keeps the scratch directory.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="${1:-$root/build}"
converter="$build/bin/zemexport.lib"
pages_dir="${ZEMBRA_BENCH_PAGES:-$root/../shared/bench-pages}"
runs="${RUNS:-5}"

for tool in "$converter" pdftoppm qpdf /usr/bin/time chromium-headless-shell; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d /tmp/zembra-export-bench-XXXXXX)"
[[ "${KEEP:-0}" == 1 ]] || trap 'rm -rf "$work"' EXIT

report="$work/report.pdf"
chromium-headless-shell --headless --no-sandbox --disable-gpu --no-pdf-header-footer \
  --print-to-pdf="$report" "file://$pages_dir/report.html" >/dev/null 2>&1
pages="$(qpdf --show-npages "$report")"
echo "report: $pages pages, $(stat -c %s "$report") bytes; $runs runs each; $(nproc) cores"

# measure NAME COMMAND...: runs the command $runs times in a fresh output
# directory and prints the medians of wall time, CPU time (user + system;
# what other work on the machine does not change) and peak memory.
measure() {
  local name="$1"; shift
  local times=() cpus=() mems=()
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out"; mkdir "$work/out"
    local line
    /usr/bin/time -o "$work/time.txt" -f '%e %U %S %M' "$@" >/dev/null 2>&1 || { echo "$name failed" >&2; exit 1; }
    read -r wall user system mem < <(tail -1 "$work/time.txt")
    times+=("$wall"); mems+=("$mem"); cpus+=("$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')")
  done
  local t c m
  t="$(printf '%s\n' "${times[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")"
  c="$(printf '%s\n' "${cpus[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")"
  m="$(printf '%s\n' "${mems[@]}" | sort -g | sed -n "$(( (runs + 1) / 2 ))p")"
  printf '%-16s wall %7.2f s  cpu %7.2f s  peak %8d KB  output %7d KB\n' "$name" "$t" "$c" "$m" \
    "$(du -sk "$work/out" | cut -f1)"
  eval "result_${name}_time=$t; result_${name}_cpu=$c; result_${name}_mem=$m"
}

echo "--- 150 DPI, ${pages} pages; load average now: $(cut -d' ' -f1 /proc/loadavg)"
measure pdftoppm_png pdftoppm -r 150 -png "$report" "$work/out/p"
measure zemexport_png "$converter" -call "$report" "$work/out/p.png"
measure pdftoppm_jpg pdftoppm -r 150 -jpeg "$report" "$work/out/p"
measure zemexport_jpg "$converter" -call "$report" "$work/out/p.jpg"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "PNG: zemexport/pdftoppm wall = $(ratio "$result_zemexport_png_time" "$result_pdftoppm_png_time") (target <= 0.5)"
echo "JPG: zemexport/pdftoppm wall = $(ratio "$result_zemexport_jpg_time" "$result_pdftoppm_jpg_time") (target <= 1.2)"
echo "CPU: PNG $(ratio "$result_zemexport_png_cpu" "$result_pdftoppm_png_cpu"), JPG $(ratio "$result_zemexport_jpg_cpu" "$result_pdftoppm_jpg_cpu")"

echo "--- peak memory, 1 page against 200 pages (PNG and JPG, 150 DPI; 2 pages for reference)"
qpdf --empty --pages "$report" 1 -- "$work/one.pdf"
qpdf --empty --pages "$report" 1-2 -- "$work/two.pdf"
copies=()
for ((i = 0; i < 200 / pages + 1; i++)); do copies+=("$report" 1-z); done
qpdf --empty --pages "${copies[@]}" -- "$work/many.pdf"
qpdf --empty --pages "$work/many.pdf" 1-200 -- "$work/two-hundred.pdf"
measure one_page_png "$converter" -call "$work/one.pdf" "$work/out/p.png"
measure two_pages_png "$converter" -call "$work/two.pdf" "$work/out/p.png"
measure pages_200_png "$converter" -call "$work/two-hundred.pdf" "$work/out/p.png"
measure one_page_jpg "$converter" -call "$work/one.pdf" "$work/out/p.jpg"
measure two_pages_jpg "$converter" -call "$work/two.pdf" "$work/out/p.jpg"
measure pages_200_jpg "$converter" -call "$work/two-hundred.pdf" "$work/out/p.jpg"
echo "PNG memory 200/1 = $(ratio "$result_pages_200_png_mem" "$result_one_page_png_mem") (target <= 1.2), 200/2 = $(ratio "$result_pages_200_png_mem" "$result_two_pages_png_mem")"
echo "JPG memory 200/1 = $(ratio "$result_pages_200_jpg_mem" "$result_one_page_jpg_mem") (target <= 1.2), 200/2 = $(ratio "$result_pages_200_jpg_mem" "$result_two_pages_jpg_mem")"
