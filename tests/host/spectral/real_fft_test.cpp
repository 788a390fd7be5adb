// The real FFT against a direct DFT in double (small sizes) and against FFTW (every size). The
// same source runs once more against the portable four-float path.

#include "host/chain/fft/real_fft.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace lumisett::host::fft {
namespace {

using Spectrum = std::vector<std::complex<double>>; // bins 0 .. N/2

std::vector<float> Noise(int size, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> uniform(-1.0f, 1.0f);
    std::vector<float> values(static_cast<std::size_t>(size));
    for (float& value : values) value = uniform(generator);
    return values;
}

std::complex<double> Bin(const std::vector<float>& packed, int k) {
    const int half = static_cast<int>(packed.size()) / 2;
    if (k == 0) return {packed[0], 0.0};
    if (k == half) return {packed[1], 0.0};
    return {packed[2 * static_cast<std::size_t>(k)], packed[2 * static_cast<std::size_t>(k) + 1]};
}

Spectrum DirectDft(const std::vector<float>& x) {
    const int n = static_cast<int>(x.size());
    Spectrum bins(static_cast<std::size_t>(n / 2 + 1));
    for (int k = 0; k <= n / 2; ++k) {
        for (int t = 0; t < n; ++t) {
            // k·t reduced modulo N keeps the angle exact for every size tried here.
            const double angle = -2.0 * std::numbers::pi * ((static_cast<long>(k) * t) % n) / n;
            bins[static_cast<std::size_t>(k)] += static_cast<double>(x[static_cast<std::size_t>(t)]) *
                                                 std::polar(1.0, angle);
        }
    }
    return bins;
}

// Single-precision error grows with the number of passes and with the signal's energy.
double Tolerance(int size) {
    return 5e-7 * std::sqrt(static_cast<double>(size)) * std::log2(static_cast<double>(size));
}

class RealFftSizes : public testing::TestWithParam<int> {
protected:
    RealFftSizes() { EXPECT_TRUE(transform.Setup(GetParam())); }
    int size() const { return GetParam(); }
    RealFft transform;
};

INSTANTIATE_TEST_SUITE_P(AllSizes, RealFftSizes, testing::Values(256, 512, 1024, 2048, 4096, 8192));

TEST_P(RealFftSizes, ForwardMatchesTheDirectDftAndFftw) {
    const std::vector<float> x = Noise(size(), 7u + static_cast<unsigned>(size()));
    std::vector<float> packed(x.size());
    transform.Forward(x.data(), packed.data());

    // The direct sum costs N² operations: it checks the small sizes, FFTW all of them.
    if (size() <= 1024) {
        const Spectrum reference = DirectDft(x);
        for (int k = 0; k <= size() / 2; ++k) {
            ASSERT_LT(std::abs(Bin(packed, k) - reference[static_cast<std::size_t>(k)]), Tolerance(size()))
                << "bin " << k;
        }
    }
    std::vector<float> in(x);
    std::vector<fftwf_complex> out(static_cast<std::size_t>(size() / 2 + 1));
    fftwf_plan plan = fftwf_plan_dft_r2c_1d(size(), in.data(), out.data(), FFTW_ESTIMATE);
    fftwf_execute(plan);
    fftwf_destroy_plan(plan);
    for (int k = 0; k <= size() / 2; ++k) {
        const std::complex<double> expected(out[static_cast<std::size_t>(k)][0], out[static_cast<std::size_t>(k)][1]);
        ASSERT_LT(std::abs(Bin(packed, k) - expected), Tolerance(size())) << "bin " << k;
    }
}

TEST_P(RealFftSizes, InverseMatchesFftwInPlaceAndUndoesForward) {
    // A spectrum of random bins, whose DC and Nyquist parts are real as in every real signal.
    std::vector<float> packed = Noise(size(), 99u + static_cast<unsigned>(size()));
    std::vector<fftwf_complex> in(static_cast<std::size_t>(size() / 2 + 1));
    for (int k = 0; k <= size() / 2; ++k) {
        const std::complex<double> bin = Bin(packed, k);
        in[static_cast<std::size_t>(k)][0] = static_cast<float>(bin.real());
        in[static_cast<std::size_t>(k)][1] = static_cast<float>(bin.imag());
    }
    std::vector<float> expected(packed.size());
    fftwf_plan plan = fftwf_plan_dft_c2r_1d(size(), in.data(), expected.data(), FFTW_ESTIMATE);
    fftwf_execute(plan);
    fftwf_destroy_plan(plan);

    transform.Inverse(packed.data(), packed.data()); // in place, as the spectral stage uses it
    for (std::size_t t = 0; t < packed.size(); ++t) {
        ASSERT_NEAR(packed[t], expected[t], Tolerance(size())) << "sample " << t;
    }

    const std::vector<float> x = Noise(size(), 3u);
    std::vector<float> roundTrip(x);
    transform.Forward(roundTrip.data(), roundTrip.data());
    transform.Inverse(roundTrip.data(), roundTrip.data());
    for (std::size_t t = 0; t < x.size(); ++t) {
        ASSERT_NEAR(roundTrip[t] / static_cast<float>(size()), x[t], 1e-6) << "sample " << t;
    }
}

TEST(RealFftSetup, RefusesSizesOutsideTheStageRange) {
    for (int size : {0, 128, 1000, 16384, -256}) {
        RealFft transform;
        EXPECT_FALSE(transform.Setup(size)) << size;
        EXPECT_EQ(transform.size(), 0) << size;
    }
    RealFft transform;
    ASSERT_TRUE(transform.Setup(512));
    EXPECT_FALSE(transform.Setup(3000));
    EXPECT_EQ(transform.size(), 512); // a refused size leaves the transform usable
}

} // namespace
} // namespace lumisett::host::fft
