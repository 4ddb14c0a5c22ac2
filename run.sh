#!/usr/bin/env bash
# Builds Drawlume (installing the Debian packages that are missing) and starts it, opening the
# pictures and documents given, each in a window of its own.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install_dependencies.sh

build=build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDRAWLUME_BUILD_TESTS=OFF \
  -DDRAWLUME_BUILD_BENCH=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" --target drawlume drawlume-render

exec "$build/drawlume" "$@"
