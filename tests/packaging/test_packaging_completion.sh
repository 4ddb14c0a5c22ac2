#!/usr/bin/env bash
# The bash completion of drawlume-render, driven through bash's own completion machinery: the
# line is split into COMP_WORDS as bash splits it (at blanks and at "=" and ":"), the function
# the completion registers runs, and COMPREPLY is compared with what the built program lists.
#   test_packaging_completion.sh SOURCE_DIR DRAWLUME_RENDER
# Exits 77 (skipped) when the bash-completion package is missing.
set -uo pipefail
source_dir=$1
render=$2
library=/usr/share/bash-completion/bash_completion
[ -f "$library" ] || {
  echo "SKIP: $library is missing (package bash-completion)"
  exit 77
}
# Interactive-shell behaviour the completion library expects.
shopt -s extglob progcomp
# shellcheck disable=SC1090
source "$library"
# shellcheck disable=SC1091
source "$source_dir/packaging/bash-completion/drawlume-render"
# compopt works only while bash itself completes; here it notes the options asked for.
compopt() { options_asked+=("$@"); }
function=$(complete -p drawlume-render | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
[ -n "$function" ] || {
  echo "FAIL: the script registers no completion function for drawlume-render"
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir folder
touch photo.jpg SCAN.TIFF shot.heic art.webp notes.txt portrait.drawlume 'two words.png'

# Completes LINE (the cursor at its end, the program's name written as "drawlume-render") and
# prints COMPREPLY sorted, one reply a line.
complete_line() {
  local line=$1 words=() word="" quoted="" c i
  for ((i = 0; i < ${#line}; i++)); do
    c=${line:i:1}
    if [[ -n $quoted ]]; then
      word+=$c
      [[ $c == "$quoted" ]] && quoted=""
    elif [[ $c == '\' ]]; then
      word+=$c${line:i+1:1}
      ((i++))
    elif [[ $c == [\"\'] ]]; then
      word+=$c
      quoted=$c
    elif [[ $c == ' ' ]]; then
      [[ -n $word ]] && words+=("$word")
      word=""
    elif [[ $c == [=:] && $COMP_WORDBREAKS == *"$c"* ]]; then
      # A run of word-break characters is a word of its own.
      if [[ -n $word && ${word: -1} != [=:] ]]; then words+=("$word") && word=""; fi
      word+=$c
      if [[ ${line:i+1:1} != [=:] ]]; then words+=("$word") && word=""; fi
    else
      word+=$c
    fi
  done
  words+=("$word")
  words[0]=$render
  COMP_WORDS=("${words[@]}")
  COMP_CWORD=$((${#words[@]} - 1))
  COMP_LINE="$render${line#drawlume-render}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  options_asked=()
  "$function" drawlume-render "${words[COMP_CWORD]}" "${words[COMP_CWORD - 1]}"
  printf '%s\n' "${COMPREPLY[@]}" | sort
  [[ " ${options_asked[*]} " == *" nospace "* ]] && echo "(no space)"
}

failures=0
expect() { # expect LINE EXPECTED: EXPECTED is the sorted replies, one a line
  local got
  got=$(complete_line "$1")
  if [[ $got == "$2" ]]; then
    echo "PASS: \"$1\" -> $(tr '\n' ' ' <<<"$got")"
  else
    echo "FAIL: \"$1\""
    diff <(echo "$2") <(echo "$got") | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}
escaped() { while IFS= read -r line; do printf '%q\n' "$line"; done | sort; }
# The rows of a filter's listing: "KEY TYPE ...".
rows() { "$render" --list-parameters "$1"; }
# The quoted values after "choices:" in a listing row.
choices() { sed -n 's/.*choices: //p' <<<"$1" | grep -o '"[^"]*"' | tr -d '"'; }

filters=$("$render" --list-filters)
[ "$(wc -l <<<"$filters")" -ge 2 ] || echo "FAIL: drawlume-render --list-filters lists too little"

# Options, from --help.
expect "drawlume-render --list-" "$(printf '%s\n' --list-filters --list-formats --list-parameters --list-presets)"
# --format offers the written suffixes --list-formats names.
expect "drawlume-render --format " "$("$render" --list-formats | sed -n 's/.* write suffixes: \([^;]*\);.*/\1/p' | tr ' ' '\n' | sort)"
expect "drawlume-render --format ti" "$(printf '%s\n' tif tiff)"
expect "drawlume-render --qu" "$(printf '%s\n' --quality --quiet)"

# Filter names after -f, --filter=, --list-parameters and --list-presets; names with blanks come
# back escaped.
expect "drawlume-render -f " "$(escaped <<<"$filters")"
last=$(tail -n 1 <<<"$filters")
expect "drawlume-render --filter=${last:0:3}" "$(grep "^${last:0:3}" <<<"$filters" | escaped)"
expect "drawlume-render --list-parameters ${last:0:3}" "$(grep "^${last:0:3}" <<<"$filters" | escaped)"
expect "drawlume-render --list-presets ${last:0:3}" "$(grep "^${last:0:3}" <<<"$filters" | escaped)"

# -s keys of every filter: the short keys of the settable rows, then the full ones, each with
# "=" to go on with the value; and the choices of a choice row after KEY=.
while IFS= read -r filter; do
  quoted_filter=$(printf '%q' "$filter")
  settable=$(rows "$filter" | awk '$2 != "fixed" {print $1}')
  [ -n "$settable" ] || continue
  first_key=$(head -n 1 <<<"$settable")
  short=${first_key##*::}
  expect "drawlume-render -f $quoted_filter -s ${short:0:4}" \
    "$( (grep -o '::.*' <<<"$settable" | cut -c3-; cat <<<"$settable") |
      grep "^${short:0:4}" | sed 's/$/=/' | sort; echo "(no space)")"
  # After "Class::" bash replaces only what follows the last ":"; the replies hold just that.
  class=${first_key%%::*}
  expect "drawlume-render -f $quoted_filter -s $class::${short:0:4}" \
    "$(grep "^$class::${short:0:4}" <<<"$settable" | sed 's/^.*:://; s/$/=/' | sort; echo "(no space)")"
  row=$(rows "$filter" | awk '$2 == "choice"' | head -n 1)
  if [ -n "$row" ]; then
    key=$(awk '{print $1}' <<<"$row")
    expect "drawlume-render --filter $quoted_filter -s ${key##*::}=" "$(choices "$row" | escaped)"
  fi
done <<<"$filters"
# Without -f the keys are the default filter's (Pencil).
pencil_key=$(rows Pencil | awk '$2 != "fixed" {sub(/.*::/, "", $1); print $1; exit}')
expect "drawlume-render -s ${pencil_key:0:5}" "$( (rows Pencil | awk '$2 != "fixed" {print $1}'
  rows Pencil | awk '$2 != "fixed" {sub(/.*::/, "", $1); print $1}') |
  grep "^${pencil_key:0:5}" | sed 's/$/=/' | sort; echo "(no space)")"

# Textures and presets of the chosen filter.
row=$(rows Oil | grep -m 1 '"Kraft paper"')
expect "drawlume-render -f Oil --texture " "$(choices "$row" | escaped)"
expect "drawlume-render -f Oil --texture Kraft" 'Kraft\ paper'
expect "drawlume-render -f Oil --preset " "$("$render" --list-presets Oil | escaped)"
presets=$("$render" --list-presets Watercolor)
expect "drawlume-render --filter=Watercolor --preset ${presets:0:2}" \
  "$(grep "^${presets:0:2}" <<<"$presets" | escaped)"

# Files: pictures by suffix in any letter case, documents for --document, folders everywhere.
expect "drawlume-render -f Pencil " "$(printf '%s\n' SCAN.TIFF art.webp folder photo.jpg shot.heic 'two words.png' | sort)"
expect "drawlume-render --document " "$(printf '%s\n' folder portrait.drawlume)"
expect "drawlume-render photo.jpg --save-document p" "portrait.drawlume"
expect "drawlume-render --output-dir " "folder"

[ "$failures" -eq 0 ]
