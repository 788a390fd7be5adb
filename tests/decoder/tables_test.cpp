// The decoder's tables: those that follow from a formula against the formula, the Huffman
// codes by decoding every codeword of every table.
#include "decoder/decoder_state.h"
#include "decoder/huffman_tables.h"
#include "decoder/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

namespace ulx3 {
namespace {

constexpr double kPi = 3.14159265358979323846;

class DecoderTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        PrepareTables();
        PrepareHuffman();
    }
};

TEST_F(DecoderTables, FormulaTablesMatchTheirFormulas) {
    for (int n : {0, 1, 2, 15, 16, 1000, 8191, 8206}) {
        EXPECT_FLOAT_EQ(g_tables.power[n], static_cast<float>(std::pow(n, 4.0 / 3.0))) << n;
    }
    EXPECT_FLOAT_EQ(BandGain(0), 1.0f);              // global gain 210, no scale factors
    EXPECT_FLOAT_EQ(BandGain(-4), 0.5f);
    EXPECT_FLOAT_EQ(BandGain(5), static_cast<float>(std::exp2(1.25)));
    EXPECT_EQ(BandGain(-600), 0.0f);
    const float ratios[8] = {1.0f, 0.7886751f, 0.6339746f, 0.5f, 0.3660254f, 0.2113249f, 0.0f, 0.0f};
    for (int p = 0; p < 8; ++p) {
        EXPECT_NEAR(g_tables.isRatio[p], ratios[p], 1e-6) << p;
    }
    for (int n = 0; n < 16; ++n) {
        EXPECT_FLOAT_EQ(g_tables.isLsf[0][n], static_cast<float>(std::exp2(-n / 4.0)));
        EXPECT_FLOAT_EQ(g_tables.isLsf[1][n], static_cast<float>(std::exp2(-n / 2.0)));
    }
    for (int i = 0; i < 8; ++i) {
        const double c = kAliasC[i];
        EXPECT_FLOAT_EQ(g_tables.aliasCs[i], static_cast<float>(1.0 / std::sqrt(1.0 + c * c)));
        EXPECT_FLOAT_EQ(g_tables.aliasCa[i], static_cast<float>(c / std::sqrt(1.0 + c * c)));
    }
}

TEST_F(DecoderTables, ImdctWindowsAndTransformConstants) {
    for (int i = 0; i < 36; ++i) {
        const float normal = static_cast<float>(std::sin((i + 0.5) * kPi / 36.0));
        EXPECT_FLOAT_EQ(g_tables.imdctWindow[0][i], normal);
        EXPECT_FLOAT_EQ(g_tables.imdctWindow[3][35 - i], g_tables.imdctWindow[1][i])
            << "the stop window is the start window reversed, " << i;
    }
    EXPECT_FLOAT_EQ(g_tables.imdctWindow[1][20], 1.0f);
    EXPECT_FLOAT_EQ(g_tables.imdctWindow[1][32], 0.0f);
    EXPECT_FLOAT_EQ(g_tables.imdctWindow[3][3], 0.0f);
}

// The fast transforms against the defining sum, for every single line and for mixed input.
void ExpectImdctMatchesItsSum(int size) {
    const int inputs = size / 2;
    std::vector<std::vector<float>> cases;
    for (int k = 0; k < inputs; ++k) {
        std::vector<float> impulse(static_cast<size_t>(inputs), 0.0f);
        impulse[static_cast<size_t>(k)] = 1.0f;
        cases.push_back(impulse);
    }
    std::vector<float> mixed;
    for (int k = 0; k < inputs; ++k) {
        mixed.push_back(static_cast<float>(std::sin(1.7 * k + 0.3) * (k % 3 == 0 ? 1000.0 : -37.5)));
    }
    cases.push_back(mixed);
    for (const std::vector<float>& in : cases) {
        float out[36];
        if (size == 36) {
            InverseMdct36(in.data(), out);
        } else {
            InverseMdct12(in.data(), out);
        }
        double largest = 0.0;
        for (float v : in) {
            largest = std::max(largest, static_cast<double>(std::fabs(v)));
        }
        for (int i = 0; i < size; ++i) {
            double sum = 0.0;
            for (int k = 0; k < inputs; ++k) {
                sum += in[static_cast<size_t>(k)] *
                       std::cos(kPi / (2 * size) * (2 * i + 1 + size / 2) * (2 * k + 1));
            }
            ASSERT_NEAR(out[i], sum, 2e-6 * inputs * largest) << "size " << size << ", output " << i;
        }
    }
}

TEST_F(DecoderTables, FastImdctsMatchTheirDefinition) {
    ExpectImdctMatchesItsSum(36);
    ExpectImdctMatchesItsSum(12);
    // A single X[0] = 1 gives cos(pi/72 (2i + 19)) before windowing.
    float in[18] = {1.0f};
    float out[36];
    InverseMdct36(in, out);
    EXPECT_NEAR(out[26], -0.99905, 1e-5);
}

TEST_F(DecoderTables, ReorderPlacesEachWindowsLinesTogether) {
    for (int row = 0; row < 6; ++row) {
        std::set<int> seen;
        for (int j = 0; j < 576; ++j) {
            seen.insert(g_tables.reorder[row][j]);
        }
        EXPECT_EQ(seen.size(), 576u) << "a permutation, row " << row;
        // Band 0, window 1, line 2: frequency line 2 of window 1 -> subband 0, slot 6 + 2.
        const int width0 = kShortBandStart[row][1];
        EXPECT_EQ(g_tables.reorder[row][width0 + 2], 8);
    }
}

