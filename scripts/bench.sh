#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all; each prints our figure beside its
# peer's from the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --bench
scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DLUMISETT_TESTS=OFF
for bench in crescor_bench fft_bench spectral_bench play_bench declicker_bench denoise_bench hilofilt_bench ulx3_bench; do
  echo "== $bench =="
  build-release/bench/$bench
done
