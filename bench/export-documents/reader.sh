#!/bin/bash
# Times the document reader alone (the model the DOC, RTF, XLS, CSV and PPTX
# writers are built from) on every bench page, printed tagged as zemconv's
# intermediate PDF is and untagged as a foreign PDF would be: wall time and
# CPU time of each read (median of five, both threads counted), its phases,
# and the peak memory of the process.
# Usage: bench/export-documents/reader.sh [build dir]
# Needs: cmake --build build --target zemrender.lib document_dump
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source_dir/build}" && pwd)
pages_dir=${ZEMBRA_BENCH_PAGES:-$source_dir/../shared/bench-pages}
work=$(mktemp -d /tmp/zembra-bench-reader-XXXXXX)
trap 'rm -rf "$work"' EXIT

render=$build/bin/zemrender.lib
dump=$build/tests/document_dump
for program in "$render" "$dump"; do
  [[ -x $program ]] || { echo "no $program: build it first" >&2; exit 1; }
done

printf '%-9s %-8s %5s %8s %8s %9s %8s %9s %8s\n' page pdf pages wall_s cpu_s content_s blocks_s pictures_s peak_MB
for page in simple report script unicode forms; do
  # A name ending in temp.pdf is printed tagged, as zemconv's intermediate PDF.
  "$render" "$pages_dir/$page.html" "$work/${page}temp.pdf" >/dev/null 2>&1
  "$render" "$pages_dir/$page.html" "$work/$page.pdf" >/dev/null 2>&1
  for kind in tagged untagged; do
    pdf=$work/$page.pdf
    [[ $kind == tagged ]] && pdf=$work/${page}temp.pdf
    npages=$(qpdf --show-npages "$pdf")
    # Five reads: "read W s (cpu C s): content and tags A, blocks B (pictures P)".
    "$dump" --times "$pdf" > "$work/times" 2>/dev/null
    peak=$( { /usr/bin/time -f '%M' "$dump" --times "$pdf" >/dev/null; } 2>&1 | tail -1)
    awk -v page="$page" -v kind="$kind" -v n="$npages" -v peak="$peak" '
      { wall[NR] = $2; gsub(/[()]/, "", $5); cpu[NR] = $5; content[NR] = $10; gsub(/,/, "", content[NR]);
        blocks[NR] = $12; pictures[NR] = $14; gsub(/[()]/, "", pictures[NR]) }
      function median(a,   i, j, t, m) { m = NR; for (i = 1; i <= m; i++) for (j = i + 1; j <= m; j++)
        if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t } return a[int((m + 1) / 2)] }
      END { printf "%-9s %-8s %5d %8.3f %8.3f %9.3f %8.3f %9.3f %8.1f\n", page, kind, n, median(wall), median(cpu),
            median(content), median(blocks), median(pictures), peak / 1024 }' "$work/times"
  done
done
