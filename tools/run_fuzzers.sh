#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 600), one after the other, starting from the seed corpus in fuzz/corpus. New inputs go
# to build-fuzz/corpus-*; crashes to build-fuzz/findings-*.
#   tools/run_fuzzers.sh [seconds] [target...]     targets: document parameter_xml filter_settings
# UBSan halts on its first report (halt_on_error=1), so that undefined behaviour is a finding like
# a crash. filter_settings runs every input on a picture of at most 48 x 48 pixels: an input that
# takes longer than five seconds is a finding too (-timeout=5 for it; the sanitizers and the
# coverage make a render about twenty times slower than a release build's, so this is about a
# quarter of a second there).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-600}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(document parameter_xml filter_settings)

./tools/install_dependencies.sh
for package in clang libclang-rt-14-dev; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    as_root=(); [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "$package"
  fi
done

build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDRAWLUME_FUZZ=ON > /dev/null
cmake --build "$build" -j "$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

# Every target runs, also after another one found something; the exit status is 1 when any did.
found=0
for target in "${targets[@]}"; do
  corpus="$build/corpus-$target"
  findings="$build/findings-$target"
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  timeout=10
  [ "$target" != filter_settings ] || timeout=5
  echo "== fuzz_$target for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    QT_QPA_PLATFORM=offscreen \
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/" -timeout="$timeout" -rss_limit_mb=4096 "$corpus" \
    >"$build/fuzz_$target.log" 2>&1; then
    found=1
    echo "fuzz_$target found something: see $findings and $build/fuzz_$target.log"
  fi
  tail -n 25 "$build/fuzz_$target.log"
done
exit $found
