// Scale factors, Huffman decoding and dequantisation of one granule and channel.
#include "decoder/decoder_state.h"
#include "decoder/huffman_tables.h"
#include "decoder/tables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

namespace ulx3 {

namespace {

// Lookup tables built from the codes: a first level indexed by the next 8 bits (6 for the
// count1 tables), whose entries are either a decoded value or a second level indexed by the
// bits that follow. Leaf: length in bits 0..4, value in bits 8..15 (x << 4 | y for pairs, the
// v w x y pattern for quadruples). Link: bit 31, offset in bits 0..19, index width in bits
// 20..23.
constexpr int kLookupPool = 1 << 15;
constexpr uint32_t kLink = 0x80000000u;
uint32_t g_lookup[kLookupPool];
int g_lookupRoot[34];
int g_lookupRootBits[34];

// Pair index (x-major) to the x << 4 | y value form.
uint32_t PairValue(uint32_t index, int size) {
    return (index / static_cast<uint32_t>(size)) << 4 | (index % static_cast<uint32_t>(size));
}

// Codewords up to this length decode with one lookup; longer ones need a second.
constexpr int kMaxRootBits = 10;

int BuildLookup(const HuffmanCode& code, bool quadruples, int rootBits, int used) {
    const int entries = code.size * code.size;
    const int root = used;
    used += 1 << rootBits;
    int longest[1 << kMaxRootBits] = {};
    for (int i = 0; i < entries; ++i) {
        const int length = code.lengths[i];
        if (length > rootBits) {
            const int prefix = code.codes[i] >> (length - rootBits);
            longest[prefix] = std::max(longest[prefix], length - rootBits);
        }
    }
    for (int prefix = 0; prefix < (1 << rootBits); ++prefix) {
        if (longest[prefix] > 0) {
            g_lookup[root + prefix] = kLink | static_cast<uint32_t>(used) |
                                      static_cast<uint32_t>(longest[prefix]) << 20;
            used += 1 << longest[prefix];
        }
    }
    for (int i = 0; i < entries; ++i) {
        const int length = code.lengths[i];
        const uint32_t value = quadruples ? static_cast<uint32_t>(i)
                                          : PairValue(static_cast<uint32_t>(i), code.size);
        const uint32_t leaf = static_cast<uint32_t>(length) | value << 8;
        if (length <= rootBits) {
            const int first = code.codes[i] << (rootBits - length);
            for (int k = 0; k < (1 << (rootBits - length)); ++k) {
                if ((g_lookup[root + first + k] & kLink) == 0) {
                    g_lookup[root + first + k] = leaf;
                }
            }
        } else {
            const int prefix = code.codes[i] >> (length - rootBits);
            const uint32_t link = g_lookup[root + prefix];
            if ((link & kLink) == 0) {
                continue;   // a shorter codeword owns this prefix: not a prefix-free code
            }
            const int offset = static_cast<int>(link & 0xFFFFF);
            const int width = static_cast<int>((link >> 20) & 0xF);
            const int rest = code.codes[i] & ((1 << (length - rootBits)) - 1);
            const int first = rest << (width - (length - rootBits));
            for (int k = 0; k < (1 << (width - (length - rootBits))); ++k) {
                g_lookup[offset + first + k] = leaf;
            }
        }
    }
    return used;
}

} // namespace

void PrepareHuffman() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    int used = 0;
    for (int t = 0; t < 34; ++t) {
        const HuffmanCode& code = kHuffmanCodes[t];
        g_lookupRoot[t] = -1;
        if (code.codes == nullptr) {
            continue;
        }
        // Tables sharing one code share its lookup.
        const bool shared = t > 16 && t < 24 ? true : t > 24 && t < 32;
        if (shared) {
            const int owner = t < 24 ? 16 : 24;
            g_lookupRoot[t] = g_lookupRoot[owner];
            g_lookupRootBits[t] = g_lookupRootBits[owner];
            continue;
        }
        const int entries = code.size * code.size;
        const int longestCode = *std::max_element(code.lengths, code.lengths + entries);
        g_lookupRootBits[t] = std::min(longestCode, kMaxRootBits);
        g_lookupRoot[t] = used;
        used = BuildLookup(code, t >= 32, g_lookupRootBits[t], used);
    }
    prepared = true;
}

