// The polyphase synthesis filterbank: 32 subband samples per time slot to 32 PCM samples,
// rounded to the nearest integer (ties to even) and clipped to 16 bits.
#include "decoder/decoder_state.h"
#include "decoder/tables.h"

#include <cmath>
#include <cstring>

namespace ulx3 {

namespace {

// Full scale: a reconstructed sample of 1.0 is 32768, so that -1.0 is exactly -32768.
constexpr double kOutputScale = 32768.0;

constexpr int DctLevel(int size) {
    return size == 32 ? 0 : size == 16 ? 1 : size == 8 ? 2 : size == 4 ? 3 : 4;
}

// DCT-II of 2^n values, C[k] = sum x[i] cos(pi (2i + 1) k / (2 size)), by halving: the even
// outputs are the transform of the sums of mirrored inputs, the odd ones adjacent pairs of the
// transform of their scaled differences.
template <int Size>
void Dct(float* x) {
    if constexpr (Size == 1) {
        return;
    } else {
        constexpr int kHalf = Size / 2;
        float even[kHalf];
        float odd[kHalf];
        for (int i = 0; i < kHalf; ++i) {
            const float a = x[i];
            const float b = x[Size - 1 - i];
            even[i] = a + b;
            odd[i] = (a - b) * g_tables.dctScale[DctLevel(Size)][i];
        }
        Dct<kHalf>(even);
        Dct<kHalf>(odd);
        for (int k = 0; k < kHalf; ++k) {
            x[2 * k] = even[k];
            x[2 * k + 1] = odd[k] + (k + 1 < kHalf ? odd[k + 1] : 0.0f);
        }
    }
}

void SynthesiseSlot(int channel, const float* subbands, int16_t* out) {
    DecoderState& s = g_state;
    float* v = s.synthesisV[channel];
    int& offset = s.synthesisOffset[channel];
    offset = (offset - 64) & 1023;
    // The 64 matrixing values follow from one 32-point DCT-II C: V[i] = C[16 + i], with
    // C[32] = 0, C[64 - m] = -C[m] and C[64 + m] = -C[m].
    float c[32];
    for (int k = 0; k < 32; ++k) {
        c[k] = subbands[k];
    }
    Dct<32>(c);
    // The ring is kept twice, so that the window's reads need no wrap-around.
    float* row = v + offset;
    float* copy = v + offset + 1024;
    for (int i = 0; i < 16; ++i) {
        row[i] = c[16 + i];
    }
    row[16] = 0.0f;
    for (int i = 17; i < 48; ++i) {
        row[i] = -c[48 - i];
    }
    for (int i = 48; i < 64; ++i) {
        row[i] = -c[i - 48];
    }
    for (int i = 0; i < 64; ++i) {
        copy[i] = row[i];
    }
    const float* d = g_tables.synthesisWindow;
    double sum[32] = {};
    for (int i = 0; i < 8; ++i) {
        const float* even = row + 128 * i;
        const float* odd = row + 128 * i + 96;
        const float* d0 = d + 64 * i;
        const float* d1 = d + 64 * i + 32;
        for (int j = 0; j < 32; ++j) {
            sum[j] += static_cast<double>(even[j]) * d0[j];
            sum[j] += static_cast<double>(odd[j]) * d1[j];
        }
    }
    for (int j = 0; j < 32; ++j) {
        out[j] = PcmSample(sum[j]);
    }
}

} // namespace

int16_t PcmSample(double reconstructed) {
    // nearbyint rounds in the current mode: to nearest, ties to even.
    const double rounded = std::nearbyint(reconstructed * kOutputScale);
    if (rounded >= 32767.0) {
        return 32767;
    }
    if (rounded <= -32768.0) {
        return -32768;
    }
    return static_cast<int16_t>(rounded);
}

void Synthesise(int channel, int granuleOffset) {
    DecoderState& s = g_state;
    float subbands[32];
    for (int t = 0; t < 18; ++t) {
        for (int sb = 0; sb < 32; ++sb) {
            subbands[sb] = s.hybrid[channel][sb][t];
        }
        SynthesiseSlot(channel, subbands, s.pcm[channel] + granuleOffset + 32 * t);
    }
}

void ClearSignalMemories() {
    DecoderState& s = g_state;
    std::memset(s.overlap, 0, sizeof s.overlap);
    std::memset(s.hybrid, 0, sizeof s.hybrid);
    std::memset(s.synthesisV, 0, sizeof s.synthesisV);
}

} // namespace ulx3
