// The spectral stage as playback runs it by default: N = 2048, overlap 0.5, blocks of 4096
// pairs, 44.1 kHz stereo, every gain left at its preset (no plug-in). Prints the real-time
// factor on one core: seconds of audio processed per second of work.
//
// As peer figures, the transforms alone that the stage performs for the same audio (one
// forward and one inverse per frame and channel), once with our FFT and once with FFTW (planned
// with FFTW_MEASURE). The gap between the stage and its transforms is the framing, the rows,
// the overlap-add and the rounding.

#include "bench/support/bench_support.h"
#include "host/chain/fft/real_fft.h"
#include "host/chain/spectral_stage.h"
#include "host/plugins/chain_slots.h"
#include "host/plugins/plugin_registry.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace lumisett::host;

constexpr int32_t kRate = 44100;
constexpr int32_t kBlockPairs = 4096;
constexpr int32_t kHalfTransform = 1024;
constexpr float kOverlap = 0.5f;
constexpr int kBlocks = 108; // about ten seconds
constexpr double kAudioSeconds = static_cast<double>(kBlocks) * kBlockPairs / kRate;

// Tones and a little noise on both channels, at a fair level.
std::vector<int16_t> Material() {
    std::mt19937 generator(11);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(kBlocks) * kBlockPairs);
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double left = 0.4 * std::sin(2 * std::numbers::pi * 220.0 * t) + 0.2 * std::sin(2 * std::numbers::pi * 1375.0 * t);
        const double right = 0.4 * std::sin(2 * std::numbers::pi * 330.0 * t) + 0.2 * std::sin(2 * std::numbers::pi * 2750.0 * t);
        samples[2 * i] = static_cast<int16_t>(20000.0 * (left + noise(generator)));
        samples[2 * i + 1] = static_cast<int16_t>(20000.0 * (right + noise(generator)));
    }
    return samples;
}

// Transforms per channel that the stage makes for the material.
int FramesPerChannel() {
    const FrameShape shape = ShapeFor(kHalfTransform, kOverlap);
    return (kBlocks * kBlockPairs - shape.taper) / shape.hop;
}

void Stage(benchmark::State& state) {
    PluginRegistry registry;
    int32_t statusWord = 0;
    ChainSlots slots(registry, "/nonexistent/", &statusWord);
    ChainControls controls;
    OverlapAddSpectralStage stage(slots, controls);
    stage.SetupTransform(kHalfTransform, kOverlap);
    const std::vector<int16_t> material = Material();
    std::vector<int16_t> block(2 * static_cast<std::size_t>(kBlockPairs));
    for (auto _ : state) {
        state.PauseTiming();
        stage.Start(kBlockPairs);
        state.ResumeTiming();
        for (int b = 0; b < kBlocks; ++b) {
            std::copy_n(material.begin() + 2 * static_cast<std::ptrdiff_t>(b) * kBlockPairs, block.size(),
                        block.begin());
            stage.ProcessBlock(block.data(), kBlockPairs, kRate, 0, false);
            benchmark::DoNotOptimize(block.data());
        }
    }
}

void OurTransforms(benchmark::State& state) {
    fft::RealFft transform;
    transform.Setup(2 * kHalfTransform);
    std::vector<float> frame(2 * static_cast<std::size_t>(kHalfTransform), 0.25f);
    const int transforms = 2 * FramesPerChannel();
    for (auto _ : state) {
        for (int i = 0; i < transforms; ++i) {
            transform.Forward(frame.data(), frame.data());
            transform.Inverse(frame.data(), frame.data());
            for (float& value : frame) value *= 1.0f / 2048.0f; // keeps the values from growing
        }
        benchmark::DoNotOptimize(frame.data());
    }
}

void FftwTransforms(benchmark::State& state) {
    const int size = 2 * kHalfTransform;
    float* real = fftwf_alloc_real(static_cast<std::size_t>(size));
    fftwf_complex* complex = fftwf_alloc_complex(static_cast<std::size_t>(size / 2 + 1));
    fftwf_plan forward = fftwf_plan_dft_r2c_1d(size, real, complex, FFTW_MEASURE);
    fftwf_plan inverse = fftwf_plan_dft_c2r_1d(size, complex, real, FFTW_MEASURE);
    std::fill_n(real, size, 0.25f);
    const int transforms = 2 * FramesPerChannel();
    for (auto _ : state) {
        for (int i = 0; i < transforms; ++i) {
            fftwf_execute(forward);
            fftwf_execute(inverse);
            for (int t = 0; t < size; ++t) real[t] *= 1.0f / 2048.0f;
        }
        benchmark::DoNotOptimize(real);
    }
    fftwf_destroy_plan(forward);
    fftwf_destroy_plan(inverse);
    fftwf_free(real);
    fftwf_free(complex);
}

void PrintRow(const char* what, double milliseconds) {
    const double factor = milliseconds > 0 ? kAudioSeconds * 1000.0 / milliseconds : 0.0;
    std::printf("%-34s %12.2f %14.0f\n", what, milliseconds, factor);
}

void PrintSummary(const lumisett::bench::TimesReporter& reporter) {
    std::printf("\nSpectral stage: N = %d, overlap %.1f, B = %d, %d Hz stereo, unity gains, %.2f s of audio "
                "(%d frames per channel)\n",
                2 * kHalfTransform, static_cast<double>(kOverlap), kBlockPairs, kRate, kAudioSeconds,
                FramesPerChannel());
    std::printf("%-34s %12s %14s\n", "", "time (ms)", "real-time x");
    PrintRow("stage, whole (ours)", reporter.RealTime("Stage"));
    PrintRow("its transforms alone, our FFT", reporter.RealTime("OurTransforms"));
    PrintRow("its transforms alone, FFTW", reporter.RealTime("FftwTransforms"));
    std::printf("Aim: the whole stage at 500x real time or more on one core.\n");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (auto* benchmark : {benchmark::RegisterBenchmark("Stage", Stage),
                            benchmark::RegisterBenchmark("OurTransforms", OurTransforms),
                            benchmark::RegisterBenchmark("FftwTransforms", FftwTransforms)}) {
        benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    lumisett::bench::TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