namespace {

// The lookup entry of the codeword at the top of `bits` (MSB first).
inline uint32_t LookupCodeword(int table, uint64_t bits) {
    const int rootBits = g_lookupRootBits[table];
    uint32_t entry = g_lookup[g_lookupRoot[table] + static_cast<int>(bits >> (64 - rootBits))];
    if (entry & kLink) {
        const int width = static_cast<int>((entry >> 20) & 0xF);
        const uint64_t rest = (bits << rootBits) >> (64 - width);
        entry = g_lookup[(entry & 0xFFFFF) + static_cast<int>(rest)];
    }
    return entry;
}

inline int EntryLength(uint32_t entry) {
    return static_cast<int>(entry & 31);
}

inline int EntryValue(uint32_t entry) {
    return static_cast<int>((entry >> 8) & 0xFF);
}

} // namespace

int HuffmanDecode(int table, Reservoir& r) {
    if (g_lookupRoot[table] < 0) {
        return 0;
    }
    const uint32_t entry = LookupCodeword(table, PeekReservoir(r, r.bitPosition));
    r.bitPosition += EntryLength(entry);
    return EntryValue(entry);
}

namespace {

int ReadScaleFactorsMpeg1(int gr, int ch) {
    DecoderState& s = g_state;
    GranuleInfo& gi = s.side.granule[gr][ch];
    ScaleFactors& sf = s.scalefactors[ch];
    Reservoir& r = s.reservoir;
    const int slen1 = kSlen[0][gi.scalefacCompress];
    const int slen2 = kSlen[1][gi.scalefacCompress];
    int bits = 0;
    if (gi.shortBlocks()) {
        int firstShort = 0;
        if (gi.mixedShortBlocks()) {
            for (int band = 0; band < 8; ++band) {
                sf.longBands[band] = static_cast<int>(ReservoirBits(r, slen1));
            }
            bits += 8 * slen1;
            firstShort = 3;
        }
        for (int band = firstShort; band < 12; ++band) {
            const int slen = band < 6 ? slen1 : slen2;
            for (int w = 0; w < 3; ++w) {
                sf.shortBands[band][w] = static_cast<int>(ReservoirBits(r, slen));
            }
            bits += 3 * slen;
        }
        for (int w = 0; w < 3; ++w) {
            sf.shortBands[12][w] = 0;
        }
        return bits;
    }
    static const int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int group = 0; group < 4; ++group) {
        if (gr == 1 && s.side.scfsi[ch][group]) {
            continue;   // granule 0's scale factors stand
        }
        const int slen = group < 2 ? slen1 : slen2;
        for (int band = kGroupStart[group]; band < kGroupStart[group + 1]; ++band) {
            sf.longBands[band] = static_cast<int>(ReservoirBits(r, slen));
        }
        bits += (kGroupStart[group + 1] - kGroupStart[group]) * slen;
    }
    sf.longBands[21] = 0;
    return bits;
}

// The MPEG-2 scale-factor lengths and partition row for one channel.
void LsfLengths(int compress, bool intensityChannel, int slen[4], int& row, int& preflag,
                int& intensityScale) {
    preflag = 0;
    intensityScale = 0;
    slen[3] = 0;
    if (!intensityChannel) {
        if (compress < 400) {
            slen[0] = (compress >> 4) / 5;
            slen[1] = (compress >> 4) % 5;
            slen[2] = (compress & 15) >> 2;
            slen[3] = compress & 3;
            row = 0;
        } else if (compress < 500) {
            const int d = compress - 400;
            slen[0] = (d >> 2) / 5;
            slen[1] = (d >> 2) % 5;
            slen[2] = d & 3;
            row = 1;
        } else {
            const int d = compress - 500;
            slen[0] = d / 3;
            slen[1] = d % 3;
            slen[2] = 0;
            row = 2;
            preflag = 1;
        }
        return;
    }
    intensityScale = compress & 1;
    const int e = compress >> 1;
    if (e < 180) {
        slen[0] = e / 36;
        slen[1] = (e % 36) / 6;
        slen[2] = (e % 36) % 6;
        row = 3;
    } else if (e < 244) {
        const int d = e - 180;
        slen[0] = (d % 64) >> 4;
        slen[1] = (d % 16) >> 2;
        slen[2] = d % 4;
        row = 4;
    } else {
        const int d = e - 244;
        slen[0] = d / 3;
        slen[1] = d % 3;
        slen[2] = 0;
        row = 5;
    }
}

