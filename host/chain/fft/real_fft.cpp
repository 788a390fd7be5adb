#include "host/chain/fft/real_fft.h"

#include "host/chain/fft/simd4.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace lumisett::host::fft {
namespace {

using simd::Vec4;

// Four complex values in each of four lanes, real and imaginary parts apart.
struct Quad {
    Vec4 re[4];
    Vec4 im[4];
};

// The forward 4-point DFT of a[0..3], lane by lane.
Quad Dft4(const Quad& a) {
    const Vec4 sumEvenRe = a.re[0] + a.re[2];
    const Vec4 sumEvenIm = a.im[0] + a.im[2];
    const Vec4 diffEvenRe = a.re[0] - a.re[2];
    const Vec4 diffEvenIm = a.im[0] - a.im[2];
    const Vec4 sumOddRe = a.re[1] + a.re[3];
    const Vec4 sumOddIm = a.im[1] + a.im[3];
    // −i·(a1 − a3): the quarter turn of the forward direction.
    const Vec4 turnedRe = a.im[1] - a.im[3];
    const Vec4 turnedIm = a.re[3] - a.re[1];
    Quad y;
    y.re[0] = sumEvenRe + sumOddRe;
    y.im[0] = sumEvenIm + sumOddIm;
    y.re[1] = diffEvenRe + turnedRe;
    y.im[1] = diffEvenIm + turnedIm;
    y.re[2] = sumEvenRe - sumOddRe;
    y.im[2] = sumEvenIm - sumOddIm;
    y.re[3] = diffEvenRe - turnedRe;
    y.im[3] = diffEvenIm - turnedIm;
    return y;
}

// z·w, lane by lane.
void Rotate(Vec4& re, Vec4& im, Vec4 wRe, Vec4 wIm) {
    const Vec4 rotatedRe = re * wRe - im * wIm;
    im = re * wIm + im * wRe;
    re = rotatedRe;
}

// w, w² and w³ of one butterfly column: rows of a pass's twiddle table, `quarter` long each.
struct TwiddleRows {
    const float* base;
    int quarter;
    const float* re(int power) const { return base + (2 * power - 2) * quarter; }
    const float* im(int power) const { return base + (2 * power - 1) * quarter; }
};

// The first pass (stride 1) works on four neighbouring butterflies at once. Their outputs land
// four apart, so each output group is transposed before it is stored.
void FirstRadix4Pass(const float* inRe, const float* inIm, float* outRe, float* outIm, int quarter,
                     TwiddleRows twiddles) {
    for (int p = 0; p < quarter; p += 4) {
        Quad a;
        for (int j = 0; j < 4; ++j) {
            a.re[j] = simd::Load(inRe + p + j * quarter);
            a.im[j] = simd::Load(inIm + p + j * quarter);
        }
        Quad y = Dft4(a);
        for (int power = 1; power < 4; ++power) {
            Rotate(y.re[power], y.im[power], simd::Load(twiddles.re(power) + p),
                   simd::Load(twiddles.im(power) + p));
        }
        simd::Transpose(y.re[0], y.re[1], y.re[2], y.re[3]);
        simd::Transpose(y.im[0], y.im[1], y.im[2], y.im[3]);
        for (int lane = 0; lane < 4; ++lane) {
            simd::Store(outRe + 4 * (p + lane), y.re[lane]);
            simd::Store(outIm + 4 * (p + lane), y.im[lane]);
        }
    }
}

// Later passes (stride 4 or more): the four lanes are four neighbouring sub-transforms that
// share a twiddle factor.
template <bool kRotate>
void StridedRadix4Pass(const float* inRe, const float* inIm, float* outRe, float* outIm, int quarter,
                       int stride, TwiddleRows twiddles) {
    for (int p = 0; p < quarter; ++p) {
        Vec4 wRe[4];
        Vec4 wIm[4];
        if constexpr (kRotate) {
            for (int power = 1; power < 4; ++power) {
                wRe[power] = simd::Splat(twiddles.re(power)[p]);
                wIm[power] = simd::Splat(twiddles.im(power)[p]);
            }
        }
        const int inBase = stride * p;
        const int outBase = stride * 4 * p;
        for (int q = 0; q < stride; q += 4) {
            Quad a;
            for (int j = 0; j < 4; ++j) {
                a.re[j] = simd::Load(inRe + inBase + j * stride * quarter + q);
                a.im[j] = simd::Load(inIm + inBase + j * stride * quarter + q);
            }
            Quad y = Dft4(a);
            if constexpr (kRotate) {
                for (int power = 1; power < 4; ++power) {
                    Rotate(y.re[power], y.im[power], wRe[power], wIm[power]);
                }
            }
            for (int j = 0; j < 4; ++j) {
                simd::Store(outRe + outBase + j * stride + q, y.re[j]);
                simd::Store(outIm + outBase + j * stride + q, y.im[j]);
            }
        }
    }
}

// The closing radix-2 pass of an odd power of two: sub-transforms of two points, no twiddles.
void LastRadix2Pass(const float* inRe, const float* inIm, float* outRe, float* outIm, int stride) {
    for (int q = 0; q < stride; q += 4) {
        const Vec4 aRe = simd::Load(inRe + q);
        const Vec4 aIm = simd::Load(inIm + q);
        const Vec4 bRe = simd::Load(inRe + stride + q);
        const Vec4 bIm = simd::Load(inIm + stride + q);
        simd::Store(outRe + q, aRe + bRe);
        simd::Store(outIm + q, aIm + bIm);
        simd::Store(outRe + stride + q, aRe - bRe);
        simd::Store(outIm + stride + q, aIm - bIm);
    }
}

bool PowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

} // namespace