TEST_F(DecoderTables, SynthesisWindowKeepsItsSymmetryAndPeak) {
    EXPECT_FLOAT_EQ(g_tables.synthesisWindow[256], 1.144989014f);
    for (int i = 1; i < 256; ++i) {
        const float mirrored = g_tables.synthesisWindow[512 - i];
        const float expected = i % 64 == 0 ? g_tables.synthesisWindow[i] : -g_tables.synthesisWindow[i];
        EXPECT_EQ(mirrored, expected) << i;
    }
}

// Writes `length` bits of `code` at bit `position` of the reservoir, MSB first.
void PutBits(Reservoir& r, int position, uint32_t code, int length) {
    for (int b = 0; b < length; ++b) {
        const int bit = (code >> (length - 1 - b)) & 1;
        const int at = position + b;
        r.bytes[at >> 3] = static_cast<uint8_t>(r.bytes[at >> 3] | bit << (7 - (at & 7)));
    }
}

void ExpectEveryCodewordDecodes(int table) {
    const HuffmanCode& code = kHuffmanCodes[table];
    static Reservoir r;
    const int entries = code.size * code.size;
    for (int i = 0; i < entries; ++i) {
        r = Reservoir{};
        const int position = 5;   // off byte boundaries
        PutBits(r, position, code.codes[i], code.lengths[i]);
        // Ones after the codeword must not change what it decodes to.
        PutBits(r, position + code.lengths[i], 0xFFFFF, 20);
        r.bitPosition = position;
        const int value = HuffmanDecode(table, r);
        const int expected = table >= 32 ? i : (i / code.size) << 4 | (i % code.size);
        ASSERT_EQ(value, expected) << "table " << table << " entry " << i;
        ASSERT_EQ(r.bitPosition - position, code.lengths[i]) << "table " << table << " entry " << i;
    }
}

TEST_F(DecoderTables, EveryCodewordOfEveryTableDecodes) {
    for (int table : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 23, 24, 31, 32, 33}) {
        SCOPED_TRACE(table);
        ExpectEveryCodewordDecodes(table);
    }
}

// A mistyped codeword or length either leaves part of the code space unused (Kraft sum below
// 1), overlaps another codeword (sum above 1 or a shared prefix), or duplicates one.
TEST_F(DecoderTables, EveryCodeIsCompleteAndPrefixFree) {
    for (int table : {1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 15, 16, 24, 32, 33}) {
        SCOPED_TRACE(table);
        const HuffmanCode& code = kHuffmanCodes[table];
        const int entries = code.size * code.size;   // the quadruple tables: 4 x 4
        uint64_t kraft = 0;   // in units of 2^-19, the longest codeword
        for (int i = 0; i < entries; ++i) {
            const int length = code.lengths[i];
            ASSERT_GE(length, 1) << "entry " << i;
            ASSERT_LE(length, 19) << "entry " << i;
            ASSERT_LT(code.codes[i], 1u << length) << "entry " << i << " longer than its length";
            kraft += uint64_t{1} << (19 - length);
        }
        EXPECT_EQ(kraft, uint64_t{1} << 19) << "Kraft sum must be exactly 1";
        for (int i = 0; i < entries; ++i) {
            for (int j = 0; j < entries; ++j) {
                const int shorter = code.lengths[i];
                const int longer = code.lengths[j];
                if (i == j || shorter > longer) {
                    continue;
                }
                EXPECT_NE(code.codes[j] >> (longer - shorter), code.codes[i])
                    << "entry " << i << " is a prefix of entry " << j;
            }
        }
    }
}

TEST_F(DecoderTables, TableZeroReadsNothingAndLinbitsFollowTheStandard) {
    EXPECT_EQ(kHuffmanCodes[0].linbits, 0);
    const int linbits16[8] = {1, 2, 3, 4, 6, 8, 10, 13};
    const int linbits24[8] = {4, 5, 6, 7, 8, 9, 11, 13};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(kHuffmanCodes[16 + i].linbits, linbits16[i]);
        EXPECT_EQ(kHuffmanCodes[24 + i].linbits, linbits24[i]);
    }
}

TEST(PcmOutput, RoundsHalfToEvenAndClipsAtFullScale) {
    struct Case {
        double reconstructed;
        int16_t expected;
    };
    const double lsb = 1.0 / 32768.0;
    const Case cases[] = {
        {0.5 * lsb, 0}, {1.5 * lsb, 2}, {2.5 * lsb, 2}, {-0.5 * lsb, 0}, {-1.5 * lsb, -2},
        {0.49 * lsb, 0}, {0.51 * lsb, 1}, {1.0, 32767}, {1.7, 32767}, {-1.0, -32768},
        {-1.3, -32768}, {32766.5 * lsb, 32766}, {32767.5 * lsb, 32767}, {-32768.5 * lsb, -32768},
        {1e30, 32767}, {-1e30, -32768}, {HUGE_VAL, 32767}, {-HUGE_VAL, -32768},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PcmSample(c.reconstructed), c.expected) << c.reconstructed / lsb << " LSB";
    }
}

} // namespace
} // namespace ulx3
