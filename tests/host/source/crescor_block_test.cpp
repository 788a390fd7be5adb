// Decoding single Crescor blocks: residual fields, escapes, fields across word boundaries, the
// integration passes, and blocks that must be refused.

#include "host/source/crescor_reader.h"
#include "tests/host/source/case_label.h"
#include "tests/host/source/crescor_test_files.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace lumisett::host {
namespace {

using namespace lumisett::test::crescor;

struct FieldCase {
    const char* label;
    int width;
    std::uint32_t field;
    std::uint32_t escaped; // the 16 bits after a zero field
    std::int16_t expected;
};

class CrescorResidualField : public testing::TestWithParam<FieldCase> {};

// A block of one pair is not integrated: its samples are the residuals themselves.
TEST_P(CrescorResidualField, DecodesToTheSampleOfAOnePairBlock) {
    const FieldCase& c = GetParam();
    BitList bits;
    bits.Put(c.field, c.width);
    if (c.field == 0) {
        bits.Put(c.escaped, 16);
    }
    bits.Put(9, 4); // right: width 4, residual 1
    std::array<std::int16_t, 2> pair{};
    auto frames = DecodeCrescorBlock(BlockBody(1, Parameters(c.width, 4, true, true), bits.Words()),
                                     pair);
    ASSERT_EQ(frames, 1);
    EXPECT_EQ(pair[0], c.expected);
    EXPECT_EQ(pair[1], 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorResidualField,
    testing::Values(FieldCase{"width 4 value 9", 4, 9, 0, 1},
                    FieldCase{"width 4 value 1", 4, 1, 0, -7},
                    FieldCase{"width 4 value 15", 4, 15, 0, 7},
                    FieldCase{"width 4 escape", 4, 0, 0x8000, -32768},
                    FieldCase{"width 1 value 1", 1, 1, 0, 0},
                    FieldCase{"width 1 escape", 1, 0, 0x1234, 0x1234},
                    FieldCase{"width 15 lowest", 15, 1, 0, -16383},
                    FieldCase{"width 15 highest", 15, 32767, 0, 16383},
                    FieldCase{"width 15 escape", 15, 0, 0x7FFF, 32767},
                    // Stored width-16 fields are offset by 65535: v - 65535 wraps to v + 1.
                    FieldCase{"width 16 highest", 16, 65535, 0, 0},
                    FieldCase{"width 16 value 1", 16, 1, 0, 2},
                    FieldCase{"width 16 value 32767", 16, 32767, 0, -32768},
                    FieldCase{"width 16 escape", 16, 0, 0xFFFF, -1}),
    lumisett::test::CaseLabel());

// Built by hand, bit for bit: four left fields of width 7 fill bits 0 .. 27, so the first right
// field starts at bit 28 and takes bits 28 .. 31 of word 0 and bits 0 .. 2 of word 1.
TEST(CrescorBlock, FieldAcrossAWordBoundaryTakesItsHighBitsFromTheNextWord) {
    const std::uint32_t zeroResidual = 64; // width 7: 64 - 2^6 = 0
    const std::uint32_t straddling = 0b1011010; // 90 - 64 = 26
    const std::uint32_t word0 = zeroResidual | zeroResidual << 7 | zeroResidual << 14 |
                                zeroResidual << 21 | (straddling & 0xF) << 28;
    const std::uint32_t word1 = straddling >> 4 | zeroResidual << 3 | zeroResidual << 10 |
                                zeroResidual << 17;
    std::vector<std::uint8_t> stream;
    PutLe32(stream, word0);
    PutLe32(stream, word1);
    std::array<std::int16_t, 8> pairs{};
    ASSERT_EQ(DecodeCrescorBlock(BlockBody(4, Parameters(7, 7, false, false), stream), pairs), 4);
    // Right: residuals 26, 0, 0, 0 of order 2 integrate to a constant 26.
    EXPECT_EQ(pairs, (std::array<std::int16_t, 8>{0, 26, 0, 26, 0, 26, 0, 26}));
}

struct IntegrationCase {
    const char* label;
    bool leftOrder3;
    bool rightOrder3;
    std::vector<int> leftResiduals;
    std::vector<int> rightResiduals;
    std::vector<std::int16_t> expectedPairs;
};

class CrescorIntegration : public testing::TestWithParam<IntegrationCase> {};

TEST_P(CrescorIntegration, RestoresTheSamplesOfEachChannelByItsOrder) {
    const IntegrationCase& c = GetParam();
    BitList bits;
    for (int r : c.leftResiduals) bits.Put(static_cast<std::uint32_t>(r + 16384), 15);
    for (int r : c.rightResiduals) bits.Put(static_cast<std::uint32_t>(r + 16384), 15);
    const auto n = static_cast<unsigned>(c.leftResiduals.size());
    std::vector<std::int16_t> pairs(2 * n);
    auto body = BlockBody(n, Parameters(15, 15, c.leftOrder3, c.rightOrder3), bits.Words());
    ASSERT_EQ(DecodeCrescorBlock(body, pairs), static_cast<int>(n));
    EXPECT_EQ(pairs, c.expectedPairs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorIntegration,
    testing::Values(
        // Left: second differences; right: third differences of the same residuals.
        IntegrationCase{"order 2 left and 3 right", false, true, {5, 1, 1, 1, 1, 1},
                        {5, 1, 1, 1, 1, 1}, {5, 5, 6, 6, 8, 8, 11, 12, 15, 19, 20, 30}},
        IntegrationCase{"order 3 left and 2 right", true, false, {5, 1, 1, 1, 1, 1},
                        {5, 1, 1, 1, 1, 1}, {5, 5, 6, 6, 8, 8, 12, 11, 19, 15, 30, 20}},
        IntegrationCase{"two pairs: first difference only", true, false, {100, -3}, {-7, 7},
                        {100, -7, 97, 0}},
        IntegrationCase{"three pairs: no third-order pass", true, true, {10, 2, 1}, {0, 0, -1},
                        {10, 0, 12, 0, 15, -1}},
        IntegrationCase{"sums wrap at 16 bits", false, false, {16383, 16383, 16383},
                        {-16383, -16383, -16383}, {16383, -16383, 32766, -32766, -4, 4}}),
    lumisett::test::CaseLabel());

struct DamagedCase {
    const char* label;
    std::vector<std::uint8_t> body;
    std::size_t room; // samples of output space
};

class CrescorDamagedBlock : public testing::TestWithParam<DamagedCase> {};

TEST_P(CrescorDamagedBlock, IsRefusedWithoutTouchingMemoryOutsideItsSpans) {
    const DamagedCase& c = GetParam();
    std::vector<std::int16_t> out(c.room);
    EXPECT_EQ(DecodeCrescorBlock(c.body, out), std::nullopt);
}

std::vector<std::uint8_t> Stream(std::initializer_list<std::pair<std::uint32_t, int>> fields) {
    BitList bits;
    for (auto [value, width] : fields) bits.Put(value, width);
    return bits.Words();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorDamagedBlock,
    testing::Values(
        DamagedCase{"empty", {}, 16},
        DamagedCase{"only the frame count", {1, 0}, 16},
        DamagedCase{"no frames", BlockBody(0, 0, Stream({{1, 16}})), 16},
        DamagedCase{"more frames than a block holds", BlockBody(8193, 0, Stream({{1, 1}})),
                    20000},
        // Two pairs of width 16 need 64 bits; one word holds 32.
        DamagedCase{"stream ends inside the fields", BlockBody(2, Parameters(16, 16, false, false),
                                                               Stream({{1, 32}})), 4},
        DamagedCase{"stream ends inside an escape", BlockBody(1, Parameters(16, 16, false, false),
                                                              Stream({{1, 16}, {0, 16}})), 2},
        DamagedCase{"no room for the pairs", BlockBody(2, Parameters(1, 1, false, false),
                                                       Stream({{0xF, 4}})), 3}),
    lumisett::test::CaseLabel());

} // namespace
} // namespace lumisett::host
