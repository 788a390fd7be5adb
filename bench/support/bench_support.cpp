#include "bench/support/bench_support.h"

#include "host/source/wav_file.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <numbers>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lumisett::bench {

// ---- programs ------------------------------------------------------------------------------

namespace {

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// Starts the program with standard output and error on /dev/null; -1 when it cannot start.
// posix_spawn rather than fork: the child never runs our code, so it neither copies our
// memory nor writes our unflushed output a second time.
pid_t StartQuietly(const std::vector<std::string>& command) {
    if (command.empty()) return -1;
    std::vector<char*> argv;
    for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawned == 0 ? child : -1;
}

} // namespace

ProcessUse RunProgram(const std::vector<std::string>& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = StartQuietly(command);
    int status = 0;
    struct rusage use {};
    if (child < 0 || ::wait4(child, &status, 0, &use) != child) {
        return {};
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, wall, Seconds(use.ru_utime) + Seconds(use.ru_stime)};
}

ScratchFolder::ScratchFolder(const std::string& prefix) {
    std::error_code error;
    const auto temporary = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (temporary / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern + "/";
    }
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (ok()) std::filesystem::remove_all(path_, ignored);
}

// ---- signals and files ---------------------------------------------------------------------

std::vector<double> ChordMusic(int seconds) {
    const int pairs = seconds * kRate;
    std::vector<double> out(2 * static_cast<std::size_t>(pairs), 0.0);
    const double roots[] = {220.0, 261.63, 196.0, 246.94, 174.61, 293.66};
    const double third[] = {1.25, 1.2, 1.25, 1.2, 1.25, 1.2};
    const int noteLength = kRate / 2;
    for (int note = 0; note * noteLength < pairs; ++note) {
        const double root = roots[note % 6];
        for (int c = 0; c < 2; ++c) {
            const double freqs[] = {root, root * third[note % 6], root * 1.5, root * 2.0 * (c + 1)};
            for (double f : freqs) {
                for (int h = 1; h <= 6; ++h) {
                    if (f * h > 15000) break;
                    const double amp = 1500.0 / (h * h * 0.7 + 0.3);
                    for (int i = 0; i < noteLength && note * noteLength + i < pairs; ++i) {
                        const double t = static_cast<double>(i) / kRate;
                        const double envelope = std::min(1.0, t / 0.01) * std::exp(-t * (1.5 + 0.6 * h));
                        out[2 * static_cast<std::size_t>(note * noteLength + i) + c] +=
                            amp * envelope * std::sin(2 * std::numbers::pi * f * h * t + c);
                    }
                }
            }
        }
    }
    return out;
}

Samples ToSamples(const std::vector<double>& values) {
    Samples out(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[i] = static_cast<std::int16_t>(std::lrint(std::clamp(values[i], -32768.0, 32767.0)));
    }
    return out;
}

bool WriteStereoWav(const std::string& path, const Samples& samples) {
    return host::WriteWavFile(path, host::WavAudio{2, kRate, samples});
}

std::optional<Samples> ReadStereoWav(const std::string& path) {
    host::WavReadResult read = host::ReadWavFile(path);
    if (!read.ok() || read.audio.channels != 2) {
        return std::nullopt;
    }
    return std::move(read.audio.samples);
}

// ---- measures ------------------------------------------------------------------------------

double SnrDb(const Samples& clean, const Samples& out, std::size_t from, std::size_t to, std::size_t lag) {
    const std::size_t outHolds = out.size() > lag ? out.size() - lag : 0;
    to = std::min({to, clean.size(), outHolds});
    if (from >= to) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double signal = 0;
    double error = 0;
    for (std::size_t i = from; i < to; ++i) {
        signal += static_cast<double>(clean[i]) * clean[i];
        const double d = static_cast<double>(out[i + lag]) - clean[i];
        error += d * d;
    }
    return error > 0 ? 10 * std::log10(signal / error) : std::numeric_limits<double>::infinity();
}

// ---- printing ------------------------------------------------------------------------------

void SpeedTable::PrintHeading() const {
    std::printf("\nRender speed, %.0f s of stereo at 44.1 kHz, processor time on one core\n", audioSeconds);
}

void SpeedTable::PrintRow(const char* name, const ProcessUse& run) const {
    if (!run.ok || run.cpuSeconds <= 0) {
        std::printf("%-*s   n/a\n", nameWidth, name);
    } else {
        std::printf("%-*s %8.1fx real time (%.3f s)\n", nameWidth, name, audioSeconds / run.cpuSeconds,
                    run.cpuSeconds);
    }
}

void PrintRatio(double ours, double peer) { std::printf("  ratio ours / peer: %.2f\n", ours / peer); }

void PrintPeerMissing(const char* program) {
    std::printf("  peer not measured (is %s installed?)\n", program);
}

// ---- Google Benchmark ----------------------------------------------------------------------

void ReportProgramRun(benchmark::State& state, const ProcessUse& use) {
    state.SetIterationTime(use.wallSeconds);
    if (!use.ok) state.SkipWithError("the program did not run to its end");
}

void TimesReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
        std::string name = run.run_name.function_name;
        if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
        realTimes_[name] = run.GetAdjustedRealTime();
    }
}

double TimesReporter::RealTime(const std::string& name) const {
    const auto found = realTimes_.find(name);
    return found == realTimes_.end() ? 0.0 : found->second;
}

} // namespace lumisett::bench
