// Frame header, side information, the bit reservoir and the driving of one frame through the
// stages that follow.
#include "decoder/decoder_state.h"
#include "decoder/stream_file.h"
#include "decoder/tables.h"

#include <algorithm>
#include <cstring>

namespace ulx3 {

namespace {

// A bit reader over a small byte buffer (the side information), MSB first.
class ByteBits {
public:
    ByteBits(const uint8_t* bytes, int size) : bytes_(bytes), size_(size) {}
    int Get(int count) {
        int value = 0;
        for (int i = 0; i < count; ++i) {
            const int byte = position_ >> 3;
            const int bit = byte < size_ ? (bytes_[byte] >> (7 - (position_ & 7))) & 1 : 0;
            value = (value << 1) | bit;
            ++position_;
        }
        return value;
    }

private:
    const uint8_t* bytes_;
    int size_;
    int position_ = 0;
};

void ParseGranule(ByteBits& bits, const FrameHeader& header, GranuleInfo& gi) {
    gi.part23Length = bits.Get(12);
    // More than 288 pairs would run past the granule's 576 lines.
    gi.bigValues = std::min(bits.Get(9), 288);
    gi.globalGain = bits.Get(8);
    gi.scalefacCompress = bits.Get(header.id == 1 ? 4 : 9);
    gi.windowSwitching = bits.Get(1);
    if (gi.windowSwitching) {
        gi.blockType = bits.Get(2);
        gi.mixedBlock = bits.Get(1);
        gi.tableSelect[0] = bits.Get(5);
        gi.tableSelect[1] = bits.Get(5);
        gi.tableSelect[2] = 0;
        for (int w = 0; w < 3; ++w) {
            gi.subblockGain[w] = bits.Get(3);
        }
        // Block type 0 with window switching is forbidden (only damaged streams have it).
        // The mixed flag stays on start and stop blocks: it puts their two lowest subbands
        // on the normal window, to overlap the mixed blocks beside them.
        if (gi.blockType == 0) {
            gi.windowSwitching = 0;
            gi.mixedBlock = 0;
        }
        gi.region0Count = 0;
        gi.region1Count = 0;
    } else {
        gi.blockType = 0;
        gi.mixedBlock = 0;
        for (int r = 0; r < 3; ++r) {
            gi.tableSelect[r] = bits.Get(5);
        }
        gi.region0Count = bits.Get(4);
        gi.region1Count = bits.Get(3);
    }
    gi.preflag = header.id == 1 ? bits.Get(1) : 0;
    gi.scalefacScale = bits.Get(1);
    gi.count1Table = bits.Get(1);
}

// Keeps what a frame can still reach back to (at most 511 bytes) when the next frame's main
// data would not fit. Called before the reader is positioned: it moves the bytes.
void MakeRoom(Reservoir& r, int count) {
    constexpr int kKeep = 1024;
    if (r.fill + count > kReservoirSize && r.fill > kKeep) {
        std::memmove(r.bytes, r.bytes + r.fill - kKeep, kKeep);
        r.fill = kKeep;
        ++r.compactions;
    }
}

void AppendMainData(Reservoir& r, int count) {
    MakeRoom(r, count);
    r.lastAppendStart = r.fill;
    const int room = kReservoirSize - r.fill;
    const int wanted = std::min(count, room);
    const int got = ReadStream(r.bytes + r.fill, wanted);
    // A frame cut short by the end of the file decodes from zeros where its bytes are missing.
    std::memset(r.bytes + r.fill + got, 0, static_cast<size_t>(wanted - got));
    r.fill += wanted;
    std::memset(r.bytes + r.fill, 0, 8);
}

int16_t Average(int16_t a, int16_t b) {
    return static_cast<int16_t>((a + b) / 2);
}

// Copies the frame's PCM in the channel layout announced at opening: a frame whose mode
// changed the channel count is mixed down or doubled, so the caller's buffer is never
// overrun.
void CopyOut(int16_t* out, int frameChannels, int samples) {
    const int outChannels = g_state.openChannels;
    const int16_t* left = g_state.pcm[0];
    const int16_t* right = frameChannels == 2 ? g_state.pcm[1] : g_state.pcm[0];
    if (outChannels == 2) {
        for (int i = 0; i < samples; ++i) {
            out[2 * i] = left[i];
            out[2 * i + 1] = right[i];
        }
    } else if (frameChannels == 2) {
        for (int i = 0; i < samples; ++i) {
            out[i] = Average(left[i], right[i]);
        }
    } else {
        std::memcpy(out, left, sizeof(int16_t) * static_cast<size_t>(samples));
    }
}

} // namespace

int ParseHeader(const uint8_t bytes[4], FrameHeader& header) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return -1;
    }
    if ((bytes[1] & 0xF0) == 0xE0) {
        return -2;
    }
    header.id = (bytes[1] >> 3) & 1;
    header.layer = (bytes[1] >> 1) & 3;
    header.protection = bytes[1] & 1;
    header.bitrateIndex = bytes[2] >> 4;
    header.samplingIndex = (bytes[2] >> 2) & 3;
    header.padding = (bytes[2] >> 1) & 1;
    header.mode = bytes[3] >> 6;
    header.modeExtension = header.mode == 1 ? (bytes[3] >> 4) & 3 : 0;
    return 0;
}

