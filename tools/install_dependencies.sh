#!/usr/bin/env bash
# Installs the Debian packages Drawlume needs to build, test and run, when any is missing.
# Sourced or run by run.sh and test.sh; uses sudo when not root.
set -euo pipefail

drawlume_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev qt6-image-formats-plugins libgl-dev zlib1g-dev
  # HEIC, HEIF and AVIF input; libheif1 brings its decoders (libde265 for HEVC, dav1d and aom for
  # AV1) and the encoders the tests make their files with (x265, aom).
  libheif-dev
  # JPEG XL in and out.
  libjxl-dev
  # Photo information (EXIF, XMP, IPTC) carried from the picture into the artwork; the exiv2 tool
  # lets a person look at what an export kept.
  libexiv2-dev exiv2
  libbenchmark-dev
  # bench/large_photos.sh reads the peak memory of a render from /usr/bin/time.
  time
  xvfb xauth
  openbox xdotool x11-utils xclip imagemagick tesseract-ocr tesseract-ocr-eng python3
  # The Debian package and its metadata: manual pages made with help2man and checked with groff
  # and man, cpack's dependency lookup (dpkg-shlibdeps, file), the desktop entry and AppStream
  # validators, the bash completion library, and the fresh Debian 12 of tools/check_package.sh.
  help2man groff-base man-db dpkg-dev file desktop-file-utils appstream bash-completion debootstrap
  # The screen-reader test reads the application's accessibility tree over AT-SPI.
  python3-pyatspi at-spi2-core dbus
)

missing=()
for package in "${drawlume_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
