// Our real FFT against FFTW's single-precision real transforms (r2c and c2r, planned with
// FFTW_MEASURE) for every size the spectral stage offers. Prints the time per transform for
// both and their ratio; the aim is to stay within twice FFTW's time.
//
// Both work out of place on the same random input. Before timing, each size checks that the two
// agree, so that a fast wrong transform cannot pass.

#include "bench/support/bench_support.h"
#include "host/chain/fft/real_fft.h"

#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using lumisett::host::fft::RealFft;
using HalfSpectrum = std::vector<std::complex<float>>; // FFTW's layout: bins 0 .. N/2

constexpr int kSizes[] = {256, 512, 1024, 2048, 4096, 8192};

std::vector<float> Noise(int size) {
    std::mt19937 generator(static_cast<unsigned>(size));
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> values(static_cast<std::size_t>(size));
    for (float& value : values) value = uniform(generator);
    return values;
}

// FFTW's buffers and plans for one size; its half spectrum and our packed one side by side.
class FftwPeer {
public:
    explicit FftwPeer(int size)
        : size_(size), real_(fftwf_alloc_real(static_cast<std::size_t>(size))),
          complex_(fftwf_alloc_complex(static_cast<std::size_t>(size / 2 + 1))),
          forward_(fftwf_plan_dft_r2c_1d(size, real_, complex_, FFTW_MEASURE)),
          inverse_(fftwf_plan_dft_c2r_1d(size, complex_, real_, FFTW_MEASURE)) {}
    ~FftwPeer() {
        fftwf_destroy_plan(forward_);
        fftwf_destroy_plan(inverse_);
        fftwf_free(real_);
        fftwf_free(complex_);
    }
    FftwPeer(const FftwPeer&) = delete;
    FftwPeer& operator=(const FftwPeer&) = delete;

    float* real() { return real_; }
    void Forward() { fftwf_execute(forward_); }
    // c2r overwrites its input, so every run starts from a fresh copy of the spectrum.
    void Inverse(const HalfSpectrum& spectrum) {
        std::copy(spectrum.begin(), spectrum.end(), reinterpret_cast<std::complex<float>*>(complex_));
        fftwf_execute(inverse_);
    }
    HalfSpectrum Spectrum() const {
        const auto* bins = reinterpret_cast<const std::complex<float>*>(complex_);
        return HalfSpectrum(bins, bins + size_ / 2 + 1);
    }

private:
    int size_;
    float* real_;
    fftwf_complex* complex_;
    fftwf_plan forward_;
    fftwf_plan inverse_;
};

// Our packed spectrum against FFTW's half spectrum, relative to the largest bin.
bool SameSpectrum(const std::vector<float>& packed, const HalfSpectrum& half) {
    const std::size_t bins = packed.size() / 2;
    double largest = 0.0;
    double worst = 0.0;
    for (std::size_t k = 0; k <= bins; ++k) {
        const float re = k == 0 ? packed[0] : k == bins ? packed[1] : packed[2 * k];
        const float im = k == 0 || k == bins ? 0.0f : packed[2 * k + 1];
        largest = std::max(largest, static_cast<double>(std::abs(half[k])));
        worst = std::max(worst, static_cast<double>(std::abs(std::complex<float>(re, im) - half[k])));
    }
    return worst <= 1e-5 * largest;
}

void OursForward(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    RealFft transform;
    transform.Setup(size);
    const std::vector<float> input = Noise(size);
    std::vector<float> packed(input.size());
    FftwPeer peer(size);
    std::copy(input.begin(), input.end(), peer.real());
    peer.Forward();
    transform.Forward(input.data(), packed.data());
    if (!SameSpectrum(packed, peer.Spectrum())) {
        state.SkipWithError("our spectrum differs from FFTW's");
    }
    for (auto _ : state) {
        transform.Forward(input.data(), packed.data());
        benchmark::DoNotOptimize(packed.data());
        benchmark::ClobberMemory();
    }
}

void OursInverse(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    RealFft transform;
    transform.Setup(size);
    std::vector<float> packed(static_cast<std::size_t>(size));
    transform.Forward(Noise(size).data(), packed.data());
    std::vector<float> output(packed.size());
    for (auto _ : state) {
        transform.Inverse(packed.data(), output.data());
        benchmark::DoNotOptimize(output.data());
        benchmark::ClobberMemory();
    }
}

void FftwForward(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    FftwPeer peer(size);
    const std::vector<float> input = Noise(size);
    std::copy(input.begin(), input.end(), peer.real());
    for (auto _ : state) {
        peer.Forward();
        benchmark::ClobberMemory();
    }
}

void FftwInverse(benchmark::State& state) {
    const int size = static_cast<int>(state.range(0));
    FftwPeer peer(size);
    const std::vector<float> input = Noise(size);
    std::copy(input.begin(), input.end(), peer.real());
    peer.Forward();
    const HalfSpectrum spectrum = peer.Spectrum();
    for (auto _ : state) {
        peer.Inverse(spectrum);
        benchmark::ClobberMemory();
    }
}

// "OursForward/2048", as the library names a run with an argument.
std::string RunName(const char* benchmark, int size) {
    std::string name(benchmark);
    name += '/';
    name += std::to_string(size);
    return name;
}

void PrintSummary(const lumisett::bench::TimesReporter& reporter) {
    std::printf("\nReal FFT, single precision, time per transform (ns); FFTW planned with FFTW_MEASURE\n");
    std::printf("%6s  %12s %12s %10s   %12s %12s %10s\n", "N", "ours fwd", "FFTW r2c", "ours/FFTW",
                "ours inv", "FFTW c2r", "ours/FFTW");
    for (int size : kSizes) {
        const double oursForward = reporter.RealTime(RunName("OursForward", size));
        const double fftwForward = reporter.RealTime(RunName("FftwForward", size));
        const double oursInverse = reporter.RealTime(RunName("OursInverse", size));
        const double fftwInverse = reporter.RealTime(RunName("FftwInverse", size));
        std::printf("%6d  %12.1f %12.1f %10.2f   %12.1f %12.1f %10.2f\n", size, oursForward, fftwForward,
                    fftwForward > 0 ? oursForward / fftwForward : 0.0, oursInverse, fftwInverse,
                    fftwInverse > 0 ? oursInverse / fftwInverse : 0.0);
    }
    std::printf("Aim: ours/FFTW at most 2.00.\n");
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (auto* benchmark : {benchmark::RegisterBenchmark("OursForward", OursForward),
                            benchmark::RegisterBenchmark("FftwForward", FftwForward),
                            benchmark::RegisterBenchmark("OursInverse", OursInverse),
                            benchmark::RegisterBenchmark("FftwInverse", FftwInverse)}) {
        for (int size : kSizes) benchmark->Arg(size);
        benchmark->Unit(benchmark::kNanosecond);
    }
    lumisett::bench::TimesReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
