#!/usr/bin/env bash
# Builds the Debian package and tries it in a fresh Debian 12 system, as a user would get it:
#   sudo tools/check_package.sh [BUILD_DIR]      (default build; a Release build is configured there
#                                                 when the folder has none)
# A minimal Debian 12 (debootstrap --variant=minbase) is unpacked into a temporary folder; the
# download is kept in BUILD_DIR/debootstrap-bookworm-minbase.tar.gz for the next run. Inside it,
# tools/check_package_inside.sh installs the package with apt-get, starts the application from its
# menu entry, opens a document through xdg-open, renders with drawlume-render, reads the manual
# pages, purges the package and looks for anything left behind. Needs root (chroot and mounts),
# debootstrap and a Debian mirror (DRAWLUME_DEBIAN_MIRROR, default http://deb.debian.org/debian).
# Exits 0 when every check passed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mirror=${DRAWLUME_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=bookworm

if [ "$(id -u)" -ne 0 ]; then
  echo "check_package.sh: run as root (it unpacks a Debian system and changes root into it)" >&2
  exit 2
fi
for tool in debootstrap chroot mount dpkg-deb; do
  if ! command -v "$tool" >/dev/null; then
    echo "check_package.sh: $tool is missing (tools/install_dependencies.sh installs it)" >&2
    exit 2
  fi
done

# The package, from a Release build without tests.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAWLUME_BUILD_TESTS=OFF \
    -DDRAWLUME_BUILD_BENCH=OFF
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb="$build/drawlume_${version}_amd64.deb"
rm -f "$deb"
cmake --build "$build" -j 2 --target package
if [ ! -f "$deb" ]; then
  echo "check_package.sh: the build made no $deb" >&2
  exit 1
fi
echo "== $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'

# A fresh Debian 12, unpacked from the cached download.
tarball="$build/debootstrap-$suite-minbase.tar.gz"
if [ ! -f "$tarball" ]; then
  echo "== downloading a minimal Debian $suite into $tarball"
  staging=$(mktemp -d /var/tmp/drawlume-debootstrap.XXXXXX)
  debootstrap --variant=minbase --make-tarball="$tarball.part" "$suite" "$staging" "$mirror"
  rm -rf --one-file-system "$staging"
  mv "$tarball.part" "$tarball"
fi
root=$(mktemp -d /var/tmp/drawlume-check.XXXXXX)
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[i]}" 2>/dev/null || true
  done
  # Only when nothing is mounted below any more, and never across file systems.
  if ! grep -q " $root/" /proc/mounts; then
    rm -rf --one-file-system "$root"
  else
    echo "check_package.sh: $root is still mounted on; left in place" >&2
  fi
}
trap cleanup EXIT
echo "== unpacking Debian $suite into $root"
debootstrap --variant=minbase --unpack-tarball="$(realpath "$tarball")" "$suite" "$root" "$mirror" \
  >"$root.log" 2>&1 || {
  cat "$root.log" >&2
  rm -f "$root.log"
  exit 1
}
rm -f "$root.log"

mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount --bind /dev "$root/dev" && mounted+=("$root/dev")
mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
mount -t tmpfs tmpfs "$root/dev/shm" && mounted+=("$root/dev/shm")
cp /etc/resolv.conf "$root/etc/resolv.conf"
echo "deb $mirror $suite main" >"$root/etc/apt/sources.list"

mkdir -p "$root/check"
cp "$deb" "$root/check/"
cp tools/check_package_inside.sh "$root/check/"
cp samples/coffee.png "$root/check/photo.png"

echo "== checking inside"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
  bash /check/check_package_inside.sh "/check/$(basename "$deb")"
echo "== $deb passed every check in a fresh Debian $suite"
