#!/usr/bin/env bash
# The manual pages the build made: groff formats them without a single warning, and they hold
# what the programs offer: every option of --help, the added sections, and every filter with
# every key -s takes.
#   test_packaging_man_pages.sh MAN_DIR DRAWLUME DRAWLUME_RENDER
# Exits 77 (skipped) when groff is missing or the build made no pages (no help2man).
set -uo pipefail
man_dir=$1
drawlume=$2
render=$3
command -v groff >/dev/null || {
  echo "SKIP: groff is missing"
  exit 77
}
[ -f "$man_dir/drawlume-render.1" ] || {
  echo "SKIP: no manual pages in $man_dir (help2man was missing when the build was configured)"
  exit 77
}

failures=0
pass() { echo "PASS: $*"; }
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for program in "$drawlume" "$render"; do
  name=$(basename "$program")
  page=$man_dir/$name.1
  warnings=$(LC_ALL=C.UTF-8 groff -wall -man -Tutf8 -z "$page" 2>&1)
  if [ -z "$warnings" ]; then pass "groff -wall formats $name.1 silently"; else
    fail "groff -wall warns on $name.1:"
    echo "$warnings" | head -n 20 | sed 's/^/    /'
  fi
  if ! zcat "$page.gz" | cmp -s - "$page"; then fail "$name.1.gz is not $name.1"; fi
  # The page as a reader sees it, without hyphenation or adjusting, so words stay whole.
  text=$(LC_ALL=C.UTF-8 MANWIDTH=200 groff -man -Tutf8 -rLL=200n -P-cbou \
    -dAD=l -rHY=0 "$page" 2>/dev/null)
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" FILES EXAMPLES "SEE ALSO"; do
    grep -q "^$section\$" <<<"$text" || fail "$name.1 has no $section section"
  done
  grep -q "$("$program" --version | awk '{print $NF}')" <<<"$text" ||
    fail "$name.1 does not show the version"
  # Every long option --help names is explained on the page.
  options=$("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
  [ -n "$options" ] || fail "$name --help names no option"
  missing=()
  for option in $options; do
    grep -q -- "$option" <<<"$text" || missing+=("$option")
  done
  if [ ${#missing[@]} -eq 0 ]; then pass "$name.1 explains $(wc -w <<<"$options") options"; else
    fail "$name.1 lacks ${missing[*]}"
  fi
done

# drawlume-render's page: every filter, and every key of each, as --list-parameters gives them.
text=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -rLL=200n -P-cbou -rHY=0 "$man_dir/drawlume-render.1" \
  2>/dev/null)
filters=$("$render" --list-filters)
[ -n "$filters" ] || fail "drawlume-render --list-filters lists nothing"
grep -q '^FILTERS$' <<<"$text" || fail "drawlume-render.1 has no FILTERS section"
keys=0
while IFS= read -r filter; do
  grep -q "^   $filter\$" <<<"$text" || fail "drawlume-render.1 has no heading for $filter"
  while read -r key _; do
    keys=$((keys + 1))
    grep -qF -- "$key" <<<"$text" || fail "drawlume-render.1 lacks $filter's key $key"
  done < <("$render" --list-parameters "$filter")
done <<<"$filters"
[ "$keys" -gt 0 ] && pass "drawlume-render.1 lists $keys keys of $(wc -l <<<"$filters") filters"

[ "$failures" -eq 0 ]
