// The polyphase synthesis filterbank: 32 subband samples per time slot to 32 PCM samples,
// rounded to the nearest integer (ties to even) and clipped to 16 bits.
#include "decoder/decoder_state.h"
#include "decoder/tables.h"
#include "decoder/vector4.h"

#include <cfloat>
#include <cstring>

// The rounding below relies on float arithmetic being done in float.
static_assert(FLT_EVAL_METHOD == 0, "float expressions must be evaluated in float");

namespace ulx3 {

namespace {

constexpr int DctLevel(int size) {
    return size == 32 ? 0 : size == 16 ? 1 : size == 8 ? 2 : size == 4 ? 3 : 4;
}

// DCT-II of 2^n values, C[k] = sum x[i] cos(pi (2i + 1) k / (2 size)), by halving: the even
// outputs are the transform of the sums of mirrored inputs, the odd ones adjacent pairs of the
// transform of their scaled differences. Inlined whole, so that the halves stay in registers.
// T is float, or Float4 for four transforms side by side.
template <int Size, typename T>
ULX3_ALWAYS_INLINE void Dct(T* x) {
    if constexpr (Size > 1) {
        constexpr int kHalf = Size / 2;
        const float* scale = g_tables.dctScale[DctLevel(Size)];
        T even[kHalf];
        T odd[kHalf];
        for (int i = 0; i < kHalf; ++i) {
            const T a = x[i];
            const T b = x[Size - 1 - i];
            even[i] = a + b;
            odd[i] = (a - b) * scale[i];
        }
        Dct<kHalf>(even);
        Dct<kHalf>(odd);
        for (int k = 0; k < kHalf; ++k) {
            x[2 * k] = even[k];
            x[2 * k + 1] = k + 1 < kHalf ? odd[k] + odd[k + 1] : odd[k];
        }
    }
}

// The DCT of all 18 time slots of one channel's hybrid output, four slots at a time (the
// last four overlap the group before). dct[k][t] is output k of time slot t.
void DctOfGranule(const float (*hybrid)[18], float (*dct)[18]) {
    for (int first : {0, 4, 8, 12, 14}) {
        Float4 x[32];
        for (int sb = 0; sb < 32; ++sb) {
            x[sb] = Load4(hybrid[sb] + first);
        }
        Dct<32>(x);
        for (int k = 0; k < 32; ++k) {
            std::memcpy(dct[k] + first, &x[k], sizeof x[k]);
        }
    }
}

// Four samples already scaled to 16-bit full scale, clipped and rounded. Clipping first keeps
// the rounding in range (and sends NaN to the negative limit); adding and taking away
// 1.5 * 2^23 leaves the nearest integer, ties to even, in the default rounding mode.
ULX3_ALWAYS_INLINE void RoundToPcm(Float4 scaled, int16_t* out) {
    const Float4 low = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const Float4 high = {32767.0f, 32767.0f, 32767.0f, 32767.0f};
    const Float4 bias = {12582912.0f, 12582912.0f, 12582912.0f, 12582912.0f};
    Float4 x = scaled > low ? scaled : low;
    x = x < high ? x : high;
    const Int4 rounded = __builtin_convertvector((x + bias) - bias, Int4);
    for (int k = 0; k < 4; ++k) {
        out[k] = static_cast<int16_t>(rounded[k]);
    }
}

// Stores the 64 matrixing values of time slot t at `row` (and its copy 1024 values on). They
// follow from one 32-point DCT-II C: V[i] = C[16 + i], with C[32] = 0, C[64 - m] = -C[m] and
// C[64 + m] = -C[m].
void StoreMatrixing(const float (*dct)[18], int t, float* row) {
    float* copy = row + 1024;
    for (int i = 0; i < 16; ++i) {
        row[i] = dct[16 + i][t];
        row[48 + i] = -dct[i][t];
    }
    row[16] = 0.0f;
    for (int i = 17; i < 48; ++i) {
        row[i] = -dct[48 - i][t];
    }
    std::memcpy(copy, row, sizeof(float) * 64);
}

// Windowing and summation: tap j of the window meets the 32 values of the time slot j / 2
// back, its first half for even taps, its second half for odd ones. The window is prescaled
// to 16-bit full scale. Sixteen outputs at a time, in four independent sums.
void WindowSlot(const float* row, int16_t* out) {
    const float* window = g_tables.synthesisScaled;
    for (int first = 0; first < 32; first += 16) {
        Float4 sum[4] = {};
        for (int tap = 0; tap < 16; ++tap) {
            const float* v = row + 128 * (tap / 2) + (tap % 2 == 0 ? 0 : 96) + first;
            const float* d = window + 32 * tap + first;
            for (int k = 0; k < 4; ++k) {
                sum[k] += Load4(v + 4 * k) * Load4(d + 4 * k);
            }
        }
        for (int k = 0; k < 4; ++k) {
            RoundToPcm(sum[k], out + first + 4 * k);
        }
    }
}


} // namespace

int16_t PcmSample(float reconstructed) {
    const float scaled = reconstructed * 32768.0f;
    int16_t out[4];
    RoundToPcm(Float4{scaled, scaled, scaled, scaled}, out);
    return out[0];
}

void Synthesise(int channel, int granuleOffset) {
    DecoderState& s = g_state;
    float dct[32][18];
    DctOfGranule(s.hybrid[channel], dct);
    int& offset = s.synthesisOffset[channel];
    for (int t = 0; t < 18; ++t) {
        // The ring is kept twice, so that the window's reads need no wrap-around.
        offset = (offset - 64) & 1023;
        float* row = s.synthesisV[channel] + offset;
        StoreMatrixing(dct, t, row);
        WindowSlot(row, s.pcm[channel] + granuleOffset + 32 * t);
    }
}

void ClearSignalMemories() {
    DecoderState& s = g_state;
    std::memset(s.overlap, 0, sizeof s.overlap);
    std::memset(s.hybrid, 0, sizeof s.hybrid);
    std::memset(s.synthesisV, 0, sizeof s.synthesisV);
}

} // namespace ulx3
