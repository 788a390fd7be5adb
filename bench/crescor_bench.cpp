// Crescor against FLAC (the `flac` program at level 5) on the same generated music: compressed
// size, encoding and decoding time. Prints each figure for both and their ratio.
//
// The material is made here, deterministically: ten seconds of stereo chords with harmonics,
// drum-like noise transients and a quiet noise floor. Our codec runs in process (decoding reads
// the file through the reader, as the host does); the peer runs as a program, so its times
// include starting the process, which the summary says.

#include "bench/support/bench_support.h"
#include "host/source/crescor_encoder.h"
#include "host/source/crescor_reader.h"
#include "host/source/wav_file.h"
#include "platform/file_io.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using lumisett::host::CrescorReader;
using lumisett::bench::Samples;

constexpr std::uint32_t kRate = 44100;
constexpr double kSeconds = 10.0;

// ---- the material -------------------------------------------------------------------------

class Noise {
public:
    double Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 24) * 2.0 - 1.0;
    }

private:
    std::uint32_t state_ = 12345;
};

// A note of a few decaying harmonics, panned; the chord changes every two seconds.
double Chord(double t, int channel) {
    static constexpr std::array<std::array<double, 3>, 4> kChords = {{{220.0, 277.18, 329.63},
                                                                      {196.0, 246.94, 293.66},
                                                                      {174.61, 220.0, 261.63},
                                                                      {164.81, 207.65, 246.94}}};
    const double chordLength = 2.0;
    const auto& notes = kChords[static_cast<std::size_t>(t / chordLength) % kChords.size()];
    const double since = std::fmod(t, chordLength);
    const double envelope = std::min(since / 0.02, 1.0) * std::exp(-since * 1.2);
    double sum = 0.0;
    for (std::size_t n = 0; n < notes.size(); ++n) {
        const double pan = channel == 0 ? 0.4 + 0.3 * static_cast<double>(n) : 1.2 - 0.3 * static_cast<double>(n);
        const double detune = channel == 0 ? 1.0 : 1.0015;
        for (int h = 1; h <= 6; ++h) {
            sum += pan / h * std::sin(2 * std::numbers::pi * notes[n] * h * detune * t + n + h);
        }
    }
    return envelope * sum;
}

// A kick (falling sine) and a hat (noise) every quarter second, decaying fast.
double Transient(double t, double noise) {
    const double since = std::fmod(t, 0.25);
    const double kick = std::sin(2 * std::numbers::pi * (50.0 + 80.0 * std::exp(-since * 30)) * since);
    return 0.8 * kick * std::exp(-since * 12) + 0.5 * noise * std::exp(-since * 60);
}

Samples MusicLikeMaterial() {
    Noise noise;
    Samples out;
    const auto pairs = static_cast<std::size_t>(kSeconds * kRate);
    out.reserve(2 * pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double hit = noise.Next();
        for (int channel = 0; channel < 2; ++channel) {
            const double value = 0.12 * Chord(t, channel) + 0.35 * Transient(t, hit) +
                                 0.001 * noise.Next();
            out.push_back(static_cast<std::int16_t>(std::clamp(std::lround(value * 32767.0), -32768L, 32767L)));
        }
    }
    return out;
}

// ---- files and programs -------------------------------------------------------------------

