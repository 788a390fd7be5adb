#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# each for a fixed time (default 60 seconds each).
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/install-deps.sh --fuzz
build_dir=build-fuzz
targets=(crescor_fuzz descriptor_fuzz settings_fuzz source_fuzz ulx3_fuzz)
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMISETT_SANITIZE=address,undefined -DLUMISETT_FUZZ=ON -DLUMISETT_TESTS=OFF \
  -DLUMISETT_BENCH=OFF >/dev/null
cmake --build "$build_dir" --target "${targets[@]}"
mkdir -p "$build_dir/fuzz-corpus"
failed=0
for name in "${targets[@]}"; do
  target="$build_dir/fuzz/$name"
  corpus="$build_dir/fuzz-corpus/$name"
  mkdir -p "$corpus"
  # Start from the shipped seeds: valid files reach far deeper than random bytes.
  if [ -d "tests/fuzz/seeds/$name" ]; then cp -n tests/fuzz/seeds/"$name"/* "$corpus"/; fi
  # The decoder starts from the compliance streams.
  if [ "$name" = ulx3_fuzz ] && [ -d ../shared/testdata/mp3-conformance ]; then
    cp -n ../shared/testdata/mp3-conformance/*.bit "$corpus"/
  fi
  echo "== $name for ${seconds}s =="
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       "$corpus" >"$build_dir/$name.log" 2>&1; then
    echo "$name found a problem:"; tail -n 40 "$build_dir/$name.log"; failed=1
  else
    grep -E "stat::number_of_executed_units" "$build_dir/$name.log" || true
  fi
done
exit $failed
