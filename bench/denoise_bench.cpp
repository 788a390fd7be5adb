// The de-noiser's quality and speed beside two peers, from one run.
//
// Quality: a clean music-like stereo signal (chords of decaying harmonic tones) with white
// noise at -40 and -30 dBFS and pink noise at -40 dBFS, each file with a noise-only first
// second. For each, the SNR improvement against the clean signal of
//   ours, preset:      quorvex --render through denoise with the white or pink profile
//   ours, learned:     ... with --learn 0-1 (the fingerprint of the first second)
//   afftdn:            ffmpeg -af afftdn=nr=20:nf=<the noise level>
//   sox noisered:      a profile from the same first second (noiseprof), amount 0.3
// at the plug-in's defaults and at the thresholds given with --threshold (dB, several; 14 when
// none is given).
//
// Speed: a 60-second file rendered through denoise at N = 2048 and overlap 0.5: processor
// time per second of audio as a multiple of real time, one core.
//   denoise_bench [--threshold DB ...] [--reduction PERCENT] [--fft N] [--overlap V]
// (quality at N = 2048, v = 0.5 unless given)

#include "bench/support/bench_support.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <random>
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
const std::string kProgramDir = LUMISETT_PROGRAM_DIR;

// Unit-RMS noise per channel: white, or pink by Voss-McCartney-like filtering.
std::vector<double> Noise(std::size_t samples, bool pink, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::vector<double> out(samples);
    double b[2][7] = {};
    for (std::size_t i = 0; i < samples; ++i) {
        const double w = gauss(rng);
        if (!pink) {
            out[i] = w;
            continue;
        }
        double* s = b[i % 2];
        s[0] = 0.99886 * s[0] + w * 0.0555179;
        s[1] = 0.99332 * s[1] + w * 0.0750759;
        s[2] = 0.96900 * s[2] + w * 0.1538520;
        s[3] = 0.86650 * s[3] + w * 0.3104856;
        s[4] = 0.55000 * s[4] + w * 0.5329522;
        s[5] = -0.7616 * s[5] - w * 0.0168980;
        out[i] = s[0] + s[1] + s[2] + s[3] + s[4] + s[5] + s[6] + w * 0.5362;
        s[6] = w * 0.115926;
    }
    double power = 0;
    for (double v : out) power += v * v;
    const double scale = 1.0 / std::sqrt(power / static_cast<double>(samples));
    for (double& v : out) v *= scale;
    return out;
}

// The delay of `out` against `clean` in pairs (0 .. 4096): the lag with the least error over
// half a second of music. Peers may delay their output; each is judged at its own alignment.
std::size_t Delay(const Samples& clean, const Samples& out) {
    const std::size_t from = 2 * static_cast<std::size_t>(2 * kRate);
    const std::size_t length = kRate; // samples of both channels: half a second
    std::size_t best = 0;
    double bestError = 1e300;
    for (std::size_t lag = 0; lag <= 4096; ++lag) {
        if (from + 2 * lag + length > out.size()) break;
        double error = 0;
        for (std::size_t i = 0; i < length; ++i) {
            const double d = static_cast<double>(clean[from + i]) - out[from + 2 * lag + i];
            error += d * d;
        }
        if (error < bestError) {
            bestError = error;
            best = lag;
        }
    }
    return best;
}

// SNR against the clean signal after the lead-in, leaving the edges out, at the output's own
// delay or at none, whichever is better (our render compensates its delay; peers may not).
std::optional<double> Snr(const Samples& clean, const std::string& path) {
    const std::optional<Samples> out = lumisett::bench::ReadStereoWav(path);
    if (!out) {
        return std::nullopt;
    }
    const std::size_t from = 2 * static_cast<std::size_t>(kRate + kRate / 10);
    const std::size_t tail = 2 * static_cast<std::size_t>(kRate / 10);
    const auto at = [&](std::size_t lag) { // lag <= out->size(): Delay keeps within the output
        const std::size_t end = std::min(out->size() - lag, clean.size());
        return lumisett::bench::SnrDb(clean, *out, from, end > tail ? end - tail : 0, lag);
    };
    return std::max(at(0), at(2 * Delay(clean, *out)));
}

