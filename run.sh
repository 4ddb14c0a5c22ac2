#!/usr/bin/env bash
# Builds Drawlume (installing the Debian packages that are missing) and renders a picture as a
# pencil drawing: the given one, or the bundled sample photo.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install_dependencies.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAWLUME_BUILD_TESTS=OFF \
  -DDRAWLUME_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target drawlume-render

picture="${1:-samples/coffee.png}"
mkdir -p out
name="$(basename "${picture%.*}")"
output="out/${name}-pencil.png"
"$build/cli/drawlume-render" -f Pencil "$picture" "$output"
echo "The pencil drawing of $picture is in $(pwd)/$output"