bool RealFft::SupportedSize(int size) {
    return size >= kMinRealFftSize && size <= kMaxRealFftSize && PowerOfTwo(size);
}

bool RealFft::Setup(int size) {
    if (!SupportedSize(size)) {
        return false;
    }
    size_ = size;
    half_ = size / 2;
    // The tables are computed in double and rounded once, so every factor is the nearest float.
    const double turn = 2.0 * std::numbers::pi;
    passes_.clear();
    passTwiddles_.clear();
    for (int length = half_, stride = 1; length > 1; length /= 4, stride *= 4) {
        passes_.push_back({length, stride, passTwiddles_.size()});
        if (length == 2) {
            break;
        }
        const int quarter = length / 4;
        for (int power = 1; power < 4; ++power) {
            for (int part = 0; part < 2; ++part) {
                for (int p = 0; p < quarter; ++p) {
                    const double angle = turn * power * p / length;
                    passTwiddles_.push_back(
                        static_cast<float>(part == 0 ? std::cos(angle) : -std::sin(angle)));
                }
            }
        }
    }
    splitCos_.resize(static_cast<std::size_t>(half_));
    splitSin_.resize(static_cast<std::size_t>(half_));
    for (int k = 0; k < half_; ++k) {
        const double angle = turn * k / size_;
        splitCos_[static_cast<std::size_t>(k)] = static_cast<float>(std::cos(angle));
        splitSin_[static_cast<std::size_t>(k)] = static_cast<float>(std::sin(angle));
    }
    work_.assign(4 * static_cast<std::size_t>(half_), 0.0f);
    return true;
}

void RealFft::RunRadix4(const Pass& pass, Split in, Split out) const {
    const int quarter = pass.length / 4;
    const TwiddleRows twiddles{passTwiddles_.data() + pass.twiddles, quarter};
    if (pass.stride == 1) {
        FirstRadix4Pass(in.re, in.im, out.re, out.im, quarter, twiddles);
    } else if (quarter == 1) {
        // Sub-transforms of four points: every twiddle factor is 1.
        StridedRadix4Pass<false>(in.re, in.im, out.re, out.im, quarter, pass.stride, twiddles);
    } else {
        StridedRadix4Pass<true>(in.re, in.im, out.re, out.im, quarter, pass.stride, twiddles);
    }
}

// The complex transform of M points held in `data` (the first work buffer); the passes
// alternate between the two work buffers, and the result lies in whichever the last one wrote.
RealFft::Split RealFft::TransformHalfSize(Split data) {
    Split other{work_.data() + 2 * half_, work_.data() + 3 * half_};
    for (const Pass& pass : passes_) {
        if (pass.length == 2) {
            LastRadix2Pass(data.re, data.im, other.re, other.im, pass.stride);
        } else {
            RunRadix4(pass, data, other);
        }
        std::swap(data, other);
    }
    return data;
}

