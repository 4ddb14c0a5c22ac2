#!/usr/bin/env bash
# The desktop entry and the software-centre description: both pass their validators, name each
# other, offer the document type the MIME description defines, and the newest release is the
# build's version.
#   test_packaging_metadata.sh SOURCE_DIR VERSION
# Exits 77 (skipped) when appstreamcli or desktop-file-validate is missing.
set -uo pipefail
source_dir=$1
version=$2
packaging=$source_dir/packaging
desktop=$packaging/io.github.marrowin.drawlume.desktop
metainfo=$packaging/io.github.marrowin.drawlume.metainfo.xml
mime=$packaging/drawlume-mime.xml
for tool in appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || {
    echo "SKIP: $tool is missing"
    exit 77
  }
done

failures=0
check() { # check DESCRIPTION COMMAND...: runs COMMAND, shows its output when it fails
  local out
  if out=$("${@:2}" 2>&1); then
    echo "PASS: $1"
  else
    echo "FAIL: $1"
    echo "$out" | sed 's/^/    /'
    failures=$((failures + 1))
  fi
}
# The first value of an element or attribute, by a pattern over the XML text.
first() { grep -o -m 1 "$1" "$2" | head -n 1 | sed "$3"; }

check "desktop-file-validate $(basename "$desktop")" desktop-file-validate "$desktop"
# Warnings and pedantic hints count too: a software centre shows what the validator complains of.
check "appstreamcli validate --no-net --pedantic $(basename "$metainfo")" \
  appstreamcli validate --no-net --pedantic "$metainfo"

id=$(first '<id>[^<]*</id>' "$metainfo" 's/<[^>]*>//g')
launchable=$(first '<launchable type="desktop-id">[^<]*<' "$metainfo" 's/.*>\(.*\)</\1/')
check "the metainfo's launchable \"$launchable\" is the desktop file and the id \"$id\"" \
  test "$launchable" = "$(basename "$desktop")" -a "$id.desktop" = "$launchable"
release=$(first '<release version="[^"]*"' "$metainfo" 's/.*"\(.*\)"/\1/')
check "the newest release \"$release\" is the build's version \"$version\"" \
  test "$release" = "$version"

document_type=$(first '<mime-type type="[^"]*"' "$mime" 's/.*"\(.*\)"/\1/')
check "the metainfo provides the document type \"$document_type\"" \
  grep -q "<mediatype>$document_type</mediatype>" "$metainfo"
check "the desktop entry opens \"$document_type\"" \
  grep -q "^MimeType=.*$document_type;" "$desktop"
icon=$(sed -n 's/^Icon=//p' "$desktop")
check "the desktop entry's icon \"$icon\" is the metainfo's" \
  grep -q "<icon type=\"stock\">$icon</icon>" "$metainfo"

# Every screenshot named is in the repository at the size the metainfo gives.
while read -r width height name; do
  file=$packaging/screenshots/$name
  check "screenshot $name is a ${width}x$height PNG" \
    bash -c '[ "$(head -c 8 "$1" | od -An -tx1 | tr -d " \n")" = 89504e470d0a1a0a ] &&
      [ "$(od -An -tu1 -j16 -N8 "$1" | awk "{print \$3*256+\$4, \$7*256+\$8}")" = "$2 $3" ]' \
      _ "$file" "$width" "$height"
done < <(grep -o 'width="[0-9]*" height="[0-9]*">[^<]*' "$metainfo" |
  sed 's/width="\([0-9]*\)" height="\([0-9]*\)">.*\/\(.*\)/\1 \2 \3/')

[ "$failures" -eq 0 ]
