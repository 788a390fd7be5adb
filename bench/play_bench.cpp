// Headless playback at real-time pacing: the processor time quorvex --play takes for a WAV
// through an empty chain on the null device, beside ffmpeg reading the same file at its native
// rate (-re) into its null output. Both run for the file's duration; the figure is processor
// time as a share of one core.
//   play_bench [--seconds N]   (default 10)

#include "host/source/wav_file.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

int g_seconds = 10;

struct ProcessUse {
    bool ok = false;
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double CorePercent() const { return wallSeconds > 0 ? 100.0 * cpuSeconds / wallSeconds : 0; }
};

// Runs a program to its end, with its output discarded, and measures it.
ProcessUse Measure(const std::vector<std::string>& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        std::_Exit(127);
    }
    int status = 0;
    struct rusage use {};
    if (child < 0 || ::wait4(child, &status, 0, &use) != child) {
        return {};
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                       static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, wall, cpu};
}

std::string TestFile() {
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "lumisett-play-bench.wav").string();
        lumisett::host::WavAudio audio{2, 44100, {}};
        for (int i = 0; i < 44100 * g_seconds; ++i) {
            const auto sample = static_cast<int16_t>(12000 * std::sin(i * 2 * 3.14159265 * 440 / 44100));
            audio.samples.push_back(sample);
            audio.samples.push_back(sample);
        }
        lumisett::host::WriteWavFile(file, audio);
        return file;
    }();
    return path;
}

ProcessUse g_ours;
ProcessUse g_peer;

void Report(benchmark::State& state, const ProcessUse& use) {
    state.SetIterationTime(use.wallSeconds);
    state.counters["core_percent"] = use.CorePercent();
    if (!use.ok) state.SkipWithError("the program did not run to its end");
}

void BM_QuorvexPlayNullDevice(benchmark::State& state) {
    for (auto _ : state) {
        g_ours = Measure({LUMISETT_PROGRAM_DIR "quorvex", "--play", TestFile(), "--device", "null"});
        Report(state, g_ours);
    }
}
BENCHMARK(BM_QuorvexPlayNullDevice)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PeerFfmpegRealTimeToNull(benchmark::State& state) {
    for (auto _ : state) {
        g_peer = Measure({"ffmpeg", "-nostdin", "-loglevel", "error", "-re", "-i", TestFile(), "-f", "null", "-"});
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
    std::printf("  quorvex --play (null device, empty chain): %6.3f %%  (target: under 2 %%)\n", g_ours.CorePercent());
    std::printf("  ffmpeg -re to its null output (peer):      %6.3f %%\n", g_peer.CorePercent());
    if (g_peer.CorePercent() > 0) {
        std::printf("  ratio ours / peer: %.2f\n", g_ours.CorePercent() / g_peer.CorePercent());
    } else {
        std::printf("  peer not measured (is ffmpeg installed?)\n");
    }
    std::remove(TestFile().c_str());
    return 0;
}