std::string Cell(std::optional<double> snr, double before) {
    char text[32];
    if (!snr) return "   n/a";
    std::snprintf(text, sizeof text, "%+6.2f", *snr - before);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> thresholds;
    std::string reduction;
    std::string fft = "2048";
    std::string overlap = "0.5";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--threshold") thresholds.push_back(argv[i + 1]);
        if (option == "--reduction") reduction = argv[i + 1];
        if (option == "--fft") fft = argv[i + 1];
        if (option == "--overlap") overlap = argv[i + 1];
    }
    const lumisett::bench::ScratchFolder scratch("lumisett-denoise-bench");
    if (!scratch.ok()) {
        std::fprintf(stderr, "denoise_bench: cannot make a folder for the test files\n");
        return 1;
    }
    const std::string& dir = scratch.Path();
    const std::string quorvex = kProgramDir + "quorvex";

    const auto music = lumisett::bench::ChordMusic(kSeconds);
    std::vector<double> cleanValues = music;
    std::fill_n(cleanValues.begin(), 2 * kRate, 0.0); // the first second: noise alone
    const auto clean = ToSamples(cleanValues);

    struct Case {
        const char* name;
        bool pink;
        double dbfs;
    };
    const Case cases[] = {{"white -40 dBFS", false, -40}, {"white -30 dBFS", false, -30}, {"pink  -40 dBFS", true, -40}};
    // Without --threshold: the defaults, and 14 dB, where a learned fingerprint does best.
    if (thresholds.empty()) thresholds.push_back("14");
    std::vector<std::string> settings{""};
    for (const auto& t : thresholds) settings.push_back(t);

    std::printf("SNR improvement in dB against the clean signal (after the 1 s lead-in)\n");
    std::printf("%-15s %8s | %-9s %8s %8s | %8s %8s\n", "signal", "SNR in", "threshold", "preset", "learned",
                "afftdn", "sox");
    for (const Case& c : cases) {
        const auto noise = Noise(clean.size(), c.pink, 7);
        std::vector<double> noisyValues(clean.size());
        const double level = 32768.0 * std::pow(10.0, c.dbfs / 20.0);
        for (std::size_t i = 0; i < noisyValues.size(); ++i) noisyValues[i] = clean[i] + level * noise[i];
        const std::string noisy = dir + "noisy.wav";
        WriteStereoWav(noisy, ToSamples(noisyValues));
        const std::optional<double> snrIn = Snr(clean, noisy); // nothing when it could not be written
        if (!snrIn) {
            std::fprintf(stderr, "denoise_bench: the noisy input could not be written and read back\n");
            return 1;
        }
        const double before = *snrIn;

        const std::string afftdnOut = dir + "afftdn.wav";
        char filter[64];
        std::snprintf(filter, sizeof filter, "afftdn=nr=20:nf=%g", c.dbfs);
        RunProgram({"ffmpeg", "-y", "-v", "error", "-i", noisy, "-af", filter, "-c:a", "pcm_s16le", afftdnOut});
        const auto afftdn = Snr(clean, afftdnOut);
        const std::string profile = dir + "noise.prof";
        const std::string soxOut = dir + "sox.wav";
        RunProgram({"sox", noisy, "-n", "trim", "0", "1", "noiseprof", profile});
        const bool soxRan = RunProgram({"sox", noisy, soxOut, "noisered", profile, "0.3"}).ok;
        const auto sox = soxRan ? Snr(clean, soxOut) : std::nullopt;

        for (const std::string& threshold : settings) {
            std::vector<std::string> common{quorvex, "--render", noisy, dir + "ours.wav", "--chain", "denoise",
                                            "--block", "8192", "--fft", fft, "--overlap", overlap, "--set",
                                            std::string("denoise.profile=") + (c.pink ? "pink" : "white")};
            if (!threshold.empty()) {
                common.insert(common.end(), {"--set", "denoise.threshold=" + threshold});
            }
            if (!reduction.empty()) {
                common.insert(common.end(), {"--set", "denoise.reduction=" + reduction});
            }
            const auto preset = RunProgram(common).ok ? Snr(clean, dir + "ours.wav") : std::nullopt;
            common.insert(common.end(), {"--learn", "0-1"});
            const auto learned = RunProgram(common).ok ? Snr(clean, dir + "ours.wav") : std::nullopt;
            std::printf("%-15s %8.2f | %-9s %8s %8s | %8s %8s\n", c.name, before,
                        threshold.empty() ? "default" : threshold.c_str(), Cell(preset, before).c_str(),
                        Cell(learned, before).c_str(), Cell(afftdn, before).c_str(), Cell(sox, before).c_str());
        }
    }

    // Speed: one minute of the noisy music through denoise; processor time of the whole run.
    std::vector<double> minute;
    const auto noise = Noise(music.size(), false, 3);
    for (int k = 0; k < 10; ++k) {
        for (std::size_t i = 0; i < music.size(); ++i) minute.push_back(music[i] + 327.68 * noise[i]);
    }
    const std::string longFile = dir + "minute.wav";
    WriteStereoWav(longFile, ToSamples(minute));
    const double seconds = static_cast<double>(minute.size() / 2) / kRate;
    const ProcessUse ours = RunProgram({quorvex, "--render", longFile, dir + "ours.wav", "--chain", "denoise",
                                        "--block", "4096", "--fft", "2048", "--overlap", "0.5"});
    const ProcessUse copy = RunProgram({quorvex, "--render", longFile, dir + "ours.wav", "--block", "4096"});
    const ProcessUse peer = RunProgram({"ffmpeg", "-y", "-v", "error", "-threads", "1", "-i", longFile, "-af",
                                        "afftdn=nr=20:nf=-40", "-c:a", "pcm_s16le", dir + "afftdn.wav"});
    const ProcessUse soxRun =
        RunProgram({"sox", longFile, dir + "sox.wav", "noisered", dir + "noise.prof", "0.3"});
    const lumisett::bench::SpeedTable table{seconds, 34};
    table.PrintHeading();
    table.PrintRow("quorvex, denoise, N 2048, v 0.5", ours);
    table.PrintRow("quorvex, empty chain (copy)", copy);
    table.PrintRow("ffmpeg afftdn", peer);
    table.PrintRow("sox noisered", soxRun);
    return 0;
}
