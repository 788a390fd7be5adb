// The low/high-pass filter's rumble removal beside two peers, from one run.
//
// A music-like stereo signal (chords of decaying harmonic tones, all above 170 Hz) with a DC
// offset and a 20 Hz rumble on top. For each tool, the SNR against the clean music and what is
// left of the rumble:
//   ours:    quorvex --render through zeroline and hilofilt (high-pass at 30 Hz; slope and
//            transform size as listed): zero phase, so the music keeps its waveform
//   sox:     sox IN OUT sinc -t 10 30   (a linear-phase FIR high-pass)
//   ffmpeg:  ffmpeg -af highpass=f=30   (a two-pole IIR high-pass: phase shift near 30 Hz)
// Each output is judged at its own best alignment (our render compensates its delay; peers
// may not).
//
// Speed: a 60-second file through the same chain at N = 2048: processor time per second of
// audio as a multiple of real time, one core, beside the peers.
//   hilofilt_bench

#include "bench/support/bench_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

namespace {

using lumisett::bench::kRate;
using lumisett::bench::ProcessUse;
using lumisett::bench::RunProgram;
using lumisett::bench::Samples;
using lumisett::bench::ToSamples;
using lumisett::bench::WriteStereoWav;

constexpr int kSeconds = 6;
constexpr double kOffset = 1500.0;     // about -27 dBFS of DC
constexpr double kRumble = 3000.0;     // 20 Hz, about -21 dBFS peak
constexpr double kRumbleHz = 20.0;
const std::string kProgramDir = LUMISETT_PROGRAM_DIR;

// The clean signal with the offset and the rumble added to both channels.
std::vector<double> WithRumble(const std::vector<double>& clean) {
    std::vector<double> out(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kRate;
        out[i] = clean[i] + kOffset + kRumble * std::sin(2 * std::numbers::pi * kRumbleHz * t + 0.3 * (i % 2));
    }
    return out;
}

// The span that is judged: after one second (every filter settled), short of the last tenth.
// Empty (to <= from) when an output is too short for the lag.
struct Span {
    std::size_t from;
    std::size_t to;
};
Span Judged(std::size_t size, std::size_t lag) {
    const std::size_t cut = 2 * lag + 2 * static_cast<std::size_t>(kRate / 10);
    return {2 * static_cast<std::size_t>(kRate), size > cut ? size - cut : 0};
}

double SnrAt(const Samples& clean, const Samples& out, std::size_t lag) {
    const Span span = Judged(std::min(out.size(), clean.size()), lag);
    return lumisett::bench::SnrDb(clean, out, span.from, span.to, 2 * lag);
}

// The amplitude of the rumble's frequency over the judged span, in dB against what went in.
double RumbleLeft(const Samples& out, std::size_t lag) {
    const Span span = Judged(out.size(), lag);
    if (span.to <= span.from) return std::numeric_limits<double>::quiet_NaN();
    double re = 0;
    double im = 0;
    for (std::size_t i = span.from; i < span.to; i += 2) {
        const double phase = 2 * std::numbers::pi * kRumbleHz * static_cast<double>(i / 2) / kRate;
        re += out[i + 2 * lag] * std::cos(phase);
        im += out[i + 2 * lag] * std::sin(phase);
    }
    const double amplitude = 2 * std::hypot(re, im) / static_cast<double>((span.to - span.from) / 2);
    return 20 * std::log10(std::max(amplitude, 1e-9) / kRumble);
}

struct Result {
    double snr = 0;
    double rumble = 0;
    std::size_t lag = 0;
};

// The lag (0 .. 4096 pairs) with the best SNR: found coarsely, then pair by pair.
std::optional<Result> Judge(const Samples& clean, const std::string& path) {
    const std::optional<Samples> read = lumisett::bench::ReadStereoWav(path);
    if (!read) {
        return std::nullopt;
    }
    const Samples& out = *read;
    std::size_t best = 0;
    for (std::size_t lag = 0; lag <= 4096; lag += 16) {
        if (SnrAt(clean, out, lag) > SnrAt(clean, out, best)) best = lag;
    }
    const std::size_t coarse = best;
    for (std::size_t lag = coarse > 16 ? coarse - 16 : 0; lag <= coarse + 16; ++lag) {
        if (SnrAt(clean, out, lag) > SnrAt(clean, out, best)) best = lag;
    }
    return Result{SnrAt(clean, out, best), RumbleLeft(out, best), best};
}

void PrintRow(const char* name, const std::optional<Result>& result, double before) {
    if (!result) {
        std::printf("%-44s %9s\n", name, "n/a");
        return;
    }
    std::printf("%-44s %+9.2f %11.1f %6zu\n", name, result->snr - before, result->rumble, result->lag);
}

}  // namespace

