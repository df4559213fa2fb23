#!/bin/sh
# Turns a program's own manual (its --readme or --help text, made from its
# option table) into a manual page: help-to-man.sh <program> <flag> <output>
set -eu
program=$1
flag=$2
output=$3
name=$(basename "$program")
text=$("$program" "$flag" 2>&1) || true
summary=$(printf '%s\n' "$text" | head -n 1 | sed -n 's/^[^ ]* *- *//p')
[ -n "$summary" ] || summary="a Zembra sibling program"
{
  printf '.TH %s 1 "" "Zembra 2.0" "User Commands"\n' "$(echo "$name" | tr 'a-z' 'A-Z')"
  printf '.SH NAME\n%s \\- %s\n' "$name" "$summary"
  printf '.SH DESCRIPTION\n.nf\n'
  # Escape backslashes, and dots or quotes at the start of a line.
  printf '%s\n' "$text" | tail -n +2 | sed -e 's/\\/\\e/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
  printf '.fi\n.SH SEE ALSO\n.BR zemconv (1)\n'
} > "$output.tmp"
mv "$output.tmp" "$output"
