#!/bin/bash
# RTF and DOC as a user makes them, in paired runs on the two bench pages:
#   RTF: `zemconv page.html out.rtf` against `zemconv page.html out.pdf`
#        (target: at most 1.2 times the PDF);
#   DOC: `zemconv page.html out.doc` against LibreOffice converting the
#        HTML itself, `soffice --headless --convert-to 'doc:MS Word 97'
#        page.html` (a bare "doc" finds no filter for an HTML page and writes
#        nothing), with a profile made beforehand, as a user's is (target: at
#        most 1.5 times).
# Each run times the four commands back to back, so a load that comes and
# goes weighs on both sides of a ratio alike; the medians of the times and
# of the per-run ratios are printed.
# Usage: bench/export-documents/word.sh [build dir] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
runs=${2:-5}
pages_dir=${ZEMBRA_BENCH_PAGES:-$source_dir/../shared/bench-pages}
work=$(mktemp -d /tmp/zembra-bench-word-XXXXXX)
trap 'rm -rf "$work"' EXIT

zemconv=$build/bin/zemconv
for program in zemconv zemrender.lib zemkit.lib zemexport.lib; do
  [[ -x $build/bin/$program ]] || { echo "no $build/bin/$program: build it first" >&2; exit 1; }
done

# Wall time in seconds of one command, its output directory emptied first.
seconds() {
  rm -rf "$work/out"; mkdir -p "$work/out"
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; exit 1; }
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# LibreOffice's profile, made once before the runs.
soffice "-env:UserInstallation=file://$work/profile" --headless --norestore --convert-to "doc:MS Word 97" \
  --outdir "$work/warm" "$pages_dir/simple.html" >/dev/null 2>&1

printf '%-8s %8s %8s %8s %9s %10s %11s\n' page pdf_s rtf_s doc_s office_s rtf/pdf doc/office
for page in simple report; do
  html=$pages_dir/$page.html
  : >"$work/times"
  for ((i = 0; i < runs; i++)); do
    pdf=$(seconds "$zemconv" "$html" "$work/out/page.pdf")
    rtf=$(seconds "$zemconv" "$html" "$work/out/page.rtf")
    doc=$(seconds "$zemconv" "$html" "$work/out/page.doc")
    office=$(seconds soffice "-env:UserInstallation=file://$work/profile" --headless --norestore \
      --convert-to "doc:MS Word 97" --outdir "$work/out" "$html")
    [[ -s $work/out/$page.doc ]] || { echo "LibreOffice wrote no $page.doc" >&2; exit 1; }
    echo "$pdf $rtf $doc $office" >>"$work/times"
  done
  column() { awk -v k="$1" '{ print $k }' "$work/times" | median; }
  ratio() { awk -v a="$1" -v b="$2" '{ print $a / $b }' "$work/times" | median; }
  printf '%-8s %8.2f %8.2f %8.2f %9.2f %10.2f %11.2f\n' "$page" "$(column 1)" "$(column 2)" "$(column 3)" \
    "$(column 4)" "$(ratio 2 1)" "$(ratio 3 4)"
done
