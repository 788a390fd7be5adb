// The Layer III decoder's speed beside mpg123's: a 60-second 128 kbit/s joint-stereo 44.1 kHz
// file, made with lame from a synthetic signal, decoded by ulx3 in process and by mpg123
// (generic C code and its default SIMD decoder) to /dev/null. Prints times in real-time
// multiples and the ratios. Each figure is the best of several runs; mpg123's include
// starting its process (a few milliseconds).

#include "decoder/ulx3_api.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 60.0;
constexpr int kRuns = 5;

void PutLe(std::FILE* f, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), f);
    }
}

// Chords with harmonics, a slow pan and a little noise: material that uses the whole range of
// tables and block types a music encoder picks.
bool WriteSignal(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const uint32_t frames = static_cast<uint32_t>(kRate * kSeconds);
    std::fwrite("RIFF", 1, 4, f);
    PutLe(f, 36 + frames * 4, 4);
    std::fwrite("WAVEfmt ", 1, 8, f);
    PutLe(f, 16, 4);
    PutLe(f, 1, 2);
    PutLe(f, 2, 2);
    PutLe(f, kRate, 4);
    PutLe(f, kRate * 4, 4);
    PutLe(f, 4, 2);
    PutLe(f, 16, 2);
    std::fwrite("data", 1, 4, f);
    PutLe(f, frames * 4, 4);
    uint32_t noise = 1;
    const double roots[4] = {220.0, 196.0, 174.61, 164.81};
    for (uint32_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double root = roots[static_cast<int>(t / 2.0) % 4];
        double s = 0.0;
        for (int h = 1; h <= 6; ++h) {
            s += std::sin(2 * M_PI * root * h * t) / h + 0.5 * std::sin(2 * M_PI * root * 1.26 * h * t) / h;
        }
        noise = noise * 1664525u + 1013904223u;
        const double n = (static_cast<double>(noise >> 8) / (1 << 24) - 0.5) * 0.05;
        const double pan = 0.5 + 0.4 * std::sin(2 * M_PI * 0.1 * t);
        const double left = 0.25 * s * pan + n;
        const double right = 0.25 * s * (1 - pan) + n;
        PutLe(f, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(left, -1.0, 1.0) * 32000)), 2);
        PutLe(f, static_cast<uint16_t>(static_cast<int16_t>(std::clamp(right, -1.0, 1.0) * 32000)), 2);
    }
    return std::fclose(f) == 0;
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double DecodeWithUlx3(const std::string& path) {
    double best = 1e9;
    static int16_t pcm[2304];
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        StreamInfo* info = nullptr;
        if (InitUlx(path.c_str(), &info) != 0) {
            return -1.0;
        }
        while (Ulx(pcm) == 0) {
        }
        ExitUlx();
        best = std::min(best, Seconds(start));
    }
    return best;
}

double DecodeWithMpg123(const std::string& options, const std::string& path) {
    double best = 1e9;
    const std::string command = "mpg123 " + options + " -q -s " + path + " > /dev/null 2>&1";
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) {
            return -1.0;
        }
        best = std::min(best, Seconds(start));
    }
    return best;
}

} // namespace

int main() {
    char folder[] = "/tmp/ulx3-bench-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    const std::string wav = std::string(folder) + "/signal.wav";
    const std::string mp3 = std::string(folder) + "/signal.mp3";
    if (!WriteSignal(wav) ||
        std::system(("lame --quiet -b 128 -m j " + wav + " " + mp3).c_str()) != 0) {
        std::fprintf(stderr, "cannot make the test file (is lame installed?)\n");
        return 1;
    }
    const double ours = DecodeWithUlx3(mp3);
    const double generic = DecodeWithMpg123("--cpu generic", mp3);
    const double simd = DecodeWithMpg123("", mp3);
    std::printf("60 s, 128 kbit/s joint stereo, 44.1 kHz (best of %d runs)\n", kRuns);
    std::printf("ulx3                 %8.4f s  %7.0fx real time\n", ours, kSeconds / ours);
    if (generic > 0) {
        std::printf("mpg123 --cpu generic %8.4f s  %7.0fx real time\n", generic, kSeconds / generic);
        std::printf("ulx3 / mpg123 generic speed ratio: %.2f\n", generic / ours);
    }
    if (simd > 0) {
        std::printf("mpg123 (default)     %8.4f s  %7.0fx real time\n", simd, kSeconds / simd);
        std::printf("ulx3 / mpg123 default speed ratio: %.2f\n", simd / ours);
    }
    std::remove(wav.c_str());
    std::remove(mp3.c_str());
    rmdir(folder);
    return 0;
}