int main() {
    const lumisett::bench::ScratchFolder scratch("lumisett-hilofilt-bench");
    if (!scratch.ok()) {
        std::fprintf(stderr, "hilofilt_bench: cannot make a folder for the test files\n");
        return 1;
    }
    const std::string& dir = scratch.Path();
    const std::string quorvex = kProgramDir + "quorvex";

    const auto cleanValues = lumisett::bench::ChordMusic(kSeconds);
    const auto clean = ToSamples(cleanValues);
    const std::string input = dir + "rumble.wav";
    WriteStereoWav(input, ToSamples(WithRumble(cleanValues)));
    const auto before = Judge(clean, input); // nothing when the file could not be written
    if (!before) {
        std::fprintf(stderr, "hilofilt_bench: the input could not be written and read back\n");
        return 1;
    }

    std::printf("Rumble removal: music above 170 Hz with DC %+.0f and a %.0f Hz rumble of %.0f peak\n", kOffset,
                kRumbleHz, kRumble);
    std::printf("SNR in: %.2f dB. SNR improvement (dB), rumble left at 20 Hz (dB), alignment (pairs)\n\n",
                before->snr);
    std::printf("%-44s %9s %11s %6s\n", "tool", "SNR gain", "rumble left", "lag");

    struct Ours {
        const char* name;
        std::vector<std::string> options;
    };
    const Ours ours[] = {
        {"ours: zeroline+hilofilt 30 Hz/12, N 2048", {}},
        {"ours: zeroline+hilofilt 30 Hz/12, N 8192", {"--block", "8192", "--fft", "8192"}},
        {"ours: zeroline+hilofilt 30 Hz/24, N 8192", {"--block", "8192", "--fft", "8192", "--set", "hilofilt.hp_slope=24"}},
    };
    for (const Ours& o : ours) {
        std::vector<std::string> command{quorvex, "--render", input, dir + "ours.wav", "--chain", "zeroline,hilofilt",
                                         "--set", "hilofilt.hp_freq=30"};
        command.insert(command.end(), o.options.begin(), o.options.end());
        PrintRow(o.name, RunProgram(command).ok ? Judge(clean, dir + "ours.wav") : std::nullopt, before->snr);
    }
    const bool soxRan = RunProgram({"sox", input, dir + "sox.wav", "sinc", "-t", "10", "30"}).ok;
    PrintRow("sox sinc -t 10 30 (linear phase)", soxRan ? Judge(clean, dir + "sox.wav") : std::nullopt, before->snr);
    const bool ffmpegRan = RunProgram({"ffmpeg", "-y", "-v", "error", "-i", input, "-af", "highpass=f=30", "-c:a",
                                    "pcm_s16le", dir + "ffmpeg.wav"}).ok;
    PrintRow("ffmpeg highpass=f=30 (two-pole IIR)", ffmpegRan ? Judge(clean, dir + "ffmpeg.wav") : std::nullopt,
             before->snr);

    // Speed: one minute of the same signal; processor time of the whole run.
    std::vector<double> minute;
    const auto rumbled = WithRumble(cleanValues);
    for (int k = 0; k < 10; ++k) minute.insert(minute.end(), rumbled.begin(), rumbled.end());
    const std::string longFile = dir + "minute.wav";
    WriteStereoWav(longFile, ToSamples(minute));
    const double seconds = static_cast<double>(minute.size() / 2) / kRate;
    const ProcessUse chain =
        RunProgram({quorvex, "--render", longFile, dir + "ours.wav", "--chain", "zeroline,hilofilt"});
    const ProcessUse copy = RunProgram({quorvex, "--render", longFile, dir + "ours.wav", "--chain", "zeroline"});
    const ProcessUse sox = RunProgram({"sox", longFile, dir + "sox.wav", "sinc", "-t", "10", "30"});
    const ProcessUse ffmpeg = RunProgram({"ffmpeg", "-y", "-v", "error", "-threads", "1", "-i", longFile, "-af",
                                          "highpass=f=30", "-c:a", "pcm_s16le", dir + "ffmpeg.wav"});
    const lumisett::bench::SpeedTable table{seconds, 44};
    table.PrintHeading();
    table.PrintRow("quorvex, zeroline+hilofilt, N 2048", chain);
    table.PrintRow("quorvex, zeroline alone (no spectral stage)", copy);
    table.PrintRow("sox sinc -t 10 30", sox);
    table.PrintRow("ffmpeg highpass=f=30", ffmpeg);
    return 0;
}
