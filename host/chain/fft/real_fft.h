#pragma once
// The single-precision real FFT of the spectral stage, for the transform sizes the stage offers
// (N = 256 .. 8192, powers of two).
//
// A real transform of N samples is done as a complex transform of N/2 points (even samples as
// real parts, odd samples as imaginary parts) followed by a split step that separates the two
// interleaved spectra. The complex transform is a radix-4 Stockham transform (a radix-2 pass
// finishes odd powers of two) on separate real and imaginary arrays: it needs no bit-reversal
// and every pass runs over four contiguous butterflies at a time.
//
// Threads: Setup allocates and fills tables, so it belongs outside the audio path. Forward and
// Inverse allocate nothing and take no lock; they use the object's own work buffers, so one
// object serves one thread at a time.

#include <cstdint>
#include <vector>

namespace lumisett::host::fft {

inline constexpr int kMinRealFftSize = 256;
inline constexpr int kMaxRealFftSize = 8192;

// The packed spectrum of N real samples, N floats: [0] the DC bin, [1] the Nyquist bin N/2
// (both purely real), then the real and imaginary part of bins 1 .. N/2 - 1 at [2k], [2k + 1].
class RealFft {
public:
    static bool SupportedSize(int size);

    // Precomputes the twiddle factors and sizes the work buffers for `size` samples. Returns
    // false for an unsupported size and leaves the object as it was.
    bool Setup(int size);
    // 0 until Setup succeeded.
    int size() const { return size_; }

    // Unnormalised forward transform: X(k) = sum over t of x[t]·e^(−2πi·k·t/N).
    // `packed` may be `samples` itself.
    void Forward(const float* samples, float* packed);
    // Unnormalised inverse: x[t] = sum over all N bins of X(k)·e^(+2πi·k·t/N), the missing upper
    // bins being the conjugates of the lower ones; Inverse(Forward(x)) is N·x.
    // `samples` may be `packed` itself.
    void Inverse(const float* packed, float* samples);

private:
    // One pass of the complex transform: sub-transforms of `length` points, `stride` apart.
    struct Pass {
        int length;
        int stride;
        std::size_t twiddles; // where its w, w², w³ tables start in passTwiddles_
    };
    struct Split {
        float* re;
        float* im;
    };

    Split TransformHalfSize(Split data);
    void RunRadix4(const Pass& pass, Split in, Split out) const;

    int size_ = 0;
    int half_ = 0; // M = N/2, the complex transform's length
    std::vector<Pass> passes_;
    std::vector<float> passTwiddles_; // per pass: 6 rows (w re, w im, w² re, …) of length/4
    std::vector<float> splitCos_;     // cos(2πk/N), k = 0 .. M−1
    std::vector<float> splitSin_;     // sin(2πk/N)
    std::vector<float> work_;         // two split buffers of M complex values
};

} // namespace lumisett::host::fft
