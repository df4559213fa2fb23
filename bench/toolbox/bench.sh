#!/bin/sh
# Times zemkit.lib on the 22-page report page (rendered once with Chromium,
# then repeated to 220 pages with qpdf). Usage: bench.sh [build directory]
# Prints one line per operation: name, seconds, output size in bytes.
set -eu
build=${1:-build}
kit="$build/bin/zemkit.lib"
pages="$(dirname "$0")/../../../shared/bench-pages"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

chromium --headless --no-sandbox --disable-gpu --print-to-pdf="$work/report.pdf" \
  "file://$(realpath "$pages/report.html")" >/dev/null 2>&1
chromium --headless --no-sandbox --disable-gpu --print-to-pdf="$work/stamp.pdf" \
  "file://$(realpath "$pages/simple.html")" >/dev/null 2>&1
qpdf --empty --pages "$work/report.pdf" "$work/report.pdf" "$work/report.pdf" "$work/report.pdf" \
  "$work/report.pdf" "$work/report.pdf" "$work/report.pdf" "$work/report.pdf" "$work/report.pdf" \
  "$work/report.pdf" -- "$work/big.pdf"

run() {
  name=$1
  shift
  rm -rf "$work/out" && mkdir "$work/out"
  start=$(date +%s.%N)
  "$kit" "$@" >/dev/null
  end=$(date +%s.%N)
  size=$(cat "$work"/out/* | wc -c)
  printf '%-28s %6.2f s %10d bytes\n' "$name" "$(awk "BEGIN { print $end - $start }")" "$size"
}

for input in report big; do
  echo "$input.pdf: $(qpdf --show-npages "$work/$input.pdf") pages, $(wc -c <"$work/$input.pdf") bytes"
  run "copy" "$work/$input.pdf" -outfile "$work/out/o.pdf" -silent
  run "aes-256 + permit printing" "$work/$input.pdf" -outfile "$work/out/o.pdf" -ownerpassword o -permit printing
  run "rc4-40" "$work/$input.pdf" -outfile "$work/out/o.pdf" -userpassword u -key40bit
  run "overlay" "$work/$input.pdf" -overlay "$work/stamp.pdf" -outfile "$work/out/o.pdf"
  run "crossmerge" "$work/$input.pdf" -crossmerge -outfile "$work/out/o.pdf"
  run "split" "$work/$input.pdf" -split -outfile "$work/out/o.pdf"
  run "pack" "$work/$input.pdf" -outfile "$work/out/o.pdf" -pack
  run "unpack" "$work/$input.pdf" -outfile "$work/out/o.pdf" -unpack
done
