#!/usr/bin/env bash
# Speed and memory of zemexport.lib:
#   - PDF->PNG and PDF->JPG at 150 DPI of the 22-page report (printed by the
#     built zemrender.lib) against poppler's pdftoppm, in paired runs: each
#     pair runs both, in turn, so that a change of the machine's load hits
#     both; the ratio is the median of the pairs' ratios (targets: JPG <= 0.6,
#     PNG <= 0.15),
#   - peak memory of the process tree for 1 page against 200 pages, for every
#     raster format (target <= 1.2) and, for the record, every document format.
# Usage: bench/export/compare.sh [build directory] (default: build)
# Environment: RUNS (pairs, default 7), MEMORY_RUNS (default 3), DOCUMENTS=0
# leaves the document formats out, KEEP=1 keeps the scratch directory.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
converter="$build/bin/zemexport.lib"
renderer="$build/bin/zemrender.lib"
pages_dir="${ZEMBRA_BENCH_PAGES:-$root/../shared/bench-pages}"
runs="${RUNS:-7}"
memory_runs="${MEMORY_RUNS:-3}"
measure=(python3 "$root/bench/lib/measure.py")

for tool in "$converter" "$renderer" pdftoppm qpdf python3; do
  command -v "$tool" >/dev/null 2>&1 || { echo "missing: $tool" >&2; exit 1; }
done

work="$(mktemp -d /tmp/zembra-export-bench-XXXXXX)"
[[ "${KEEP:-0}" == 1 ]] || trap 'rm -rf "$work"' EXIT

report="$work/report.pdf"
"$renderer" "$pages_dir/report.html" "$report"
pages="$(qpdf --show-npages "$report")"
load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "report: $pages pages, $(stat -c %s "$report") bytes; $(nproc) processors; load average $(load)"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# pair NAME FLAG SUFFIX TARGET: paired runs of zemexport.lib and pdftoppm.
# The memory of the tree is not sampled here: the sampler would take
# processor time from the converter, which uses every core.
pair() {
  local name="$1" flag="$2" suffix="$3" target="$4"
  local wall cpu peak_kb code ref_wall ref_cpu ref_peak_kb ref_code ratio
  eval "$("${measure[@]}" --runs "$runs" --clean "$work/out" --no-sample \
    "$converter" -call "$report" "$work/out/p.$suffix" --versus pdftoppm -r 150 "$flag" "$report" "$work/out/q")"
  printf '%-4s zemexport wall %6.3f s cpu %6.3f s %7d KB | pdftoppm wall %6.3f s cpu %6.3f s %7d KB | ratio %s (target <= %s)\n' \
    "$name" "$wall" "$cpu" "$peak_kb" "$ref_wall" "$ref_cpu" "$ref_peak_kb" "$ratio" "$target"
}

echo "--- 150 DPI, $pages pages, $runs pairs (medians)"
pair JPG -jpeg jpg 0.6
pair PNG -png png 0.15
echo "load average after: $(load)"

echo "--- peak memory of the process tree, 1 page against 200 pages (150 DPI, medians of $memory_runs runs)"
qpdf --empty --pages "$report" 1 -- "$work/one.pdf"
copies=()
for ((i = 0; i < 200 / pages + 1; i++)); do copies+=("$report" 1-z); done
qpdf --empty --pages "${copies[@]}" -- "$work/many.pdf"
qpdf --empty --pages "$work/many.pdf" 1-200 -- "$work/two-hundred.pdf"

# peak FILE OPTIONS...: median peak KB of converting FILE to out/p.<suffix>.
peak() {
  local input="$1" output="$2"; shift 2
  local wall cpu peak_kb code
  eval "$("${measure[@]}" --runs "$memory_runs" --clean "$work/out" "$converter" -call "$@" "$input" "$work/out/$output")"
  [[ "$code" == 0 ]] || { echo "failed: $output $*" >&2; exit 1; }
  echo "$peak_kb $wall"
}

# flat LABEL OUTPUT OPTIONS...: one page against 200.
flat() {
  local label="$1" output="$2" target="$3"; shift 3
  local one many
  read -r one one_wall < <(peak "$work/one.pdf" "$output" "$@")
  read -r many many_wall < <(peak "$work/two-hundred.pdf" "$output" "$@")
  printf '%-16s 1 page %7d KB | 200 pages %7d KB in %7.2f s | 200/1 %s%s\n' "$label" "$one" "$many" "$many_wall" \
    "$(ratio "$many" "$one")" "$target"
}

for format in jpg png tif tga pcx bmp gif; do flat "$format" "p.$format" " (target <= 1.2)"; done
flat "png -mono" p.png " (target <= 1.2)" -mono
flat "tif -mono" p.tif " (target <= 1.2)" -mono
flat "tif -multipage" p.tif " (target <= 1.2)" -multipage
if [[ "${DOCUMENTS:-1}" != 0 ]]; then
  for format in ps eps txt doc rtf xls csv pptx; do flat "$format" "p.$format" ""; done
fi
echo "load average at the end: $(load)"