int ReadScaleFactorsMpeg2(int ch) {
    DecoderState& s = g_state;
    GranuleInfo& gi = s.side.granule[0][ch];
    ScaleFactors& sf = s.scalefactors[ch];
    Reservoir& r = s.reservoir;
    const bool intensityChannel = ch == 1 && (s.header.modeExtension & 1) != 0;
    int slen[4];
    int row = 0;
    int preflag = 0;
    LsfLengths(gi.scalefacCompress, intensityChannel, slen, row, preflag, sf.intensityScale);
    gi.preflag = preflag;
    const int kind = gi.shortBlocks() ? (gi.mixedShortBlocks() ? 2 : 1) : 0;
    // The slots the values fill in order: long bands, then (band, window) pairs of short bands.
    const int longSlots = kind == 0 ? 21 : (kind == 2 ? 6 : 0);
    const int firstShort = kind == 2 ? 3 : 0;
    int slot = 0;
    int bits = 0;
    for (int part = 0; part < 4; ++part) {
        const int count = kPartitionSizes[row][kind][part];
        const int illegal = (1 << slen[part]) - 1;
        for (int i = 0; i < count; ++i, ++slot) {
            const int value = static_cast<int>(ReservoirBits(r, slen[part]));
            if (slot < longSlots) {
                sf.longBands[slot] = value;
                sf.longIllegal[slot] = illegal;
            } else {
                const int shortSlot = slot - longSlots;
                const int band = std::min(firstShort + shortSlot / 3, 12);
                sf.shortBands[band][shortSlot % 3] = value;
                sf.shortIllegal[band][shortSlot % 3] = illegal;
            }
        }
        bits += count * slen[part];
    }
    // The highest bands carry no scale factor of their own; intensity stereo there uses the
    // position of the band below (see JointStereo).
    for (int w = 0; w < 3; ++w) {
        sf.shortBands[12][w] = 0;
        sf.shortIllegal[12][w] = sf.shortIllegal[11][w];
    }
    if (kind == 0) {
        sf.longBands[21] = 0;
        sf.longIllegal[21] = sf.longIllegal[20];
    }
    return bits;
}

} // namespace

int ReadScaleFactors(int granule, int channel) {
    return g_state.header.id == 1 ? ReadScaleFactorsMpeg1(granule, channel)
                                  : ReadScaleFactorsMpeg2(channel);
}

namespace {

// One value of a pair after its codeword: the escape's extra bits and the sign, taken from
// the top of `bits`. The sign is applied without a branch: signs are as good as random.
inline int PairValueBits(int magnitude, int linbits, uint64_t& bits, int& used) {
    if (magnitude == 15 && linbits > 0) {
        magnitude += static_cast<int>(bits >> (64 - linbits));
        bits <<= linbits;
        used += linbits;
    }
    const int hasSign = magnitude != 0;
    const int negative = static_cast<int>(bits >> 63) & hasSign;
    bits <<= hasSign;
    used += hasSign;
    return (magnitude ^ -negative) + negative;
}

// Big values from line `i` up to `end` with one table; returns the line reached. One peek
// covers a pair: a codeword of at most 19 bits, two escapes of at most 13 and two signs.
int ReadPairs(int table, int i, int end, Reservoir& r, int* q) {
    if (g_lookupRoot[table] < 0) {
        // Table 0 (and the unused 4 and 14) code nothing: the region is zeros.
        for (; i < end; i += 2) {
            q[i] = q[i + 1] = 0;
        }
        return i;
    }
    const int linbits = kHuffmanCodes[table].linbits;
    int position = r.bitPosition;
    for (; i < end; i += 2) {
        uint64_t bits = PeekReservoir(r, position);
        const uint32_t entry = LookupCodeword(table, bits);
        int used = EntryLength(entry);
        bits <<= used;
        const int value = EntryValue(entry);
        q[i] = PairValueBits(value >> 4, linbits, bits, used);
        q[i + 1] = PairValueBits(value & 15, linbits, bits, used);
        position += used;
    }
    r.bitPosition = position;
    return i;
}

// Quadruples of 0 and +-1 from line `i` while the granule has bits left; returns the line
// reached. A quadruple that runs past the granule's end is not part of it.
int ReadQuadruples(int table, int i, int granuleEnd, Reservoir& r, int* q) {
    int position = r.bitPosition;
    while (position < granuleEnd && i + 4 <= 576) {
        uint64_t bits = PeekReservoir(r, position);
        const uint32_t entry = LookupCodeword(table, bits);
        int used = EntryLength(entry);
        bits <<= used;
        const int pattern = EntryValue(entry);
        for (int k = 0; k < 4; ++k) {
            q[i + k] = PairValueBits((pattern >> (3 - k)) & 1, 0, bits, used);
        }
        if (position + used > granuleEnd) {
            q[i] = q[i + 1] = q[i + 2] = q[i + 3] = 0;
            break;
        }
        position += used;
        i += 4;
    }
    r.bitPosition = position;
    return i;
}

} // namespace