// Runs a program found on PATH with its output discarded; true on exit 0.
bool Succeeds(const std::vector<std::string>& command) {
    return lumisett::bench::RunProgram(command).ok;
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// ---- what is measured ---------------------------------------------------------------------

struct Workbench {
    Samples material = MusicLikeMaterial();
    lumisett::bench::ScratchFolder folder{"crescor-bench"};
    std::string wav = folder.File("material.wav");
    std::string cq = folder.File("material.cq");
    std::string flac = folder.File("material.flac");
    bool peer = false;
};

Samples DecodeCrescorFile(CrescorReader& reader) {
    reader.Reset();
    Samples out(2 * static_cast<std::size_t>(kSeconds * kRate) + 16384);
    std::size_t total = 0;
    for (int got; (got = reader.Read(out.data() + total, 16384)) > 0;) {
        total += static_cast<std::size_t>(got);
        if (out.size() - total < 16384) out.resize(out.size() + 16384);
    }
    out.resize(total);
    return out;
}

void CrescorEncode(benchmark::State& state, Workbench* bench) {
    for (auto _ : state) {
        auto file = lumisett::host::EncodeCrescor(bench->material, kRate);
        benchmark::DoNotOptimize(file);
    }
}

void CrescorDecode(benchmark::State& state, Workbench* bench) {
    const int fd = ::open(bench->cq.c_str(), O_RDONLY | O_CLOEXEC);
    auto reader = std::make_unique<CrescorReader>(fd);
    if (DecodeCrescorFile(*reader) != bench->material) {
        state.SkipWithError("Crescor round trip is not lossless");
    }
    for (auto _ : state) {
        Samples decoded = DecodeCrescorFile(*reader);
        benchmark::DoNotOptimize(decoded.data());
    }
    ::close(fd);
}

void FlacEncode(benchmark::State& state, Workbench* bench) {
    const std::string out = bench->flac + ".again";
    for (auto _ : state) {
        if (!Succeeds({"flac", "-5", "-s", "-f", "-o", out, bench->wav})) {
            state.SkipWithError("flac failed");
            break;
        }
    }
}

// Starting the program alone, to put the peer's times in proportion.
void FlacStart(benchmark::State& state, Workbench*) {
    for (auto _ : state) {
        if (!Succeeds({"flac", "--version"})) {
            state.SkipWithError("flac --version failed");
            break;
        }
    }
}

void FlacDecode(benchmark::State& state, Workbench* bench) {
    for (auto _ : state) {
        if (!Succeeds({"flac", "-d", "-s", "-f", "-c", bench->flac})) {
            state.SkipWithError("flac -d failed");
            break;
        }
    }
}

void PrintRow(const char* what, double ours, double peer, bool havePeer, int decimals = 2) {
    if (havePeer && peer > 0.0) {
        std::printf("%-22s %14.*f %14.*f %12.3f\n", what, decimals, ours, decimals, peer, ours / peer);
    } else {
        std::printf("%-22s %14.*f %14s %12s\n", what, decimals, ours, "-", "-");
    }
}

void PrintSummary(const Workbench& bench, const lumisett::bench::TimesReporter& reporter) {
    const double pcmBytes = static_cast<double>(bench.material.size() * 2);
    const auto oursSize = static_cast<double>(FileSize(bench.cq));
    const auto peerSize = static_cast<double>(FileSize(bench.flac));
    std::printf("\nCrescor against flac -5 on %.1f s of generated stereo music (%.0f bytes of PCM)\n",
                kSeconds, pcmBytes);
    std::printf("%-22s %14s %14s %12s\n", "", "Crescor", "flac -5", "Crescor/flac");
    PrintRow("size (bytes)", oursSize, peerSize, bench.peer, 0);
    PrintRow("size (% of PCM)", 100.0 * oursSize / pcmBytes, 100.0 * peerSize / pcmBytes, bench.peer);
    PrintRow("encode (ms)", reporter.RealTime("CrescorEncode"),
             reporter.RealTime("FlacEncode"), bench.peer);
    PrintRow("decode (ms)", reporter.RealTime("CrescorDecode"),
             reporter.RealTime("FlacDecode"), bench.peer);
    if (bench.peer) {
        std::printf("flac's times include starting the program (%.2f ms alone) and, for decoding, "
                    "writing the WAV to /dev/null.\n",
                    reporter.RealTime("FlacStart"));
    } else {
        std::printf("flac was not found: no figures for the peer (install the package flac).\n");
    }
}

// Writes the material as WAV and Crescor, and as FLAC when the program is there (checking
// that flac gives the material back, so both sides compress the same samples losslessly).
bool Prepare(Workbench& bench) {
    if (!bench.folder.ok()) {
        std::fprintf(stderr, "crescor_bench: cannot make a folder for the test material\n");
        return false;
    }
    auto wav = lumisett::host::WavFileBytes({2, kRate, bench.material});
    auto cq = lumisett::host::EncodeCrescor(bench.material, kRate);
    if (!wav || !cq || !lumisett::platform::WriteFileAtomically(bench.wav, *wav) ||
        !lumisett::platform::WriteFileAtomically(bench.cq, *cq)) {
        std::fprintf(stderr, "crescor_bench: cannot write the test material\n");
        return false;
    }
    const std::string back = bench.flac + ".wav";
    bench.peer = Succeeds({"flac", "-5", "-s", "-f", "-o", bench.flac, bench.wav}) &&
                 Succeeds({"flac", "-d", "-s", "-f", "-o", back, bench.flac}) &&
                 lumisett::host::ReadWavFile(back).audio.samples == bench.material;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Workbench bench;
    if (!Prepare(bench)) {
        return 1;
    }
    benchmark::RegisterBenchmark("CrescorEncode", CrescorEncode, &bench)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("CrescorDecode", CrescorDecode, &bench)
        ->Unit(benchmark::kMillisecond)->UseRealTime();
    if (bench.peer) {
        benchmark::RegisterBenchmark("FlacEncode", FlacEncode, &bench)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("FlacDecode", FlacDecode, &bench)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("FlacStart", FlacStart, &bench)
            ->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    lumisett::bench::TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(bench, reporter);
    benchmark::Shutdown();
    return 0;
}
