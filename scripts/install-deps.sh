#!/usr/bin/env bash
# Installs what the suite needs to build, test and benchmark on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libfftw3-dev
  flac
  lame mpg123 # encoder and reference decoder of the Layer III tests
)

case "${1:-}" in
  --fuzz) packages+=(clang libclang-rt-dev) ;;
  --bench) packages+=(ffmpeg sox mpg123 lame) ;; # the peers of the playback, de-noiser and decoder benchmarks
esac

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_if_needed apt-get update -qq
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
