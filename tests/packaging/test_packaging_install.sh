#!/usr/bin/env bash
# What the Debian package holds: the install rules staged under a temporary DESTDIR with the
# /usr prefix (as cpack stages them) give exactly the expected files, and the package's control
# fields are configured.
#   test_packaging_install.sh SOURCE_DIR BUILD_DIR
set -uo pipefail
source_dir=$1
build=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

if ! out=$(DESTDIR=$stage cmake --install "$build" --prefix /usr 2>&1); then
  echo "FAIL: cmake --install"
  echo "$out"
  exit 1
fi

share=usr/share
expected=(
  usr/bin/drawlume usr/bin/drawlume-render
  $share/applications/io.github.marrowin.drawlume.desktop
  $share/metainfo/io.github.marrowin.drawlume.metainfo.xml
  $share/mime/packages/drawlume-mime.xml
  $share/doc/drawlume/copyright $share/doc/drawlume/changelog.gz
  $share/doc/drawlume/manual/index.html
  $share/man/man1/drawlume.1.gz $share/man/man1/drawlume-render.1.gz
  $share/bash-completion/completions/drawlume-render
  $share/icons/hicolor/scalable/apps/drawlume.svg
)
icons=0
for icon in "$source_dir"/resources/icons/drawlume-*.png; do
  size=$(basename "$icon" .png)
  size=${size#drawlume-}
  expected+=("$share/icons/hicolor/${size}x$size/apps/drawlume.png")
  icons=$((icons + 1))
done
[ "$icons" -ge 4 ] || fail "only $icons icon sizes in resources/icons"

installed=$(cd "$stage" && find . -type f -o -type l | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$installed" = "$wanted" ]; then
  echo "PASS: the package holds the $(wc -l <<<"$wanted") expected files, $icons icon sizes among them"
else
  fail "installed files differ (< expected, > installed):"
  diff <(echo "$wanted") <(echo "$installed") | grep '^[<>]' | sed 's/^/    /'
fi
for program in drawlume drawlume-render; do
  [ -x "$stage/usr/bin/$program" ] || fail "usr/bin/$program is not executable"
done

# The menu entry starts an installed program with an installed icon.
desktop=$stage/$share/applications/io.github.marrowin.drawlume.desktop
exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
[ -x "$stage/usr/bin/$exec_program" ] || fail "the desktop entry's Exec program $exec_program is not installed"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$stage/$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "the desktop entry's icon $icon is not installed"
# Manual pages are gzip-compressed roff.
for page in "$stage"/$share/man/man1/*.gz; do
  zcat "$page" | grep -q '^\.TH ' || fail "$(basename "$page") is not a compressed manual page"
done
grep -q '^License: LicenseRef-proprietary' "$stage/$share/doc/drawlume/copyright" ||
  fail "the copyright file names no licence"

# The package's control fields, as cpack reads them.
config=$build/CPackConfig.cmake
for setting in 'CPACK_GENERATOR "DEB"' 'CPACK_PACKAGE_NAME "drawlume"' \
  'CPACK_DEBIAN_PACKAGE_SECTION "graphics"' 'CPACK_DEBIAN_PACKAGE_SHLIBDEPS "ON"' \
  'CPACK_PACKAGING_INSTALL_PREFIX "/usr"' 'CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT"'; do
  grep -qF "set($setting)" "$config" || fail "$config lacks set($setting)"
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
grep -qF "set(CPACK_PACKAGE_VERSION \"$version\")" "$config" ||
  fail "the package version is not the project's $version"
maintainer=$(sed -n 's/^DRAWLUME_PACKAGE_MAINTAINER:STRING=//p' "$build/CMakeCache.txt")
[ -n "$maintainer" ] && grep -qF "set(CPACK_DEBIAN_PACKAGE_MAINTAINER \"$maintainer\")" "$config" ||
  fail "the maintainer \"$maintainer\" is not the package's"
grep -qF "Upstream-Contact: $maintainer" "$stage/$share/doc/drawlume/copyright" ||
  fail "the copyright file does not name the maintainer \"$maintainer\""
zcat "$stage/$share/doc/drawlume/changelog.gz" | head -n 1 | grep -qF "drawlume ($version)" ||
  fail "the changelog does not start with drawlume ($version)"

[ "$failures" -eq 0 ] && echo "PASS: executables, menu entry, icon, manual pages, copyright and control fields"
[ "$failures" -eq 0 ]
