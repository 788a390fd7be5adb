#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite. Window tests run under Qt's
# offscreen platform, so no display is needed; no test needs a sound card.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  scripts/build.sh "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DLUMISETT_SANITIZE=address,undefined \
    -DLUMISETT_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build_dir=build
  scripts/build.sh "$build_dir"
fi
export QT_QPA_PLATFORM=offscreen
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
