// The Crescor encoder: lossless round trips through the reader on varied signals, and the
// choice of order and width per block and channel.

#include "host/source/crescor_encoder.h"
#include "host/source/crescor_reader.h"
#include "tests/host/source/case_label.h"
#include "tests/host/source/crescor_test_files.h"
#include "tests/host/source/test_signals.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>

namespace lumisett::host {
namespace {

using lumisett::test::Samples;

// Decodes a whole file the way the host does: header check, then reads through a file.
Samples DecodeThroughFile(const std::vector<std::uint8_t>& bytes, std::uint32_t expectedRate) {
    lumisett::test::TempDir dir;
    dir.Write("audio.cq", bytes);
    const int fd = ::open(dir.File("audio.cq").c_str(), O_RDONLY | O_CLOEXEC);
    std::optional<CrescorHeader> header = ReadCrescorHeader(fd);
    EXPECT_TRUE(header.has_value());
    Samples all;
    if (header) {
        EXPECT_EQ(header->sampleRate, expectedRate);
        auto reader = std::make_unique<CrescorReader>(fd);
        Samples chunk(5000);
        for (int got; (got = reader->Read(chunk.data(), 5000)) > 0;) {
            all.insert(all.end(), chunk.begin(), chunk.begin() + got);
        }
        EXPECT_EQ(all.size() * 2, header->pcmLength);
    }
    ::close(fd);
    return all;
}

struct RoundTripCase {
    const char* label;
    std::function<Samples()> signal;
    int maxFramesPerBlock;
};

class CrescorRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(CrescorRoundTrip, DecodesToTheSourceBitForBit) {
    const RoundTripCase& c = GetParam();
    const Samples source = c.signal();
    std::optional<std::vector<std::uint8_t>> file =
        EncodeCrescor(source, 44100, CrescorEncoderOptions{c.maxFramesPerBlock});
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(DecodeThroughFile(*file, 44100), source);
}

using namespace lumisett::test;

Samples Mixture() {
    Samples sine = Sine(20000, 20000.0);
    Samples noise = Noise(20000, 7);
    Samples square = FullScaleSquare(20000, 441);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<std::int16_t>(sine[i] / 2 + noise[i] / 64 + square[i] / 4);
    }
    return sine;
}

INSTANTIATE_TEST_SUITE_P(
    Signals, CrescorRoundTrip,
    testing::Values(
        RoundTripCase{"silence", [] { return Silence(20000); }, 8192},
        RoundTripCase{"full-scale square", [] { return FullScaleSquare(20000, 50); }, 8192},
        // Every residual escapes: the largest blocks no longer fit and are split.
        RoundTripCase{"full-scale noise", [] { return Noise(20000); }, 8192},
        RoundTripCase{"sine", [] { return Sine(20000); }, 8192},
        RoundTripCase{"mixture", Mixture, 8192},
        RoundTripCase{"empty", [] { return Silence(0); }, 8192},
        RoundTripCase{"one pair", [] { return Samples{-32768, 32767}; }, 8192},
        RoundTripCase{"two pairs", [] { return Noise(2); }, 8192},
        RoundTripCase{"three pairs", [] { return Noise(3); }, 8192},
        RoundTripCase{"one pair past a block", [] { return Sine(8193); }, 8192},
        RoundTripCase{"one-pair blocks", [] { return Noise(50); }, 1},
        RoundTripCase{"short blocks", Mixture, 100}),
    lumisett::test::CaseLabel());

// The independent encoder of the tests (order 2, width 15, escapes) agrees with the reader on
// the same material, so the reader follows the format and not merely our own encoder.
TEST(CrescorIndependentEncoder, FilesDecodeToTheSourceBitForBit) {
    for (std::size_t blockPairs : {1u, 999u, 8192u}) {
        SCOPED_TRACE(blockPairs);
        const Samples source = Mixture();
        EXPECT_EQ(DecodeThroughFile(crescor::SimplyEncodedFile(source, blockPairs), 44100),
                  source);
    }
}

std::uint16_t FirstBlockParameters(const std::vector<std::uint8_t>& file) {
    return static_cast<std::uint16_t>(file[44] | (file[45] << 8));
}

// Both channels carry x(i) for i = 0 .. pairs - 1.
Samples BothChannels(int pairs, int (*x)(int)) {
    Samples out;
    for (int i = 0; i < pairs; ++i) {
        out.push_back(static_cast<std::int16_t>(x(i)));
        out.push_back(static_cast<std::int16_t>(x(i)));
    }
    return out;
}

TEST(CrescorEncoderChoice, TakesTheOrderAndWidthThatNeedTheFewestBits) {
    struct Case {
        const char* label;
        Samples signal;
        int width;
        bool order3;
    };
    const Case cases[] = {
        {"silence", Silence(30), 1, false},
        // Second and third differences are all zero: order 3 gains nothing, so order 2 stays.
        {"ramp", BothChannels(30, [](int i) { return 3 * i; }), 1, false},
        // Third differences are zero, second ones are all 2.
        {"parabola", BothChannels(30, [](int i) { return i * i - 400; }), 1, true},
        // Third differences are all 6 (width 4), second ones grow to 168.
        {"cubic", BothChannels(30, [](int i) { return i * i * i; }), 4, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::uint16_t parameters = FirstBlockParameters(*EncodeCrescor(c.signal, 8000));
        EXPECT_EQ((parameters & 0xF) + 1, c.width);
        EXPECT_EQ(((parameters >> 4) & 0xF) + 1, c.width);
        EXPECT_EQ((parameters & 0x100) != 0, c.order3);
        EXPECT_EQ((parameters & 0x200) != 0, c.order3);
    }
}

TEST(CrescorEncoderChoice, SilenceTakesOneBitPerSample) {
    // 8192 pairs of zeros: one block of 2·8192 one-bit fields, that is 512 words.
    std::optional<std::vector<std::uint8_t>> file = EncodeCrescor(Silence(8192), 8000);
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->size(), 40u + 4 * (512 + 1) + 4);
}

TEST(CrescorEncoderChoice, SplitsABlockWhereShorterBlocksAreSmaller) {
    // Silence, then quiet noise whose second differences need 10 bits. As one block of 8192
    // pairs, the cheapest coding is 1-bit fields escaping every noise residual (about 18 KB);
    // split, the silence takes 1 bit per sample and the noise 10 (about 11 KB).
    Samples source = Silence(4096);
    for (std::int16_t sample : Noise(4096)) {
        source.push_back(static_cast<std::int16_t>(sample / 512));
    }
    std::optional<std::vector<std::uint8_t>> file = EncodeCrescor(source, 8000);
    ASSERT_TRUE(file.has_value());
    EXPECT_LT(file->size(), 14000u);
    EXPECT_EQ(DecodeThroughFile(*file, 8000), source);
}

TEST(CrescorEncoderLimits, RefusesWhatTheFormatCannotHold) {
    EXPECT_FALSE(EncodeCrescor(Samples{1, 2, 3}, 44100).has_value()) << "half a pair";
    EXPECT_FALSE(EncodeCrescor(Silence(4), 44100, {0}).has_value());
    EXPECT_FALSE(EncodeCrescor(Silence(4), 44100, {8193}).has_value());
}

} // namespace
} // namespace lumisett::host
