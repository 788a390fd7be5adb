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

void SynthesiseSlot(int channel, const float* subbands, int16_t* out) {
    DecoderState& s = g_state;
    float* v = s.synthesisV[channel];
    int& offset = s.synthesisOffset[channel];
    offset = (offset - 64) & 1023;
    for (int i = 0; i < 64; ++i) {
        float sum = 0.0f;
        for (int k = 0; k < 32; ++k) {
            sum += g_tables.matrixing[i][k] * subbands[k];
        }
        v[offset + i] = sum;
    }
    const float* d = g_tables.synthesisWindow;
    for (int j = 0; j < 32; ++j) {
        double sum = 0.0;
        for (int i = 0; i < 8; ++i) {
            sum += static_cast<double>(v[(offset + 128 * i + j) & 1023]) * d[64 * i + j];
            sum += static_cast<double>(v[(offset + 128 * i + 96 + j) & 1023]) * d[64 * i + 32 + j];
        }
        out[j] = PcmSample(sum);
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
