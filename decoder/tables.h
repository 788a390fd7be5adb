// Constant tables of the Layer III decoder (ISO/IEC 11172-3 and 13818-3) and the tables that
// follow from formulas, computed once per process by PrepareTables().
#pragma once

#include <cstdint>

namespace ulx3 {

// Row of the band tables: MPEG-2 22.05, 24, 16 kHz, then MPEG-1 44.1, 48, 32 kHz.
inline int BandRow(int id, int samplingIndex) { return id * 3 + samplingIndex; }

// The largest quantised magnitude: the escape value 15 plus 13 extra bits.
constexpr int kLargestQuantised = 15 + (1 << 13) - 1;

extern const int16_t kBitrates[2][16];     // [ID][index], kbit/s; 0 = free format or reserved
extern const int32_t kSampleRates[2][3];   // [ID][index]
extern const int16_t kLongBandStart[6][23];
extern const int16_t kShortBandStart[6][14];
extern const uint8_t kPretab[22];
extern const uint8_t kSlen[2][16];         // MPEG-1 slen1, slen2 by scalefac_compress
extern const uint8_t kPartitionSizes[6][3][4];
extern const double kAliasC[8];
extern const int32_t kSynthesisWindowHalf[257];  // D[0..256] of the standard, times 65536

// Derived tables, filled by PrepareTables().
struct DerivedTables {
    float power[kLargestQuantised + 1];   // n^(4/3)
    float gain[640];              // 2^(A/4) for A = index - 512
    float aliasCs[8];
    float aliasCa[8];
    float imdctWindow[4][36];     // block types 0, 1, 3 (2 unused: see shortWindow)
    float shortWindow[12];        // sin((i + .5) pi/12)
    float dct9[4][9];             // cos(pi m (2n + 1) / 18), [n][m], n = 0..3
    float imdctOddScale[9];       // 1 / (2 cos((2n + 1) pi / 36))
    float imdctScale[18];         // 1 / (2 cos((2n + 1) pi / 72))
    float dct4Six[6][6];          // cos(pi (2n + 1)(2k + 1) / 24), [n][k]
    float synthesisWindow[512];   // D[i], both halves
    float synthesisScaled[512];   // D[i] * 32768: the sums come out in 16-bit units
    float dctScale[5][16];        // 1 / (2 cos(pi (2i + 1) / (2 size))), size 32, 16, 8, 4, 2
    float isRatio[8];             // MPEG-1: 1 / (1 + tan(p pi/12)); 6 and 7 give 0
    float isLsf[2][16];           // MPEG-2: 2^(-n (scale + 1) / 4)
    int16_t reorder[6][576];      // short blocks: decode order index -> output position
};
extern DerivedTables g_tables;

void PrepareTables();

} // namespace ulx3