void ReadHuffman(int granule, int channel, int part2Bits) {
    DecoderState& s = g_state;
    const GranuleInfo& gi = s.side.granule[granule][channel];
    Reservoir& r = s.reservoir;
    int* q = s.quantised[channel];
    const int row = BandRow(s.header.id, s.header.samplingIndex);
    const int granuleStart = r.bitPosition - part2Bits;
    const int granuleEnd = granuleStart + gi.part23Length;
    const int bigEnd = gi.bigValues * 2;
    int region1 = 0;
    int region2 = 0;
    if (gi.windowSwitching) {
        region1 = gi.shortBlocks() && !gi.mixedShortBlocks() ? 36 : kLongBandStart[row][8];
        region2 = 576;
    } else {
        region1 = kLongBandStart[row][std::min(gi.region0Count + 1, 22)];
        region2 = kLongBandStart[row][std::min(gi.region0Count + gi.region1Count + 2, 22)];
    }
    region1 = std::min(region1, bigEnd);
    region2 = std::min(region2, bigEnd);
    const int regionEnd[3] = {region1, region2, bigEnd};
    int i = 0;
    for (int region = 0; region < 3; ++region) {
        i = ReadPairs(gi.tableSelect[region], i, regionEnd[region], r, q);
    }
    i = ReadQuadruples(32 + gi.count1Table, i, granuleEnd, r, q);
    s.nonzero[channel] = std::min(i, 576);
    std::fill(q + s.nonzero[channel], q + 578, 0);
    r.bitPosition = granuleEnd;
}

float BandGain(int exponent) {
    if (exponent < -512) {
        return 0.0f;
    }
    return g_tables.gain[std::min(exponent, 127) + 512];
}

namespace {

// sign(q) |q|^(4/3) gain. The sign is copied bitwise: a branch on it would be mispredicted
// half the time.
inline float Dequantised(int q, float gain) {
    const int magnitude = std::min(std::abs(q), kLargestQuantised);
    const float value = g_tables.power[magnitude] * gain;
    const uint32_t sign = static_cast<uint32_t>(q) & 0x80000000u;
    return std::bit_cast<float>(std::bit_cast<uint32_t>(value) ^ sign);
}

} // namespace

void Dequantise(int granule, int channel) {
    DecoderState& s = g_state;
    const GranuleInfo& gi = s.side.granule[granule][channel];
    const ScaleFactors& sf = s.scalefactors[channel];
    const int* q = s.quantised[channel];
    float* xr = s.spectrum[channel];
    const int row = BandRow(s.header.id, s.header.samplingIndex);
    const int shift = 1 + gi.scalefacScale;
    const int base = gi.globalGain - 210;
    const int nonzero = s.nonzero[channel];
    std::fill(xr, xr + 576, 0.0f);
    int longEnd = 576;       // lines coded as long bands
    if (gi.shortBlocks()) {
        longEnd = gi.mixedShortBlocks() ? 36 : 0;
    }
    for (int band = 0; band < 22 && kLongBandStart[row][band] < longEnd; ++band) {
        const int start = kLongBandStart[row][band];
        const int end = std::min<int>(kLongBandStart[row][band + 1], longEnd);
        if (start >= nonzero && !gi.mixedShortBlocks()) {
            break;
        }
        const int pre = gi.preflag ? kPretab[band] : 0;
        const float gain = BandGain(base - ((sf.longBands[band] + pre) << shift));
        for (int line = start; line < end; ++line) {
            xr[line] = Dequantised(q[line], gain);
        }
    }
    if (longEnd == 576) {
        return;
    }
    for (int band = gi.mixedShortBlocks() ? 3 : 0; band < 13; ++band) {
        const int start = kShortBandStart[row][band];
        const int width = kShortBandStart[row][band + 1] - start;
        if (3 * start >= nonzero) {
            break;
        }
        for (int w = 0; w < 3; ++w) {
            const float gain =
                BandGain(base - 8 * gi.subblockGain[w] - (sf.shortBands[band][w] << shift));
            const int first = 3 * start + w * width;
            for (int k = 0; k < width; ++k) {
                xr[first + k] = Dequantised(q[first + k], gain);
            }
        }
    }
}

} // namespace ulx3
