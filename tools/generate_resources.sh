#!/bin/sh
# Regenerates the algorithm resources (paper and canvas textures, brush bitmaps) in
# <repository>/resources. Builds the generator (tools/generate_resources.cpp and resource_*.cpp)
# first if needed, in build-resources/ at the repository root (or in the build directory named by
# DRAWLUME_BUILD_DIR).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/.." && pwd)
build=${DRAWLUME_BUILD_DIR:-"$repo/build-resources"}

if [ ! -f "$build/CMakeCache.txt" ]; then
    if command -v ninja >/dev/null 2>&1; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DDRAWLUME_BUILD_TESTS=OFF -DDRAWLUME_BUILD_BENCH=OFF
    else
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release \
            -DDRAWLUME_BUILD_TESTS=OFF -DDRAWLUME_BUILD_BENCH=OFF
    fi
fi
cmake --build "$build" --target drawlume-generate-resources -j 2

generator=$(find "$build" -type f -name drawlume-generate-resources -perm -u+x | head -n 1)
if [ -z "$generator" ]; then
    echo "generate_resources.sh: drawlume-generate-resources was not built" >&2
    exit 1
fi
"$generator" "$repo/resources"
