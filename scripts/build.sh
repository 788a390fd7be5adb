#!/usr/bin/env bash
# Configures and builds into a folder (default: build). Extra arguments go to CMake.
#   scripts/build.sh [BUILD_DIR] [-DOPTION=VALUE ...]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
cmake -S . -B "$build_dir" -G Ninja "$@" >/dev/null
cmake --build "$build_dir"
