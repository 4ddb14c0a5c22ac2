#!/usr/bin/env bash
# Builds Drawlume with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test.
# Installs the Debian packages that are missing first. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install_dependencies.sh

build=build-asan
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DDRAWLUME_SANITIZE=ON -DDRAWLUME_BUILD_BENCH=OFF
cmake --build "$build" -j "$(nproc)"

# Window tests need a real X server; xvfb-run gives every test run one.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$(pwd)/tests/lsan.supp"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
xvfb-run -a -s "-screen 0 1600x1200x24" ctest --output-on-failure -j 2 --timeout 600
