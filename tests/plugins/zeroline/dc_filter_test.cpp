#include "plugin_common/effect_api.h"
#include "plugins/zeroline/core/dc_filter.h"
#include "plugins/zeroline/core/dc_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace lumisett::zeroline {
namespace {

using Samples = std::vector<std::int16_t>;

Samples Constant(std::int16_t left, std::int16_t right, std::size_t pairs) {
    Samples block(2 * pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        block[2 * i] = left;
        block[2 * i + 1] = right;
    }
    return block;
}

Samples Filtered(Samples block) {
    ChannelState left;
    ChannelState right;
    FilterBlock(block.data(), static_cast<std::int32_t>(block.size() / 2), left, right);
    return block;
}

TEST(DcFilter, AConstantOffsetDecaysWithATimeConstantNear5000Samples) {
    const Samples out = Filtered(Constant(1000, 1000, 40000));
    EXPECT_EQ(out[0], 1000) << "round(999.9)";
    // After the first sample y[n] = 0.9998 y[n-1]: 999.9 * 0.9998^n.
    for (std::size_t n : {1u, 100u, 5000u, 20000u, 39999u}) {
        const double expected = 999.9 * std::pow(0.9998, static_cast<double>(n));
        EXPECT_NEAR(out[2 * n], expected, 1.0) << n;
        EXPECT_EQ(out[2 * n], out[2 * n + 1]) << n;
    }
    EXPECT_NEAR(out[2 * 5000], 1000.0 / std::exp(1.0), 1.0);
}

TEST(DcFilter, RoundsHalfwayValuesToEven) {
    struct Case {
        std::int16_t input;
        std::int16_t first; // 0.9999 * input lands exactly on .5
    };
    const Case cases[] = {{5000, 5000}, {15000, 14998}, {25000, 24998}, {-15000, -14998}};
    for (const Case& c : cases) {
        EXPECT_EQ(Filtered(Constant(c.input, 0, 1))[0], c.first) << c.input;
    }
}

TEST(DcFilter, AFullScaleStepClipsInsteadOfWrapping) {
    struct Case {
        std::int16_t from;
        std::int16_t to;
        std::int16_t first;
        std::int16_t second; // unclipped it would be 32770.3 or -32771.3
    };
    const Case cases[] = {{-32768, 32767, -32765, 32767}, {32767, -32768, 32764, -32768}};
    for (const Case& c : cases) {
        Samples block{c.from, c.from, c.to, c.to};
        block = Filtered(block);
        EXPECT_EQ(block[0], c.first);
        EXPECT_EQ(block[2], c.second);
        EXPECT_EQ(block[3], c.second);
    }
}

TEST(DcFilter, ChannelsAreFilteredIndependently) {
    const Samples out = Filtered(Constant(-20000, 0, 1000));
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(out[2 * i + 1], 0) << i;
    }
    EXPECT_EQ(out[0], -19998);
}

TEST(DcFilter, CarriesItsStateAcrossBlocks) {
    Samples whole = Constant(0, 0, 3000);
    for (std::size_t i = 0; i < whole.size(); ++i) {
        whole[i] = static_cast<std::int16_t>((i * 7919) % 20011 - 10000);
    }
    const Samples once = Filtered(whole);

    ChannelState left;
    ChannelState right;
    Samples pieces = whole;
    const std::int32_t cuts[] = {0, 1, 1000, 2999, 3000};
    for (std::size_t k = 0; k + 1 < std::size(cuts); ++k) {
        FilterBlock(pieces.data() + 2 * cuts[k], cuts[k + 1] - cuts[k], left, right);
    }
    EXPECT_EQ(pieces, once);
}

// --- the stream behind DoEffect ----------------------------------------------------------

class DcStreamTest : public testing::Test {
protected:
    static constexpr std::int32_t kBlock = 256;

    DcStreamTest() { EXPECT_TRUE(stream_.Open(kBlock)); }

    DcStream stream_;
};

TEST_F(DcStreamTest, PeaksAreTheLargestCorrectionOfEachChannel) {
    const Samples input = Constant(1000, -300, kBlock);
    Samples block = input;
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, block.data());

    std::int32_t largest[2] = {0, 0};
    for (std::size_t i = 0; i < block.size(); ++i) {
        largest[i % 2] = std::max(largest[i % 2], std::abs(input[i] - block[i]));
    }
    EXPECT_GT(largest[0], 40);
    EXPECT_EQ(stream_.meters().peak(CorrectionMeters::kLeft), largest[0]);
    EXPECT_EQ(stream_.meters().peak(CorrectionMeters::kRight), largest[1]);
}

TEST_F(DcStreamTest, MaskZeroLeavesTheBlockBitForBitAndReportsNoCorrection) {
    Samples block = Constant(1000, 1000, kBlock);
    stream_.Process(CHANNEL_MASK_MONO, kBlock, block.data()); // mono still filters both
    EXPECT_NE(block[2 * kBlock - 1], 1000);
    EXPECT_GT(stream_.meters().peak(CorrectionMeters::kRight), 0);

    Samples bypassed = Constant(1000, -32768, kBlock);
    const Samples original = bypassed;
    stream_.Process(CHANNEL_MASK_BYPASS, kBlock, bypassed.data());

    EXPECT_EQ(bypassed, original);
    EXPECT_EQ(stream_.meters().peak(CorrectionMeters::kLeft), 0);
    EXPECT_EQ(stream_.meters().peak(CorrectionMeters::kRight), 0);
}

TEST_F(DcStreamTest, BlocksOutsideTheContractAreLeftAlone) {
    Samples large = Constant(1000, 1000, kBlock + 1);
    const Samples original = large;
    stream_.Process(CHANNEL_MASK_STEREO, kBlock + 1, large.data());
    stream_.Process(CHANNEL_MASK_STEREO, -1, large.data());
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, nullptr);
    EXPECT_EQ(large, original);

    stream_.Close();
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, large.data());
    EXPECT_EQ(large, original);
}

TEST_F(DcStreamTest, EveryOpenStartsFromRest) {
    Samples block = Constant(1000, 1000, kBlock);
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, block.data());
    ASSERT_TRUE(stream_.Open(kBlock)); // again, without Close

    block = Constant(1000, 1000, kBlock);
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, block.data());
    EXPECT_EQ(block[0], 1000);
}

TEST_F(DcStreamTest, ReopeningNeverExhaustsTheBufferTable) {
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(stream_.Open(kBlock)) << i;
    }
    stream_.Close();
    stream_.Close(); // harmless
}

TEST_F(DcStreamTest, RefusesBlockLengthsThatAreNotPositive) {
    EXPECT_FALSE(stream_.Open(0));
    EXPECT_FALSE(stream_.Open(-4096));
    EXPECT_FALSE(stream_.isOpen());
}

TEST_F(DcStreamTest, CloseClearsTheMeters) {
    Samples block = Constant(1000, 1000, kBlock);
    stream_.Process(CHANNEL_MASK_STEREO, kBlock, block.data());
    stream_.meters().Tick(false);
    ASSERT_GT(stream_.meters().held(CorrectionMeters::kLeft), kSilenceDb);

    stream_.Close();

    EXPECT_EQ(stream_.meters().peak(CorrectionMeters::kLeft), 0);
    EXPECT_EQ(stream_.meters().held(CorrectionMeters::kLeft), kSilenceDb);
    EXPECT_EQ(stream_.meters().held(CorrectionMeters::kRight), kSilenceDb);
}

} // namespace
} // namespace lumisett::zeroline
