// demo-recording: writes "demo.wav", about 30 seconds of a music-like stereo piece with the
// damage the suite repairs: hiss, clicks, crackle, a low rumble and a DC offset. Everything is
// synthesised here from a fixed seed, so every build makes the same file.
//   demo-recording OUT.wav

#include "host/source/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 30.0;
constexpr double kBeat = 0.5; // 120 beats per minute

// A small deterministic generator: the same numbers on every machine.
class Random {
public:
    double Uniform() { // [0, 1)
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }
    double Gaussian() {
        const double u = std::max(Uniform(), 1e-12);
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * std::numbers::pi * Uniform());
    }

private:
    uint64_t state_ = 0x5eed1e55ull;
};

double NoteFrequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// A plucked tone with a few harmonics and an exponential decay.
double Tone(double frequency, double t, double decay) {
    if (t < 0) return 0;
    const double envelope = std::exp(-t / decay) * std::min(1.0, t * 200.0);
    double value = 0;
    for (int h = 1; h <= 4; ++h) {
        value += std::sin(2 * std::numbers::pi * frequency * h * t) / (h * h);
    }
    return envelope * value;
}

struct Music {
    std::vector<double> left, right;
};

Music Compose(std::size_t frames) {
    Music m{std::vector<double>(frames), std::vector<double>(frames)};
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    const int melody[16] = {72, 74, 76, 79, 76, 74, 72, 71, 69, 71, 72, 74, 72, 71, 67, 69};
    Random random;
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        const int bar = static_cast<int>(t / (4 * kBeat));
        const double inBar = t - bar * 4 * kBeat;
        const int beat = static_cast<int>(t / kBeat);
        const double inBeat = t - beat * kBeat;
        double chord = 0;
        for (int note : chords[bar % 4]) chord += Tone(NoteFrequency(note - 12), inBar, 1.2);
        const double lead = Tone(NoteFrequency(melody[beat % 16]), inBeat, 0.35);
        // A percussive hit on every beat: a short burst of noise with a falling thump.
        const double hit = std::exp(-inBeat * 40.0) * (0.6 * random.Gaussian() +
                                                       std::sin(2 * std::numbers::pi * 90 * inBeat));
        m.left[n] = 0.22 * chord + 0.25 * lead + 0.18 * hit;
        m.right[n] = 0.25 * chord + 0.18 * lead + 0.15 * hit;
    }
    return m;
}

// The damage of an old recording, added to both channels.
void Damage(Music& m) {
    Random random;
    const std::size_t frames = m.left.size();
    for (std::size_t n = 0; n < frames; ++n) {
        const double t = static_cast<double>(n) / kRate;
        const double rumble = 0.03 * std::sin(2 * std::numbers::pi * 17.0 * t);
        m.left[n] += 0.02 * random.Gaussian() + rumble + 0.04;   // hiss, rumble, DC offset
        m.right[n] += 0.02 * random.Gaussian() + rumble + 0.03;
    }
    // Clicks: sharp spikes a few samples long, about three a second.
    for (int i = 0; i < static_cast<int>(kSeconds * 3); ++i) {
        const auto at = static_cast<std::size_t>(random.Uniform() * (frames - 8));
        const double height = (random.Uniform() < 0.5 ? -1 : 1) * (0.4 + 0.4 * random.Uniform());
        for (std::size_t k = 0; k < 4; ++k) {
            const double shape = height * (1.0 - 0.25 * k);
            m.left[at + k] += shape;
            m.right[at + k] += shape * 0.8;
        }
    }
    // Crackle: many tiny single-sample ticks.
    for (int i = 0; i < static_cast<int>(kSeconds * 60); ++i) {
        const auto at = static_cast<std::size_t>(random.Uniform() * frames);
        const double tick = (random.Uniform() - 0.5) * 0.12;
        (random.Uniform() < 0.5 ? m.left : m.right)[at] += tick;
    }
}

int16_t ToSample(double value) {
    return static_cast<int16_t>(std::lrint(std::clamp(value, -1.0, 32767.0 / 32768.0) * 32768.0));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: demo-recording OUT.wav\n");
        return 2;
    }
    const auto frames = static_cast<std::size_t>(kSeconds * kRate);
    Music music = Compose(frames);
    Damage(music);
    lumisett::host::WavAudio audio{2, kRate, {}};
    audio.samples.reserve(2 * frames);
    for (std::size_t n = 0; n < frames; ++n) {
        audio.samples.push_back(ToSample(music.left[n]));
        audio.samples.push_back(ToSample(music.right[n]));
    }
    if (!lumisett::host::WriteWavFile(argv[1], audio)) {
        std::fprintf(stderr, "demo-recording: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
