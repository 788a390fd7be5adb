// Stereo processing, reordering of short blocks, alias reduction, IMDCT and overlap.
#include "decoder/decoder_state.h"
#include "decoder/tables.h"
#include "decoder/vector4.h"

#include <algorithm>
#include <cstring>

namespace ulx3 {

namespace {

constexpr float kInvSqrt2 = 0.70710678118654752f;

bool AnyNonzero(const int* q, int first, int count) {
    for (int i = first; i < first + count; ++i) {
        if (q[i] != 0) {
            return true;
        }
    }
    return false;
}

// One band's lines (in decoding order) at intensity position `position`, or MS / plain
// stereo when `position` is the band's illegal value.
void StereoLines(int first, int count, int position, bool illegal, int intensityScale) {
    DecoderState& s = g_state;
    float* left = s.spectrum[0];
    float* right = s.spectrum[1];
    const bool ms = (s.header.modeExtension & 2) != 0;
    if (illegal) {
        if (ms) {
            for (int i = first; i < first + count; ++i) {
                const float m = left[i];
                const float d = right[i];
                left[i] = (m + d) * kInvSqrt2;
                right[i] = (m - d) * kInvSqrt2;
            }
        }
        return;
    }
    float kl = 1.0f;
    float kr = 1.0f;
    if (s.header.id == 1) {
        const float c = g_tables.isRatio[position];
        kl = 1.0f - c;
        kr = c;
    } else if (position & 1) {
        kl = g_tables.isLsf[intensityScale][(position + 1) >> 1];
    } else {
        kr = g_tables.isLsf[intensityScale][position >> 1];
    }
    for (int i = first; i < first + count; ++i) {
        const float x = left[i];
        left[i] = x * kl;
        right[i] = x * kr;
    }
}

void JointStereoLong(int row, bool intensity) {
    DecoderState& s = g_state;
    const ScaleFactors& sf = s.scalefactors[1];
    const int* q = s.quantised[1];
    int firstIntensityBand = 22;
    if (intensity) {
        firstIntensityBand = 0;
        for (int band = 21; band >= 0; --band) {
            const int start = kLongBandStart[row][band];
            if (AnyNonzero(q, start, kLongBandStart[row][band + 1] - start)) {
                firstIntensityBand = band + 1;
                break;
            }
        }
    }
    for (int band = 0; band < 22; ++band) {
        const int start = kLongBandStart[row][band];
        const int count = kLongBandStart[row][band + 1] - start;
        const int source = std::min(band, 20);
        const int position = sf.longBands[source];
        const bool illegal = band < firstIntensityBand ||
                             (s.header.id == 1 ? position >= 7 : position == sf.longIllegal[source]);
        StereoLines(start, count, position, illegal, sf.intensityScale);
    }
}

void JointStereoShort(int row, bool intensity, bool mixed) {
    DecoderState& s = g_state;
    const ScaleFactors& sf = s.scalefactors[1];
    const int* q = s.quantised[1];
    const int firstShort = mixed ? 3 : 0;
    int firstIntensityBand[3] = {13, 13, 13};
    bool shortPartSilent = true;
    for (int w = 0; w < 3 && intensity; ++w) {
        firstIntensityBand[w] = firstShort;
        for (int band = 12; band >= firstShort; --band) {
            const int start = kShortBandStart[row][band];
            const int width = kShortBandStart[row][band + 1] - start;
            if (AnyNonzero(q, 3 * start + w * width, width)) {
                firstIntensityBand[w] = band + 1;
                shortPartSilent = false;
                break;
            }
        }
    }
    if (mixed) {
        // The long part is intensity coded only when channel 1 has nothing in any window.
        int firstLongIntensity = 22;
        if (intensity && shortPartSilent) {
            firstLongIntensity = 0;
            for (int band = 7; band >= 0; --band) {
                const int start = kLongBandStart[row][band];
                if (start < 36 &&
                    AnyNonzero(q, start, std::min<int>(kLongBandStart[row][band + 1], 36) - start)) {
                    firstLongIntensity = band + 1;
                    break;
                }
            }
        }
        for (int band = 0; band < 22 && kLongBandStart[row][band] < 36; ++band) {
            const int start = kLongBandStart[row][band];
            const int count = std::min<int>(kLongBandStart[row][band + 1], 36) - start;
            const int position = sf.longBands[band];
            const bool illegal = band < firstLongIntensity ||
                                 (s.header.id == 1 ? position >= 7 : position == sf.longIllegal[band]);
            StereoLines(start, count, position, illegal, sf.intensityScale);
        }
    }
    for (int band = firstShort; band < 13; ++band) {
        const int start = kShortBandStart[row][band];
        const int width = kShortBandStart[row][band + 1] - start;
        const int source = std::min(band, 11);
        for (int w = 0; w < 3; ++w) {
            const int position = sf.shortBands[source][w];
            const bool illegal = band < firstIntensityBand[w] ||
                                 (s.header.id == 1 ? position >= 7
                                                   : position == sf.shortIllegal[source][w]);
            StereoLines(3 * start + w * width, width, position, illegal, sf.intensityScale);
        }
    }
}

// Block type of one subband. The mixed flag gives the two lowest subbands the normal window
// in every window-switching block, start and stop blocks included: the encoder sets it on
// the start and stop blocks around mixed blocks, so that those subbands overlap normal
// windows on both sides.
int SubbandBlockType(const GranuleInfo& gi, int subband) {
    if (!gi.windowSwitching) {
        return 0;
    }
    if (gi.mixedBlock && subband < 2) {
        return 0;
    }
    return gi.blockType;
}

// 9-point DCT-III, f[n] = sum a[m] cos(pi m (2n + 1) / 18). Outputs n and 8 - n share their
// products: the even terms agree and the odd ones change sign. T is float, or Float4 for four
// transforms side by side.
template <typename T>
ULX3_ALWAYS_INLINE void Dct3Nine(const T* a, T* f) {
    for (int n = 0; n < 4; ++n) {
        const float* c = g_tables.dct9[n];
        const T even = a[0] + a[2] * c[2] + a[4] * c[4] + a[6] * c[6] + a[8] * c[8];
        const T odd = a[1] * c[1] + a[3] * c[3] + a[5] * c[5] + a[7] * c[7];
        f[n] = even + odd;
        f[8 - n] = even - odd;
    }
    f[4] = a[0] - a[2] + a[4] - a[6] + a[8];
}

// The 36 outputs follow from the 18-point DCT-IV Y[n] = sum X[k] cos(pi (2n + 1)(2k + 1) / 72)
// by its symmetries: out[i] = Y[i + 9] for i < 9, -Y[26 - i] for i < 27, -Y[i - 27] above.
// With W[k] = X[k] + X[k - 1], 2 cos((2n + 1) pi / 72) Y[n] = sum W[k] cos(pi k (2n + 1) / 36),
// whose even terms are a 9-point DCT-III of W[2m] and whose odd terms, by the same step once
// more, are a 9-point DCT-III of W[2m + 1] + W[2m - 1] over 2 cos((2n + 1) pi / 36).
template <typename T>
ULX3_ALWAYS_INLINE void InverseMdct36Of(const T* in, T* out) {
    T w[18];
    w[0] = in[0];
    for (int k = 1; k < 18; ++k) {
        w[k] = in[k] + in[k - 1];
    }
    T even[9];
    T odd[9];
    for (int m = 0; m < 9; ++m) {
        even[m] = w[2 * m];
        odd[m] = m > 0 ? w[2 * m + 1] + w[2 * m - 1] : w[1];
    }
    T e[9];
    T g[9];
    Dct3Nine(even, e);
    Dct3Nine(odd, g);
    T y[18];
    for (int n = 0; n < 9; ++n) {
        const T o = g[n] * g_tables.imdctOddScale[n];
        y[n] = (e[n] + o) * g_tables.imdctScale[n];
        y[17 - n] = (e[n] - o) * g_tables.imdctScale[17 - n];
    }
    for (int i = 0; i < 9; ++i) {
        out[i] = y[i + 9];
        out[27 + i] = -y[i];
    }
    for (int i = 9; i < 27; ++i) {
        out[i] = -y[26 - i];
    }
}

void ImdctLong(const float* in, const float* window, float* out, float* overlap) {
    float y[36];
    InverseMdct36Of(in, y);
    for (int i = 0; i < 18; ++i) {
        out[i] = y[i] * window[i] + overlap[i];
        overlap[i] = y[18 + i] * window[18 + i];
    }
}

// ImdctLong for four adjacent subbands under the same window, side by side in vector lanes.
void ImdctLongFour(const float* in, const float* window, float (*out)[18],
                   float (*overlap)[18]) {
    Float4 x[18];
    for (int k = 0; k < 18; ++k) {
        x[k] = Float4{in[k], in[18 + k], in[36 + k], in[54 + k]};
    }
    Float4 y[36];
    InverseMdct36Of(x, y);
    for (int j = 0; j < 4; ++j) {
        for (int i = 0; i < 18; ++i) {
            out[j][i] = y[i][j] * window[i] + overlap[j][i];
            overlap[j][i] = y[18 + i][j] * window[18 + i];
        }
    }
}

// The three windows' transforms, each under the short sine window, overlap-added at
// 6, 12 and 18 of a 36-value span.
void ImdctShort(const float* in, float* out, float* overlap) {
    float x[36] = {};
    for (int w = 0; w < 3; ++w) {
        float y[12];
        InverseMdct12(in + 6 * w, y);
        for (int i = 0; i < 12; ++i) {
            x[6 + 6 * w + i] += y[i] * g_tables.shortWindow[i];
        }
    }
    for (int i = 0; i < 18; ++i) {
        out[i] = x[i] + overlap[i];
        overlap[i] = x[18 + i];
    }
}

} // namespace

void InverseMdct36(const float* in, float* out) {
    InverseMdct36Of(in, out);
}

// The 12 outputs follow from the 6-point DCT-IV Y[n] = sum X[k] cos(pi (2n + 1)(2k + 1) / 24):
// out[i] = Y[i + 3] for i < 3, -Y[8 - i] for i < 9, -Y[i - 9] above.
void InverseMdct12(const float* in, float* out) {
    float y[6];
    for (int n = 0; n < 6; ++n) {
        float sum = 0.0f;
        for (int k = 0; k < 6; ++k) {
            sum += in[k] * g_tables.dct4Six[n][k];
        }
        y[n] = sum;
    }
    for (int i = 0; i < 3; ++i) {
        out[i] = y[i + 3];
        out[9 + i] = -y[i];
    }
    for (int i = 3; i < 9; ++i) {
        out[i] = -y[8 - i];
    }
}

void JointStereo(int granule) {
    DecoderState& s = g_state;
    const GranuleInfo& gi = s.side.granule[granule][1];
    const int row = BandRow(s.header.id, s.header.samplingIndex);
    const bool intensity = (s.header.modeExtension & 1) != 0;
    if (gi.shortBlocks()) {
        JointStereoShort(row, intensity, gi.mixedShortBlocks());
    } else {
        JointStereoLong(row, intensity);
    }
}

void Reorder(int granule, int channel) {
    DecoderState& s = g_state;
    const GranuleInfo& gi = s.side.granule[granule][channel];
    if (!gi.shortBlocks()) {
        return;
    }
    const int row = BandRow(s.header.id, s.header.samplingIndex);
    float* xr = s.spectrum[channel];
    float decoded[576];
    std::memcpy(decoded, xr, sizeof decoded);
    const int first = gi.mixedShortBlocks() ? 36 : 0;
    for (int j = first; j < 576; ++j) {
        xr[g_tables.reorder[row][j]] = decoded[j];
    }
}

void AliasReduce(int granule, int channel) {
    const GranuleInfo& gi = g_state.side.granule[granule][channel];
    if (gi.shortBlocks() && !gi.mixedShortBlocks()) {
        return;
    }
    // Mixed blocks: only between the two long subbands.
    const int lastBoundary = gi.shortBlocks() ? 1 : 31;
    float* xr = g_state.spectrum[channel];
    for (int sb = 1; sb <= lastBoundary; ++sb) {
        for (int i = 0; i < 8; ++i) {
            const float a = xr[18 * sb - 1 - i];
            const float b = xr[18 * sb + i];
            xr[18 * sb - 1 - i] = a * g_tables.aliasCs[i] - b * g_tables.aliasCa[i];
            xr[18 * sb + i] = b * g_tables.aliasCs[i] + a * g_tables.aliasCa[i];
        }
    }
}

namespace {

// A line from which the channel's spectrum is surely zero. The Huffman data ends at the
// nonzero count; stereo processing fills no line above the larger count of both channels;
// alias reduction reaches 8 lines into the next subband. Reordered short blocks can land
// higher, so they are searched whole.
int ZeroFrom(const GranuleInfo& gi, int channel) {
    const DecoderState& s = g_state;
    if (gi.shortBlocks()) {
        return 576;
    }
    int count = s.nonzero[channel];
    if (s.header.channels() == 2 && s.header.mode == 1 && s.header.modeExtension != 0) {
        count = std::max(s.nonzero[0], s.nonzero[1]);
    }
    return std::min(576, (count + 17) / 18 * 18 + 8);
}

} // namespace

void HybridTransform(int granule, int channel) {
    DecoderState& s = g_state;
    const GranuleInfo& gi = s.side.granule[granule][channel];
    const float* xr = s.spectrum[channel];
    int last = ZeroFrom(gi, channel) - 1;
    while (last >= 0 && xr[last] == 0.0f) {
        --last;
    }
    const int limit = std::max(1, (last + 18) / 18);
    float (*out)[18] = s.hybrid[channel];
    float (*overlap)[18] = s.overlap[channel];
    int sb = 0;
    while (sb < limit) {
        const int type = SubbandBlockType(gi, sb);
        if (type != 2 && sb + 4 <= limit && SubbandBlockType(gi, sb + 3) == type) {
            ImdctLongFour(xr + 18 * sb, g_tables.imdctWindow[type], out + sb, overlap + sb);
            sb += 4;
        } else {
            if (type == 2) {
                ImdctShort(xr + 18 * sb, out[sb], overlap[sb]);
            } else {
                ImdctLong(xr + 18 * sb, g_tables.imdctWindow[type], out[sb], overlap[sb]);
            }
            ++sb;
        }
    }
    for (; sb < 32; ++sb) {
        std::memcpy(out[sb], overlap[sb], sizeof(float) * 18);
        std::memset(overlap[sb], 0, sizeof(float) * 18);
    }
    // Frequency inversion: every odd sample of every odd subband changes sign.
    for (sb = 1; sb < 32; sb += 2) {
        for (int i = 1; i < 18; i += 2) {
            out[sb][i] = -out[sb][i];
        }
    }
}

} // namespace ulx3
