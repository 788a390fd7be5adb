#include "plugins/declicker/core/descratch_stream.h"

#include "plugin_common/effect_api.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace lumisett::declicker {
namespace {

using Samples = std::vector<std::int16_t>; // interleaved stereo

// A smooth stereo signal that neither detector takes for damage: raised cosines that start
// and end (at whole periods) with zero value and zero slope, so even the edges are smooth.
Samples Smooth(std::int32_t pairs) {
    constexpr double kTwoPi = 6.283185307179586;
    Samples s(2 * static_cast<std::size_t>(pairs));
    for (std::int32_t i = 0; i < pairs; ++i) {
        s[2 * i] = static_cast<std::int16_t>(std::lround(8000 * (1 - std::cos(kTwoPi * i / 250))));
        s[2 * i + 1] = static_cast<std::int16_t>(std::lround(-6000 * (1 - std::cos(kTwoPi * i / 500))));
    }
    return s;
}

class Stream : public testing::Test {
protected:
    // Runs `input` through an open stream in blocks of `block` frames, then enough silence to
    // flush the delay; returns everything that came out.
    Samples Run(const Samples& input, std::int32_t block, std::int32_t mask) {
        EXPECT_TRUE(stream_.Open(block));
        Samples output;
        Samples padded = input;
        padded.resize(input.size() + 2 * kLatencyFrames + 2 * static_cast<std::size_t>(block), 0);
        const std::size_t blocks = (padded.size() / 2) / static_cast<std::size_t>(block);
        for (std::size_t b = 0; b < blocks; ++b) {
            Samples chunk(padded.begin() + static_cast<std::ptrdiff_t>(2 * b * block),
                          padded.begin() + static_cast<std::ptrdiff_t>(2 * (b + 1) * block));
            stream_.Process(mask, block, chunk.data());
            output.insert(output.end(), chunk.begin(), chunk.end());
        }
        stream_.Close();
        return output;
    }

    static Samples Delayed(const Samples& input, std::size_t length) {
        Samples expected(2 * kLatencyFrames, 0);
        expected.insert(expected.end(), input.begin(), input.end());
        expected.resize(length, 0);
        return expected;
    }

    Settings settings_;
    DescratchStream stream_{settings_};
};

TEST_F(Stream, SmoothMaterialAndSilenceLeave512FramesLateForEveryModeAndBlockSize) {
    for (const std::int32_t block : {256, 512, 4096}) {
        for (const std::int32_t mask : {0, 1, 3}) {
            for (const bool silent : {true, false}) {
                const Samples input = silent ? Samples(2 * 10000, 0) : Smooth(10000);
                // Where the material fades into the silence that flushes the delay, the
                // detectors see rounding noise against a near-silent mean: compare up to there.
                Samples out = Run(input, block, mask);
                out.resize(2 * (kLatencyFrames + 9000));
                ASSERT_EQ(out, Delayed(input, out.size()))
                    << "block " << block << ", mask " << mask << (silent ? ", silence" : "");
            }
        }
    }
}

TEST_F(Stream, ASpikeIsRemovedOnlyFromTheChannelsTheMaskNames) {
    Samples input(2 * 6000, 0);
    input[2 * 3000] = 1000;      // left
    input[2 * 3000 + 1] = -1000; // right
    struct Case {
        std::int32_t mask;
        bool leftRepaired;
        bool rightRepaired;
    };
    for (const Case c : {Case{0, false, false}, Case{1, true, false}, Case{3, true, true}}) {
        const Samples out = Run(input, 1024, c.mask);
        Samples expected = Delayed(input, out.size());
        if (c.leftRepaired) {
            expected[2 * (3000 + kLatencyFrames)] = 0;
        }
        if (c.rightRepaired) {
            expected[2 * (3000 + kLatencyFrames) + 1] = 0;
        }
        EXPECT_EQ(out, expected) << "mask " << c.mask;
    }
}

TEST_F(Stream, MonoOutputIsTheFloorOfTheMeanOnBothChannelsOnlyInStereoMode) {
    settings_.SetMono(true);
    struct Case {
        std::int16_t left;
        std::int16_t right;
        std::int16_t mono;
    };
    for (const Case c : {Case{-3, 0, -2}, Case{3, 0, 1}, Case{-1, 0, -1}, Case{-32768, -32767, -32768},
                         Case{32767, 32767, 32767}, Case{32767, -32768, -1}}) {
        Samples input(2 * 4096);
        for (std::size_t i = 0; i < input.size(); i += 2) {
            input[i] = c.left;
            input[i + 1] = c.right;
        }
        // Past the first block the constant signal holds no damage: check the third block.
        const Samples out = Run(input, 512, 3);
        for (std::size_t i = 2 * 1024; i < 2 * 1536; i += 2) {
            ASSERT_EQ(out[i], c.mono) << c.left << " " << c.right;
            ASSERT_EQ(out[i + 1], c.mono) << c.left << " " << c.right;
        }
        const Samples leftOnly = Run(input, 512, 1);
        EXPECT_EQ(leftOnly[2 * 1024 + 1], c.right) << "mask 1 keeps both channels apart";
    }
}

TEST_F(Stream, CountsEventsOfBothChannelsAndTheRepairedSamples) {
    ASSERT_TRUE(stream_.Open(2048));
    Samples block(2 * 2048, 0);
    block[2 * 100] = 1000;
    block[2 * 900] = 1000;
    block[2 * 500 + 1] = -1000;
    stream_.Process(3, 2048, block.data());
    ScratchCounters& counters = stream_.counters();
    EXPECT_TRUE(counters.running.load());
    EXPECT_TRUE(counters.levelsValid.load());
    EXPECT_EQ(counters.clicks.load(), 3);
    EXPECT_EQ(counters.crackles.load(), 0);
    EXPECT_EQ(counters.repairedTotal.load(), 3 * 3) << "three events of length 4";
    EXPECT_EQ(counters.channelPasses.load(), 2);
    EXPECT_EQ(counters.blockLength.load(), 2048);

    block.assign(block.size(), 0);
    stream_.Process(0, 2048, block.data());
    EXPECT_EQ(counters.clicks.load(), 0);
    EXPECT_EQ(counters.repairedTotal.load(), 0) << "bypass clears the total";

    stream_.Close();
    EXPECT_FALSE(counters.running.load());
}

TEST_F(Stream, BlocksItCannotTakeAreLeftAlone) {
    Samples block = Smooth(600);
    const Samples original = block;
    stream_.Process(3, 512, block.data());
    EXPECT_EQ(block, original) << "not open";
    ASSERT_TRUE(stream_.Open(512));
    stream_.Process(3, 513, block.data());
    stream_.Process(3, 0, block.data());
    stream_.Process(3, 512, nullptr);
    EXPECT_EQ(block, original);
    EXPECT_FALSE(stream_.counters().running.load());
    EXPECT_FALSE(stream_.Open(0));
    EXPECT_FALSE(stream_.isOpen());
}

} // namespace
} // namespace lumisett::declicker
