#!/bin/sh
# Regenerates the interface pictures in <repository>/resources/ui (button and drop-down frames,
# arrows, slider handles, icons, the about picture and the placeholder drawing) and the application
# icon in <repository>/resources/icons. Builds the generator (tools/generate_interface_art.cpp and
# interface_art_*.cpp) first if needed, in build-resources/ at the repository root (or in the build
# directory named by DRAWLUME_BUILD_DIR).
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
cmake --build "$build" --target drawlume-generate-interface-art -j 2

generator=$(find "$build" -type f -name drawlume-generate-interface-art -perm -u+x | head -n 1)
if [ -z "$generator" ]; then
    echo "generate_interface_art.sh: drawlume-generate-interface-art was not built" >&2
    exit 1
fi
"$generator" "$repo/resources"
