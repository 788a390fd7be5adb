// The de-scratcher on signals with known damage, beside ffmpeg's adeclick on the same files.
//
// Quality: a clean synthetic music-like stereo signal; the same with clicks (impulses of 1 to
// 20 samples, random amplitude and shape, about ten per second); the same with crackle (dense
// bursts of 1 to 4 samples). Each goes through `quorvex --render ... --chain declicker` with the
// plug-in's default settings (a program directory of its own, without a parameter file) and
// through `ffmpeg -af adeclick` with its defaults. Printed: the SNR against the clean signal
// before and after, the clicks left, and on the clean signal the samples each one changed.
//
// Speed: the render of a longer file through the de-scratcher alone, and adeclick on it, both
// pinned to one core; the figure is seconds of audio per second of processor time.
//
//   declicker_bench [--seconds N] [--quality-seconds M]   (defaults 60 and 20)

#include "bench/support/bench_support.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using lumisett::bench::kRate;
using lumisett::bench::ProcessUse;
using lumisett::bench::RunProgram;
using lumisett::bench::Samples;

constexpr double kTwoPi = 6.283185307179586;
int g_seconds = 60;
int g_qualitySeconds = 20;

// ---- processes ---------------------------------------------------------------------------

std::vector<std::string> OnOneCore(std::vector<std::string> command) {
    if (fs::exists("/usr/bin/taskset")) {
        command.insert(command.begin(), {"/usr/bin/taskset", "-c", "0"});
    }
    return command;
}

// A program directory of the bench's own: the host and the plug-in, no parameter file, so
// the plug-in runs with its defaults whatever the build's program directory holds.
// It goes, with all the bench wrote there, when the program ends.
const fs::path& Folder() {
    static const lumisett::bench::ScratchFolder scratch("lumisett-declicker-bench");
    static const fs::path folder = [] {
        if (!scratch.ok()) {
            std::fprintf(stderr, "declicker_bench: cannot make a folder for the program and its files\n");
            std::exit(1);
        }
        const fs::path path = scratch.Path();
        for (const char* file : {"quorvex", "declicker.so", "declicker.eff", "declicker.hlp"}) {
            std::error_code error;
            fs::copy_file(fs::path(LUMISETT_PROGRAM_DIR) / file, path / file, error);
            if (error) { // most likely the host or the plug-in is not built yet
                std::fprintf(stderr, "declicker_bench: cannot copy %s from %s: %s\n", file, LUMISETT_PROGRAM_DIR,
                             error.message().c_str());
                std::exit(1);
            }
        }
        return path;
    }();
    return folder;
}

std::string PathOf(const std::string& name) { return (Folder() / name).string(); }

std::vector<std::string> OursCommand(const std::string& in, const std::string& out) {
    return OnOneCore({PathOf("quorvex"), "--render", in, out, "--chain", "declicker"});
}

std::vector<std::string> PeerCommand(const std::string& in, const std::string& out) {
    return OnOneCore({"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-threads", "1",
                      "-filter_threads", "1", "-i", in, "-af", "adeclick", "-c:a", "pcm_s16le", out});
}

// ---- signals -----------------------------------------------------------------------------

