#!/usr/bin/env bash
# Installs what is needed, builds, and runs the main job: the demo recording (made by the
# build) is rendered through the DC-offset remover, headless, into build/demo-restored.wav;
# with a display, quorvex then opens on the demo and plays it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DLUMISETT_TESTS=OFF -DLUMISETT_BENCH=OFF
build/bin/quorvex --list-plugins
build/bin/quorvex --render build/bin/demo.wav build/demo-restored.wav --chain zeroline
echo "The restored demo is in build/demo-restored.wav (the damaged original: build/bin/demo.wav)."
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  build/bin/quorvex build/bin/demo.wav
fi
