// Headless playback at real-time pacing: the processor time quorvex --play takes for a WAV
// through an empty chain on the null device, beside ffmpeg reading the same file at its native
// rate (-re) into its null output. Both run for the file's duration; the figure is processor
// time as a share of one core.
//   play_bench [--seconds N]   (default 10)

#include "bench/support/bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using lumisett::bench::ProcessUse;
using lumisett::bench::RunProgram;

int g_seconds = 10;

double CorePercent(const ProcessUse& use) {
    return use.wallSeconds > 0 ? 100.0 * use.cpuSeconds / use.wallSeconds : 0;
}

std::string TestFile() {
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "lumisett-play-bench.wav").string();
        lumisett::bench::Samples samples;
        for (int i = 0; i < 44100 * g_seconds; ++i) {
            const auto sample = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265 * 440 / 44100));
            samples.push_back(sample);
            samples.push_back(sample);
        }
        lumisett::bench::WriteStereoWav(file, samples);
        return file;
    }();
    return path;
}

ProcessUse g_ours;
ProcessUse g_peer;

void Report(benchmark::State& state, const ProcessUse& use) {
    state.counters["core_percent"] = CorePercent(use);
    lumisett::bench::ReportProgramRun(state, use);
}

void BM_QuorvexPlayNullDevice(benchmark::State& state) {
    for (auto _ : state) {
        g_ours = RunProgram({LUMISETT_PROGRAM_DIR "quorvex", "--play", TestFile(), "--device", "null"});
        Report(state, g_ours);
    }
}
BENCHMARK(BM_QuorvexPlayNullDevice)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PeerFfmpegRealTimeToNull(benchmark::State& state) {
    for (auto _ : state) {
        g_peer = RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-i", TestFile(), "-f", "null", "-"});
        Report(state, g_peer);
    }
}
BENCHMARK(BM_PeerFfmpegRealTimeToNull)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") g_seconds = std::max(1, std::atoi(argv[i + 1]));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::printf("\nprocessor share of one core while playing %d s in real time:\n", g_seconds);
    std::printf("  quorvex --play (null device, empty chain): %6.3f %%  (target: under 2 %%)\n", CorePercent(g_ours));
    std::printf("  ffmpeg -re to its null output (peer):      %6.3f %%\n", CorePercent(g_peer));
    if (CorePercent(g_peer) > 0) {
        lumisett::bench::PrintRatio(CorePercent(g_ours), CorePercent(g_peer));
    } else {
        lumisett::bench::PrintPeerMissing("ffmpeg");
    }
    std::remove(TestFile().c_str());
    return 0;
}