int FrameLength(const FrameHeader& header) {
    if (header.samplingIndex > 2) {
        return 0;
    }
    const int bitrate = kBitrates[header.id][header.bitrateIndex];
    const int rate = kSampleRates[header.id][header.samplingIndex];
    const int perKbit = header.id == 1 ? 144000 : 72000;
    return bitrate * perKbit / rate + (bitrate > 0 ? header.padding : 0);
}

int SideInfoSize(const FrameHeader& header) {
    if (header.id == 1) {
        return header.channels() == 1 ? 17 : 32;
    }
    return header.channels() == 1 ? 9 : 17;
}

bool ParseSideInfo(const uint8_t* bytes, int size, const FrameHeader& header, SideInfo& side) {
    ByteBits bits(bytes, size);
    const int channels = header.channels();
    if (header.id == 1) {
        side.mainDataBegin = bits.Get(9);
        bits.Get(channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch) {
            for (int band = 0; band < 4; ++band) {
                side.scfsi[ch][band] = bits.Get(1);
            }
        }
    } else {
        side.mainDataBegin = bits.Get(8);
        bits.Get(channels == 1 ? 1 : 2);
    }
    for (int gr = 0; gr < header.granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            ParseGranule(bits, header, side.granule[gr][ch]);
        }
    }
    return true;
}

int DecodeFrame(int16_t* out) {
    DecoderState& s = g_state;
    const FrameHeader& header = s.header;
    const int channels = header.channels();
    const int sideSize = SideInfoSize(header);
    uint8_t sideBytes[32] = {};
    const int got = ReadStream(sideBytes, sideSize);
    std::memset(sideBytes + got, 0, static_cast<size_t>(sideSize - got));
    ParseSideInfo(sideBytes, sideSize, header, s.side);

    const int overhead = 4 + sideSize + (header.protection == 0 ? 2 : 0);
    const int frameLength = FrameLength(header);
    const int mainLength = std::max(frameLength - overhead, 0);
    Reservoir& r = s.reservoir;
    const int begin = s.side.mainDataBegin;
    if (begin > r.fill && s.frameCounter * (frameLength - header.padding) < 960) {
        // The frame's main data starts before anything stored (a cut stream or the start
        // after a reset): keep its bytes for the frames that follow, write nothing.
        AppendMainData(r, mainLength);
        return 0;
    }
    MakeRoom(r, mainLength);
    const bool complete = begin <= r.fill;
    r.bitPosition = (complete ? r.fill - begin : 0) * 8;
    AppendMainData(r, mainLength);
    if (!complete) {
        r.bitPosition = r.fill * 8;
    }

    const int samplesPerGranule = 576;
    for (int gr = 0; gr < header.granules(); ++gr) {
        for (int ch = 0; ch < channels; ++ch) {
            // Data the reservoir lacks decodes as silence rather than as stale bytes.
            if (!complete) {
                s.side.granule[gr][ch].part23Length = 0;
                s.side.granule[gr][ch].bigValues = 0;
            }
            const int part2 = ReadScaleFactors(gr, ch);
            ReadHuffman(gr, ch, part2);
        }
        for (int ch = 0; ch < channels; ++ch) {
            Dequantise(gr, ch);
        }
        if (channels == 2 && header.mode == 1 && header.modeExtension != 0) {
            JointStereo(gr);
        }
        for (int ch = 0; ch < channels; ++ch) {
            Reorder(gr, ch);
            AliasReduce(gr, ch);
            HybridTransform(gr, ch);
            Synthesise(ch, gr * samplesPerGranule);
        }
    }
    const int samples = header.granules() * samplesPerGranule;
    if (out != nullptr) {
        CopyOut(out, channels, samples);
    }
    return samples;
}

} // namespace ulx3