void RealFft::Forward(const float* samples, float* packed) {
    const Split data{work_.data(), work_.data() + half_};
    // Even samples become real parts, odd samples imaginary parts.
    for (int j = 0; j < half_; j += 4) {
        Vec4 even;
        Vec4 odd;
        simd::Deinterleave(simd::Load(samples + 2 * j), simd::Load(samples + 2 * j + 4), even, odd);
        simd::Store(data.re + j, even);
        simd::Store(data.im + j, odd);
    }
    const Split z = TransformHalfSize(data);

    // Split step: with Z = the half-size spectrum, X(k) = E + W^k·O, where
    // E = (Z(k) + conj Z(M−k)) / 2 and O = (Z(k) − conj Z(M−k)) / 2i, W = e^(−2πi/N).
    const float* c = splitCos_.data();
    const float* s = splitSin_.data();
    const auto bin = [&](int k) {
        const int m = half_ - k;
        const float sumRe = z.re[k] + z.re[m];
        const float diffIm = z.im[k] - z.im[m];
        const float diffRe = z.re[k] - z.re[m];
        const float sumIm = z.im[k] + z.im[m];
        packed[2 * k] = 0.5f * (sumRe + c[k] * sumIm - s[k] * diffRe);
        packed[2 * k + 1] = 0.5f * (diffIm - c[k] * diffRe - s[k] * sumIm);
    };
    for (int k = 1; k < 4; ++k) {
        bin(k);
    }
    const Vec4 half = simd::Splat(0.5f);
    for (int k = 4; k < half_; k += 4) {
        const int mirror = half_ - k - 3; // Z(M−k−3) .. Z(M−k), read backwards
        const Vec4 re = simd::Load(z.re + k);
        const Vec4 im = simd::Load(z.im + k);
        const Vec4 mirrorRe = simd::Reverse(simd::Load(z.re + mirror));
        const Vec4 mirrorIm = simd::Reverse(simd::Load(z.im + mirror));
        const Vec4 cosines = simd::Load(c + k);
        const Vec4 sines = simd::Load(s + k);
        const Vec4 sumRe = re + mirrorRe;
        const Vec4 diffIm = im - mirrorIm;
        const Vec4 diffRe = re - mirrorRe;
        const Vec4 sumIm = im + mirrorIm;
        const Vec4 outRe = half * (sumRe + cosines * sumIm - sines * diffRe);
        const Vec4 outIm = half * (diffIm - cosines * diffRe - sines * sumIm);
        Vec4 lo;
        Vec4 hi;
        simd::Interleave(outRe, outIm, lo, hi);
        simd::Store(packed + 2 * k, lo);
        simd::Store(packed + 2 * k + 4, hi);
    }
    const float dc = z.re[0] + z.im[0];
    const float nyquist = z.re[0] - z.im[0];
    packed[0] = dc;
    packed[1] = nyquist;
}

void RealFft::Inverse(const float* packed, float* samples) {
    // The split step backwards, without its halving, so that the half-size inverse of
    // Z(k) = (X(k) + conj X(M−k)) + i·W^(−k)·(X(k) − conj X(M−k)) comes out as N·x.
    // It is stored with real and imaginary parts exchanged: a forward transform of the
    // exchanged values, exchanged back, is the inverse transform.
    const Split data{work_.data(), work_.data() + half_};
    const float* c = splitCos_.data();
    const float* s = splitSin_.data();
    data.re[0] = packed[0] - packed[1];
    data.im[0] = packed[0] + packed[1];
    for (int k = 1; k < 4; ++k) {
        const int m = half_ - k;
        const float sumRe = packed[2 * k] + packed[2 * m];
        const float diffIm = packed[2 * k + 1] - packed[2 * m + 1];
        const float diffRe = packed[2 * k] - packed[2 * m];
        const float sumIm = packed[2 * k + 1] + packed[2 * m + 1];
        data.im[k] = sumRe - c[k] * sumIm - s[k] * diffRe;
        data.re[k] = diffIm + c[k] * diffRe - s[k] * sumIm;
    }
    for (int k = 4; k < half_; k += 4) {
        const int mirror = half_ - k - 3;
        Vec4 re;
        Vec4 im;
        simd::Deinterleave(simd::Load(packed + 2 * k), simd::Load(packed + 2 * k + 4), re, im);
        Vec4 mirrorRe;
        Vec4 mirrorIm;
        simd::Deinterleave(simd::Load(packed + 2 * mirror), simd::Load(packed + 2 * mirror + 4),
                           mirrorRe, mirrorIm);
        mirrorRe = simd::Reverse(mirrorRe);
        mirrorIm = simd::Reverse(mirrorIm);
        const Vec4 cosines = simd::Load(c + k);
        const Vec4 sines = simd::Load(s + k);
        const Vec4 sumRe = re + mirrorRe;
        const Vec4 diffIm = im - mirrorIm;
        const Vec4 diffRe = re - mirrorRe;
        const Vec4 sumIm = im + mirrorIm;
        simd::Store(data.im + k, sumRe - cosines * sumIm - sines * diffRe);
        simd::Store(data.re + k, diffIm + cosines * diffRe - sines * sumIm);
    }
    const Split z = TransformHalfSize(data);
    for (int j = 0; j < half_; j += 4) {
        Vec4 lo;
        Vec4 hi;
        simd::Interleave(simd::Load(z.im + j), simd::Load(z.re + j), lo, hi);
        simd::Store(samples + 2 * j, lo);
        simd::Store(samples + 2 * j + 4, hi);
    }
}

} // namespace lumisett::host::fft
