#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: the host scans its program
# directory and loads every plug-in it finds through its own chain-slot code.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DLUMISETT_TESTS=OFF -DLUMISETT_BENCH=OFF
build/bin/quorvex --list-plugins