// Three voices of harmonic notes with soft attacks, decays and vibrato, panned apart, over a
// noise floor of a couple of LSB.
Samples Music(int seconds) {
    const std::size_t pairs = static_cast<std::size_t>(seconds) * kRate;
    std::vector<double> left(pairs, 0.0), right(pairs, 0.0);
    std::mt19937 random(1970);
    const double scale[] = {110.0, 123.47, 146.83, 164.81, 196.0, 220.0, 246.94, 293.66, 329.63, 392.0, 440.0, 587.33};
    std::uniform_int_distribution<int> pick(0, 11);
    std::uniform_real_distribution<double> length(0.18, 0.6);
    for (int voice = 0; voice < 3; ++voice) {
        const double pan = 0.2 + 0.3 * voice;
        const double octave = voice == 2 ? 2.0 : 1.0;
        for (double t = 0; t < seconds;) {
            const double duration = length(random);
            const double f = scale[pick(random)] * octave;
            const auto first = static_cast<std::size_t>(t * kRate);
            const auto last = std::min(pairs, static_cast<std::size_t>((t + duration + 0.4) * kRate));
            double phase = 0;
            for (std::size_t i = first; i < last; ++i) {
                const double age = static_cast<double>(i - first) / kRate;
                const double envelope = std::min(1.0, age / 0.012) * std::exp(-age * 3.0);
                phase += kTwoPi * f * (1 + 0.003 * std::sin(kTwoPi * 5.0 * age)) / kRate;
                double v = 0;
                for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / std::pow(h, 1.5);
                v *= 3500 * envelope;
                left[i] += v * (1 - pan);
                right[i] += v * pan;
            }
            t += duration;
        }
    }
    std::uniform_real_distribution<double> dither(-1.0, 1.0);
    Samples out(2 * pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        const double fade = std::min(1.0, std::min(i, pairs - 1 - i) / (0.05 * kRate));
        out[2 * i] = static_cast<std::int16_t>(std::lround(std::clamp(left[i] * fade + dither(random) + dither(random), -32768.0, 32767.0)));
        out[2 * i + 1] = static_cast<std::int16_t>(std::lround(std::clamp(right[i] * fade + dither(random) + dither(random), -32768.0, 32767.0)));
    }
    return out;
}

struct Click {
    std::size_t start = 0;
    int length = 0;
    int peak = 0;
};

