#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what clang-format (.clang-format) makes
# of it; prints the places. Run by .ci/run before the tests; `clang-format -i` on the files fixes
# them.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends clang-format
fi

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
