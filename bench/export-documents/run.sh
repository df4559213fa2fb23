#!/bin/bash
# Times every document format on the one-page and the 22-page bench pages,
# and LibreOffice's own conversion of the same content for DOC, XLS, EMF
# and WMF. Usage: bench/export-documents/run.sh [build dir] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
runs=${2:-3}
pages_dir=${ZEMBRA_BENCH_PAGES:-$source_dir/../shared/bench-pages}
work=$(mktemp -d /tmp/zembra-bench-docs-XXXXXX)
trap 'rm -rf "$work"' EXIT

# The converter as the front end runs it (cmake --build build --target zemexport.lib).
convert=$build/bin/zemexport.lib
[[ -x $convert ]] || { echo "no $convert: build it first" >&2; exit 1; }

for page in simple report; do
  chromium-headless-shell --headless --no-sandbox --print-to-pdf="$work/$page.pdf" \
    "$pages_dir/$page.html" >/dev/null 2>&1
done

# Median wall time in seconds of a command run $runs times; $1 is a clean-up
# command run before each run.
median() {
  local clean=$1; shift
  local times=()
  for ((i = 0; i < runs; i++)); do
    eval "$clean"
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || { echo "FAILED: $*" >&2; return 1; }
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p"
}

office() {
  soffice -env:UserInstallation=file://$work/profile-$$-$RANDOM --headless --norestore "$@"
}

printf '%-6s %-8s %10s %12s %7s\n' format page ours_s office_s ratio
for page in simple report; do
  pdf=$work/$page.pdf
  npages=$(qpdf --show-npages "$pdf")
  for format in ps eps txt csv rtf doc xls pptx emf wmf; do
    out=$work/out/$page.$format
    ours=$(median "rm -rf '$work/out'; mkdir -p '$work/out'" "$convert" -call "$pdf" "$out")
    theirs=""
    case $format in
      doc)  # the PDF opened in Writer and saved as Word 97
        theirs=$(median "rm -rf '$work/lo'" office --infilter=writer_pdf_import --convert-to doc \
          --outdir "$work/lo" "$pdf") ;;
      xls)  # the same cells, from our CSV, saved as Excel 97
        rm -rf "$work/csv"; mkdir -p "$work/csv"
        "$convert" -call "$pdf" "$work/csv/$page.csv"
        theirs=$(median "rm -rf '$work/lo'" office --convert-to xls --outdir "$work/lo" "$work/csv/$page.csv") ;;
      emf|wmf)  # every page, split by qpdf, each saved as a metafile by Draw
        rm -rf "$work/split"; mkdir -p "$work/split"
        qpdf --split-pages "$pdf" "$work/split/p-%d.pdf"
        theirs=$(median "rm -rf '$work/lo'" office --convert-to "$format" --outdir "$work/lo" "$work"/split/p-*.pdf) ;;
    esac
    if [[ -n $theirs ]]; then
      printf '%-6s %-8s %10.2f %12.2f %7.2f\n' "$format" "$page($npages)" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
    else
      printf '%-6s %-8s %10.2f %12s %7s\n' "$format" "$page($npages)" "$ours" - -
    fi
  done
done
