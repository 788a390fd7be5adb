// The decoder's one process-wide state and the stages that work on it. Everything is fixed
// size and static: nothing is allocated after the library is loaded.
#pragma once

#include "decoder/ulx3_api.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

namespace ulx3 {

struct FrameHeader {
    int id = 0;               // 1 MPEG-1, 0 MPEG-2
    int layer = 0;            // layer code: 1 = Layer III
    int protection = 1;       // 0: a CRC word follows
    int bitrateIndex = 0;
    int samplingIndex = 0;
    int padding = 0;
    int mode = 0;             // 0 stereo, 1 joint, 2 dual, 3 single channel
    int modeExtension = 0;    // bit 1 MS, bit 0 intensity
    int channels() const { return mode == 3 ? 1 : 2; }
    int granules() const { return id == 1 ? 2 : 1; }
};

struct GranuleInfo {
    int part23Length = 0;
    int bigValues = 0;
    int globalGain = 0;
    int scalefacCompress = 0;
    int windowSwitching = 0;
    int blockType = 0;
    int mixedBlock = 0;
    int tableSelect[3] = {};
    int subblockGain[3] = {};
    int region0Count = 0;
    int region1Count = 0;
    int preflag = 0;
    int scalefacScale = 0;
    int count1Table = 0;
    bool shortBlocks() const { return windowSwitching && blockType == 2; }
    // Short blocks whose two lowest subbands (the first 36 lines) are coded as long blocks.
    bool mixedShortBlocks() const { return shortBlocks() && mixedBlock; }
};

struct SideInfo {
    int mainDataBegin = 0;
    int scfsi[2][4] = {};
    GranuleInfo granule[2][2];   // [granule][channel]
};

struct ScaleFactors {
    int longBands[22] = {};
    int shortBands[13][3] = {};
    // MPEG-2 intensity stereo: the largest value of each scale factor's field, which marks
    // the band as not intensity coded.
    int longIllegal[22] = {};
    int shortIllegal[13][3] = {};
    int intensityScale = 0;
};

// Main data: the bytes of the current frame and what earlier frames left for it. Kept
// linear; older bytes are moved down when room runs out (main_data_begin reaches back at
// most 511 bytes). Zero guard bytes after the data keep damaged granules' reads in bounds.
constexpr int kReservoirSize = 4096;
constexpr int kReservoirGuard = 4096;

struct Reservoir {
    uint8_t bytes[kReservoirSize + kReservoirGuard] = {};
    int fill = 0;                // bytes held
    int bitPosition = 0;         // reader position in bits
    int lastAppendStart = 0;     // where the last frame's main data went
    int compactions = 0;         // times older bytes were moved down
};

// Offsets of the frames the last Ulx calls decoded, newest last, so that a step back lands
// on the frame actually met (variable bitrate streams have no fixed frame distance).
constexpr int kHistorySize = 1024;

struct FrameHistory {
    int64_t offsets[kHistorySize] = {};
    // The reservoir as it was before each frame's main data went in, so that decoding a frame
    // again after a step back reads the same main data.
    int reservoirFill[kHistorySize] = {};
    int compactions[kHistorySize] = {};
    int count = 0;
    int newest = -1;
};

struct DecoderState {
    // Stream.
    int file = -1;
    int64_t fileLength = 0;
    int64_t dataStart = 0;
    int64_t dataLength = 0;
    uint8_t syncPattern[4] = {};
    int frameDistance = 0;
    int frameCounter = 0;
    int64_t headerOffset = 0;     // file offset of the header read last
    StreamInfo info = {};
    int openId = 0;
    int openSamplingIndex = 0;
    int openChannels = 0;
    int lastFrameSamples = 0;
    FrameHistory history;

    // Current frame.
    FrameHeader header;
    SideInfo side;
    Reservoir reservoir;
    ScaleFactors scalefactors[2];
    int quantised[2][578] = {};
    int nonzero[2] = {};
    float spectrum[2][576] = {};
    int subbandLimit[2] = {32, 32};

    // Signal memories.
    float overlap[2][32][18] = {};
    float hybrid[2][32][18] = {};
    float synthesisV[2][2048] = {};   // the 1024-value ring, kept twice
    int synthesisOffset[2] = {};
    int16_t pcm[2][1152] = {};    // one frame per channel before it goes to the caller
};

extern DecoderState g_state;

// frame.cpp: header, side information, main data and the frame driver.
int ParseHeader(const uint8_t bytes[4], FrameHeader& header);   // 0, -1 or -2
int FrameLength(const FrameHeader& header);                      // with padding; 0 if unknown
int SideInfoSize(const FrameHeader& header);
bool ParseSideInfo(const uint8_t* bytes, int size, const FrameHeader& header, SideInfo& side);
// Decodes the frame whose header and CRC were read; returns the samples per channel written
// to the caller's buffer (0 when the frame only filled the reservoir).
int DecodeFrame(int16_t* out);

// The reservoir's bits from `position` on, MSB first, the first in bit 63; at least 57 of them
// are valid. Positions past the buffer read its last bytes (zeros in a sound stream).
inline uint64_t PeekReservoir(const Reservoir& r, int position) {
    constexpr int kLastWord = kReservoirSize + kReservoirGuard - 8;
    const uint8_t* bytes = r.bytes + std::clamp(position >> 3, 0, kLastWord);
    uint64_t word = 0;
#if defined(__GNUC__)
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::little) {
        word = __builtin_bswap64(word);
    }
#else
    for (int i = 0; i < 8; ++i) {
        word = word << 8 | bytes[i];
    }
#endif
    return word << (position & 7);
}

// The next `count` bits (0 to 32) of the reservoir; advances its reader.
inline uint32_t ReservoirBits(Reservoir& r, int count) {
    if (count == 0) {
        return 0;
    }
    const uint64_t bits = PeekReservoir(r, r.bitPosition);
    r.bitPosition += count;
    return static_cast<uint32_t>(bits >> (64 - count));
}

// spectrum.cpp: scale factors, Huffman decoding and dequantisation.
int ReadScaleFactors(int granule, int channel);
void ReadHuffman(int granule, int channel, int part2Bits);
void Dequantise(int granule, int channel);
float BandGain(int exponent);

// hybrid.cpp: stereo processing, alias reduction, IMDCT and overlap.
void JointStereo(int granule);
void Reorder(int granule, int channel);
void AliasReduce(int granule, int channel);
void HybridTransform(int granule, int channel);
// The IMDCTs without windows: out[i] = sum in[k] cos(pi / (2N) (2i + 1 + N/2)(2k + 1)) for
// N = 36 (18 inputs) and N = 12 (6 inputs).
void InverseMdct36(const float* in, float* out);
void InverseMdct12(const float* in, float* out);

// synthesis.cpp: the polyphase filterbank and PCM output.
void Synthesise(int channel, int granuleOffset);
void ClearSignalMemories();
// A reconstructed sample (full scale 1.0) as 16-bit PCM: rounded, ties to even, and clipped.
// The synthesis turns its sums into PCM the same way.
int16_t PcmSample(float reconstructed);

// huffman.cpp lookup structure.
void PrepareHuffman();
// Decodes one codeword of big-value table 1..31 or count1 table 32, 33 at the reader; returns
// the value (x << 4 | y, or the v w x y pattern) and advances the reader. Bad codes give 0.
int HuffmanDecode(int table, Reservoir& r);

} // namespace ulx3
