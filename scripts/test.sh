#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite. Window tests run under Qt's
# offscreen platform, so no display is needed; no test needs a sound card.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer and UndefinedBehaviorSanitizer in build-asan/
#   scripts/test.sh --threads    ThreadSanitizer in build-tsan/, on the tests of the code that
#                                runs on more than one thread (engine, devices, chain, slots)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if [ "${1:-}" = "--sanitize" ]; then
  build_dir=build-asan
  scripts/build.sh "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DLUMISETT_SANITIZE=address,undefined -DLUMISETT_TESTS=ON \
    -DLUMISETT_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
elif [ "${1:-}" = "--threads" ]; then
  build_dir=build-tsan
  threaded_tests=(host_engine_test host_headless_play_test host_plugins_test platform_audio_test
                  denoise_core_test denoise_play_test analyzer_core_test hilofilt_core_test analyzer_plugin_test
                  hilofilt_play_test)
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMISETT_SANITIZE=thread \
    -DLUMISETT_BENCH=OFF >/dev/null
  cmake --build "$build_dir" --target "${threaded_tests[@]}" zeroline recorder recorder_noinit \
    recorder_minimal fake_ulx3 fake_ulx3_noexit
  export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
  export QT_QPA_PLATFORM=offscreen
  cd "$build_dir"
  ctest --output-on-failure -j "$(nproc)" -R "^(AudioEngine|Transport|HeadlessPlay|ChainSlots|Null|Alsa|Clock|DeviceQueue|Simulated|DenoiserThreads|ResponseFilterThreads|AnalyzerWatch|LoadedAnalyzerThreads)"
  exit
else
  build_dir=build
  scripts/build.sh "$build_dir" -DLUMISETT_TESTS=ON -DLUMISETT_BENCH=ON -DLUMISETT_SANITIZE=
fi
export QT_QPA_PLATFORM=offscreen
cd "$build_dir"
ctest --output-on-failure -j "$(nproc)"
