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

#include "host/source/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using lumisett::host::ReadWavFile;
using lumisett::host::WavAudio;
using lumisett::host::WriteWavFile;

constexpr int kRate = 44100;
constexpr int kSeconds = 6;
constexpr double kOffset = 1500.0;     // about -27 dBFS of DC
constexpr double kRumble = 3000.0;     // 20 Hz, about -21 dBFS peak
constexpr double kRumbleHz = 20.0;
const std::string kProgramDir = LUMISETT_PROGRAM_DIR;

struct Run {
    bool ok = false;
    double cpuSeconds = 0;
};

Run Execute(const std::vector<std::string>& command) {
    std::fflush(stdout); // or the child would print our buffered lines once more
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
    const double cpu = static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
                       static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, cpu};
}

// Chords of harmonic tones with soft attacks and decays, a different voicing per channel,
// every partial above 170 Hz. Peaks near -6 dBFS.
std::vector<double> Music(int seconds) {
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

// The clean signal with the offset and the rumble added to both channels.
std::vector<double> WithRumble(const std::vector<double>& clean) {
    std::vector<double> out(clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const double t = static_cast<double>(i / 2) / kRate;
        out[i] = clean[i] + kOffset + kRumble * std::sin(2 * std::numbers::pi * kRumbleHz * t + 0.3 * (i % 2));
    }
    return out;
}

std::vector<int16_t> ToSamples(const std::vector<double>& v) {
    std::vector<int16_t> out(v.size());
    for (std::size_t i = 0; i < v.size(); ++i) {
        out[i] = static_cast<int16_t>(std::lrint(std::clamp(v[i], -32768.0, 32767.0)));
    }
    return out;
}

// The span that is judged: after one second (every filter settled), short of the last tenth.
struct Span {
    std::size_t from;
    std::size_t to;
};
Span Judged(std::size_t size, std::size_t lag) {
    return {2 * static_cast<std::size_t>(kRate), std::min(size - 2 * lag, size) - 2 * static_cast<std::size_t>(kRate / 10)};
}

double SnrAt(const std::vector<int16_t>& clean, const std::vector<int16_t>& out, std::size_t lag) {
    const Span span = Judged(std::min(out.size(), clean.size()), lag);
    double signal = 0;
    double error = 0;
    for (std::size_t i = span.from; i < span.to; ++i) {
        signal += static_cast<double>(clean[i]) * clean[i];
        const double d = static_cast<double>(out[i + 2 * lag]) - clean[i];
        error += d * d;
    }
    return 10 * std::log10(signal / std::max(error, 1e-9));
}

// The amplitude of the rumble's frequency over the judged span, in dB against what went in.
double RumbleLeft(const std::vector<int16_t>& out, std::size_t lag) {
    const Span span = Judged(out.size(), lag);
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
std::optional<Result> Judge(const std::vector<int16_t>& clean, const std::string& path) {
    const auto read = ReadWavFile(path);
    if (!read.ok() || read.audio.channels != 2) {
        return std::nullopt;
    }
    const auto& out = read.audio.samples;
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
    const std::string dir = (std::filesystem::temp_directory_path() / "lumisett-hilofilt-bench/").string();
    std::filesystem::create_directories(dir);
    const std::string quorvex = kProgramDir + "quorvex";

    const auto cleanValues = Music(kSeconds);
    const auto clean = ToSamples(cleanValues);
    const std::string input = dir + "rumble.wav";
    WriteWavFile(input, WavAudio{2, kRate, ToSamples(WithRumble(cleanValues))});
    const auto before = Judge(clean, input);
    if (!before) {
        std::fprintf(stderr, "the input could not be read back\n");
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
        PrintRow(o.name, Execute(command).ok ? Judge(clean, dir + "ours.wav") : std::nullopt, before->snr);
    }
    const bool soxRan = Execute({"sox", input, dir + "sox.wav", "sinc", "-t", "10", "30"}).ok;
    PrintRow("sox sinc -t 10 30 (linear phase)", soxRan ? Judge(clean, dir + "sox.wav") : std::nullopt, before->snr);
    const bool ffmpegRan = Execute({"ffmpeg", "-y", "-v", "error", "-i", input, "-af", "highpass=f=30", "-c:a",
                                    "pcm_s16le", dir + "ffmpeg.wav"}).ok;
    PrintRow("ffmpeg highpass=f=30 (two-pole IIR)", ffmpegRan ? Judge(clean, dir + "ffmpeg.wav") : std::nullopt,
             before->snr);

    // Speed: one minute of the same signal; processor time of the whole run.
    std::vector<double> minute;
    const auto rumbled = WithRumble(cleanValues);
    for (int k = 0; k < 10; ++k) minute.insert(minute.end(), rumbled.begin(), rumbled.end());
    const std::string longFile = dir + "minute.wav";
    WriteWavFile(longFile, WavAudio{2, kRate, ToSamples(minute)});
    const double seconds = static_cast<double>(minute.size() / 2) / kRate;
    const Run chain = Execute({quorvex, "--render", longFile, dir + "ours.wav", "--chain", "zeroline,hilofilt"});
    const Run copy = Execute({quorvex, "--render", longFile, dir + "ours.wav", "--chain", "zeroline"});
    const Run sox = Execute({"sox", longFile, dir + "sox.wav", "sinc", "-t", "10", "30"});
    const Run ffmpeg = Execute({"ffmpeg", "-y", "-v", "error", "-threads", "1", "-i", longFile, "-af",
                                "highpass=f=30", "-c:a", "pcm_s16le", dir + "ffmpeg.wav"});
    std::printf("\nRender speed, %.0f s of stereo at 44.1 kHz, processor time on one core\n", seconds);
    const auto speed = [&](const char* name, const Run& run) {
        if (!run.ok || run.cpuSeconds <= 0) {
            std::printf("%-44s   n/a\n", name);
        } else {
            std::printf("%-44s %8.1fx real time (%.3f s)\n", name, seconds / run.cpuSeconds, run.cpuSeconds);
        }
    };
    speed("quorvex, zeroline+hilofilt, N 2048", chain);
    speed("quorvex, zeroline alone (no spectral stage)", copy);
    speed("sox sinc -t 10 30", sox);
    speed("ffmpeg highpass=f=30", ffmpeg);
    std::filesystem::remove_all(dir);
    return 0;
}