std::int16_t Saturated(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

// About ten clicks per second in both channels: 1 to 20 samples, rectangular, triangular,
// decaying or ringing, of random sign and size.
Samples WithClicks(Samples s, std::vector<Click>& clicks) {
    std::mt19937 random(26031970);
    std::uniform_real_distribution<double> gap(0.05, 0.15);
    std::uniform_int_distribution<int> length(1, 20);
    std::uniform_int_distribution<int> shape(0, 3);
    std::uniform_real_distribution<double> size(1500, 16000);
    std::uniform_real_distribution<double> balance(0.6, 1.0);
    const std::size_t pairs = s.size() / 2;
    for (double t = 0.2; t < static_cast<double>(pairs) / kRate - 0.2; t += gap(random)) {
        Click click{static_cast<std::size_t>(t * kRate), length(random), 0};
        const double amplitude = size(random) * (random() % 2 == 0 ? 1 : -1);
        const int form = shape(random);
        const double share[2] = {balance(random), balance(random)};
        for (int j = 0; j < click.length; ++j) {
            const double x = click.length > 1 ? static_cast<double>(j) / (click.length - 1) : 0.0;
            double v = amplitude;
            if (form == 1) v *= 1 - std::abs(2 * x - 1);
            if (form == 2) v *= std::exp(-4 * x);
            if (form == 3) v *= std::cos(kTwoPi * j / 4.0) * std::exp(-3 * x);
            for (int c = 0; c < 2; ++c) {
                auto& sample = s[2 * (click.start + static_cast<std::size_t>(j)) + static_cast<std::size_t>(c)];
                sample = Saturated(sample + v * share[c]);
            }
        }
        click.peak = static_cast<int>(std::abs(amplitude));
        clicks.push_back(click);
    }
    return s;
}

// Crackle: about 150 short bursts per second and channel, 1 to 4 samples of 150 to 1500.
Samples WithCrackle(Samples s) {
    std::mt19937 random(1943);
    std::uniform_int_distribution<std::size_t> gap(30, 560);
    std::uniform_int_distribution<int> length(1, 4);
    std::uniform_real_distribution<double> size(150, 1500);
    for (int c = 0; c < 2; ++c) {
        for (std::size_t i = 2000; i + 2000 < s.size() / 2; i += gap(random)) {
            const int n = length(random);
            const double sign = random() % 2 == 0 ? 1 : -1;
            for (int j = 0; j < n; ++j) {
                auto& sample = s[2 * (i + static_cast<std::size_t>(j)) + static_cast<std::size_t>(c)];
                sample = Saturated(sample + sign * size(random));
            }
        }
    }
    return s;
}

// ---- measures ----------------------------------------------------------------------------

// The edges are left out: both programs see the file start after silence and end in it.
constexpr std::size_t kEdgePairs = 8192;

double Snr(const Samples& clean, const Samples& x) {
    return lumisett::bench::SnrDb(clean, x, 2 * kEdgePairs, clean.size() - 2 * kEdgePairs);
}

// Lag (in pairs) of `out` behind `in`, where the two agree best over a stretch in the middle.
long LagOf(const Samples& in, const Samples& out) {
    const std::size_t from = in.size() / 4;
    long best = 0;
    double bestError = INFINITY;
    for (long lag = -2048; lag <= 2048; ++lag) {
        double error = 0;
        for (std::size_t i = from; i < from + 2 * 8192; ++i) {
            const long j = static_cast<long>(i) + 2 * lag;
            if (j < 0 || static_cast<std::size_t>(j) >= out.size()) { error = INFINITY; break; }
            const double e = static_cast<double>(out[static_cast<std::size_t>(j)]) - in[i];
            error += e * e;
        }
        if (error < bestError) { bestError = error; best = lag; }
    }
    return best;
}

Samples Aligned(const Samples& out, long lag, std::size_t size) {
    Samples aligned(size, 0);
    for (std::size_t i = 0; i < size; ++i) {
        const long j = static_cast<long>(i) + 2 * lag;
        if (j >= 0 && static_cast<std::size_t>(j) < out.size()) aligned[i] = out[static_cast<std::size_t>(j)];
    }
    return aligned;
}

// A click is left when the output still strays from the clean signal over its span by more
// than a quarter of its size (and more than 300).
int ClicksLeft(const Samples& clean, const Samples& out, const std::vector<Click>& clicks) {
    int left = 0;
    for (const Click& click : clicks) {
        int worst = 0;
        for (std::size_t i = click.start; i < click.start + static_cast<std::size_t>(click.length); ++i) {
            for (std::size_t c = 0; c < 2; ++c) worst = std::max(worst, std::abs(out[2 * i + c] - clean[2 * i + c]));
        }
        left += worst > std::max(300, click.peak / 4) ? 1 : 0;
    }
    return left;
}

struct Changed {
    std::size_t any = 0;
    std::size_t beyond2 = 0;
    std::size_t total = 0;
};
Changed ChangedSamples(const Samples& clean, const Samples& out) {
    Changed changed;
    for (std::size_t i = 2 * kEdgePairs; i + 2 * kEdgePairs < clean.size(); ++i) {
        const int d = std::abs(out[i] - clean[i]);
        changed.any += d != 0;
        changed.beyond2 += d > 2;
        ++changed.total;
    }
    return changed;
}

// ---- runs --------------------------------------------------------------------------------

struct ToolRun {
    bool ok = false;
    Samples out;
};

ToolRun RunTool(bool ours, const std::string& in, const std::string& name) {
    const std::string out = PathOf(name);
    const ProcessUse use = RunProgram(ours ? OursCommand(in, out) : PeerCommand(in, out));
    std::optional<Samples> read = lumisett::bench::ReadStereoWav(out);
    fs::remove(out);
    return {use.ok && read, read.value_or(Samples{})};
}

std::string SpeedFile() {
    static const std::string path = [] {
        const std::string file = PathOf("speed.wav");
        lumisett::bench::WriteStereoWav(file, WithCrackle(Music(g_seconds)));
        return file;
    }();
    return path;
}

ProcessUse g_oursSpeed;
ProcessUse g_peerSpeed;

void Report(benchmark::State& state, const ProcessUse& use) {
    state.counters["x_realtime_cpu"] = use.cpuSeconds > 0 ? g_seconds / use.cpuSeconds : 0;
    lumisett::bench::ReportProgramRun(state, use);
}

void BM_QuorvexRenderDeclicker(benchmark::State& state) {
    for (auto _ : state) {
        g_oursSpeed = RunProgram(OursCommand(SpeedFile(), PathOf("speed-ours.wav")));
        Report(state, g_oursSpeed);
    }
}
BENCHMARK(BM_QuorvexRenderDeclicker)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_PeerFfmpegAdeclick(benchmark::State& state) {
    for (auto _ : state) {
        g_peerSpeed = RunProgram(PeerCommand(SpeedFile(), PathOf("speed-peer.wav")));
        Report(state, g_peerSpeed);
    }
}
BENCHMARK(BM_PeerFfmpegAdeclick)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void PrintQuality() {
    const Samples clean = Music(g_qualitySeconds);
    std::vector<Click> clicks;
    const Samples clicked = WithClicks(clean, clicks);
    const Samples crackled = WithCrackle(clean);
    struct Input {
        const char* name;
        const Samples* samples;
    };
    const Input inputs[] = {{"clean", &clean}, {"clicks", &clicked}, {"crackle", &crackled}};
    for (const Input& input : inputs) {
        lumisett::bench::WriteStereoWav(PathOf(std::string(input.name) + ".wav"), *input.samples);
    }

    std::printf("\nrestoration, %d s of 44.1 kHz stereo, %zu clicks (%.1f per second):\n", g_qualitySeconds,
                clicks.size(), static_cast<double>(clicks.size()) / g_qualitySeconds);
    std::printf("  SNR against the clean signal, damaged: clicks %.2f dB, crackle %.2f dB\n",
                Snr(clean, clicked), Snr(clean, crackled));
    for (const bool ours : {true, false}) {
        const char* who = ours ? "declicker (defaults)" : "ffmpeg adeclick (peer)";
        ToolRun runs[3];
        for (int k = 0; k < 3; ++k) {
            runs[k] = RunTool(ours, PathOf(std::string(inputs[k].name) + ".wav"), std::string("out-") + inputs[k].name + ".wav");
        }
        if (!runs[0].ok || !runs[1].ok || !runs[2].ok) {
            std::printf("  %-24s did not run (is ffmpeg installed?)\n", who);
            continue;
        }
        const long lag = LagOf(clean, runs[0].out);
        const Samples outClean = Aligned(runs[0].out, lag, clean.size());
        const Samples outClicks = Aligned(runs[1].out, lag, clean.size());
        const Samples outCrackle = Aligned(runs[2].out, lag, clean.size());
        const Changed changed = ChangedSamples(clean, outClean);
        std::printf("  %-24s lag %ld | clicks: SNR %.2f dB, left %d of %zu | crackle: SNR %.2f dB | "
                    "clean: SNR %.2f dB, %zu of %zu samples changed (%.3f %%), %zu by more than 2\n",
                    who, lag, Snr(clean, outClicks), ClicksLeft(clean, outClicks, clicks), clicks.size(),
                    Snr(clean, outCrackle), Snr(clean, outClean), changed.any, changed.total, 100.0 * changed.any / changed.total,
                    changed.beyond2);
    }
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::string(argv[i]) == "--seconds") g_seconds = std::max(1, std::atoi(argv[i + 1]));
        if (std::string(argv[i]) == "--quality-seconds") g_qualitySeconds = std::max(2, std::atoi(argv[i + 1]));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();

    std::printf("\nspeed, %d s of 44.1 kHz stereo with crackle, one core (audio seconds per processor second):\n", g_seconds);
    auto factor = [](const ProcessUse& use) { return use.cpuSeconds > 0 ? g_seconds / use.cpuSeconds : 0.0; };
    std::printf("  quorvex --render --chain declicker: %8.1fx real time (wall %.3f s)  (target: 200x or more)\n",
                factor(g_oursSpeed), g_oursSpeed.wallSeconds);
    if (g_peerSpeed.ok) {
        std::printf("  ffmpeg -af adeclick (peer):         %8.1fx real time (wall %.3f s)\n", factor(g_peerSpeed),
                    g_peerSpeed.wallSeconds);
        lumisett::bench::PrintRatio(factor(g_oursSpeed), factor(g_peerSpeed));
    } else {
        lumisett::bench::PrintPeerMissing("ffmpeg");
    }
    PrintQuality();
    return 0;
}
