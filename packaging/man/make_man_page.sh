#!/usr/bin/env bash
# Writes the manual page of a built program: make_man_page.sh PROGRAM INCLUDE OUTPUT [filters]
# help2man reads PROGRAM --help and --version and adds the sections of INCLUDE. With "filters"
# (drawlume-render), a FILTERS section gets the keys of every filter of --list-filters from
# --list-parameters, and a PICTURE FORMATS section the rows of --list-formats. Writes OUTPUT (roff) and OUTPUT.gz (as Debian installs manual pages).
set -euo pipefail
program=$1
include=$2
output=$3
with_filters=${4:-}
help2man=${HELP2MAN:-help2man}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Text for roff: backslashes and minus signs escaped, no line starting with a control character.
roff() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

cp "$include" "$work/include.h2m"
if [ "$with_filters" = filters ]; then
  filters=$("$program" --list-filters)
  {
    echo
    echo "[FILTERS]"
    echo "The keys \\fB\\-s\\fR, \\fB\\-\\-set\\fR takes for each filter, as"
    echo "\\fB\\-\\-list\\-parameters\\fR \\fINAME\\fR lists them: the full key, or the part after"
    echo "\"::\" where that names one key, with its type, range or choices and default."
    echo "Rows marked fixed are values the filter always uses; they cannot be set."
    while IFS= read -r filter; do
      echo ".SS $(roff <<<"$filter")"
      "$program" --list-parameters "$filter" | while IFS= read -r row; do
        read -r key type rest <<<"$row"
        echo ".TP"
        echo ".B $(roff <<<"$key")"
        echo "$(roff <<<"$type $rest")"
      done
    done <<<"$filters"
    echo
    echo "[PICTURE FORMATS]"
    echo "The formats \fBINPUT\fR is read in (by content) and \fBOUTPUT\fR is written in (by"
    echo "suffix), as \fB\-\-list\-formats\fR lists them: the suffix, the name, whether it is"
    echo "read and written, its suffixes, its quality, whether it is lossless, and the photo"
    echo "information it carries."
    "$program" --list-formats | while IFS= read -r row; do
      read -r suffix rest <<<"$row"
      echo ".TP"
      echo ".B $(roff <<<"$suffix")"
      echo "$(roff <<<"$rest")"
    done
  } >>"$work/include.h2m"
fi

version=$("$program" --version | awk '{print $NF}')
"$help2man" --no-info --section=1 --source="Drawlume $version" \
  --manual="User Commands" --include="$work/include.h2m" --output="$work/page.1" "$program"
# The indented blocks of the description (the ways to call the program, the examples) are one
# command a line in --help; they keep their lines instead of being filled into a paragraph.
mkdir -p "$(dirname "$output")"
awk '
  function close_block() { if (unfilled) { print ".fi"; unfilled = 0 } }
  /^\.SH / { close_block(); section = $0 }
  section == ".SH DESCRIPTION" && /^\.(PP|IP)$/ {
    close_block(); print
    if ($0 == ".IP") { print ".nf"; unfilled = 1 }
    next
  }
  { print }
' "$work/page.1" >"$output"
gzip -9 -n -c "$output" >"$output.gz"
