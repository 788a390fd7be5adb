#include "host/source/audio_source.h"
#include "host/source/crescor_encoder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 4096;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

struct WavShape {
    int channels = 2;
    int bits = 16;
    int riffSizeError = 0;        // added to the RIFF size field
    std::size_t junkBeforeData = 0; // bytes of another chunk between "fmt " and "data"
};

std::vector<uint8_t> WavBytes(const std::vector<int16_t>& samples, const WavShape& shape = {}) {
    std::vector<uint8_t> out;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t junk = shape.junkBeforeData == 0 ? 0 : static_cast<uint32_t>(8 + shape.junkBeforeData);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    Put32(out, 36 + junk + dataBytes + static_cast<uint32_t>(shape.riffSizeError));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, static_cast<uint16_t>(shape.channels));
    Put32(out, 44100);
    Put32(out, static_cast<uint32_t>(44100 * shape.channels * shape.bits / 8));
    Put16(out, static_cast<uint16_t>(shape.channels * shape.bits / 8));
    Put16(out, static_cast<uint16_t>(shape.bits));
    if (junk != 0) {
        out.insert(out.end(), {'j', 'u', 'n', 'k'});
        Put32(out, static_cast<uint32_t>(shape.junkBeforeData));
        out.insert(out.end(), shape.junkBeforeData, 0);
    }
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, dataBytes);
    for (int16_t s : samples) Put16(out, static_cast<uint16_t>(s));
    return out;
}

// Left counts pairs up, right counts down: easy to follow through interpolation.
std::vector<int16_t> Ramp(int32_t pairs) {
    std::vector<int16_t> samples;
    for (int32_t i = 0; i < pairs; ++i) {
        samples.push_back(static_cast<int16_t>(i % 30000));
        samples.push_back(static_cast<int16_t>(-(i % 30000)));
    }
    return samples;
}

// The fake decoder's file: channels, rate, frames, version; its PCM is known to the library.
std::vector<uint8_t> FakeLayer3File(int channels, int frames, int version) {
    std::vector<uint8_t> out{'F', 'A', 'K', 'E', 'U', 'L', 'X', '3'};
    Put32(out, static_cast<uint32_t>(channels));
    Put32(out, 44100);
    Put32(out, static_cast<uint32_t>(frames));
    Put32(out, static_cast<uint32_t>(version));
    return out;
}

// The same PCM as the fake decoder serves.
std::vector<int16_t> FakeLayer3Pcm(int channels, int frames, int version) {
    std::vector<int16_t> pcm(static_cast<std::size_t>(frames) * (version == 2 ? 576 : 1152) * channels);
    for (std::size_t k = 0; k < pcm.size(); ++k) {
        pcm[k] = static_cast<int16_t>((static_cast<int64_t>(k) * 37) % 30011 - 15000);
    }
    return pcm;
}

class AudioSourceTest : public testing::Test {
protected:
    void WithDecoder(const char* variant = "fake_ulx3") {
        dir.CopyIn(std::string(TEST_PLUGIN_DIR) + variant + ".so", "ulx3.so");
        decoder.Bind(dir.path());
        ASSERT_TRUE(decoder.available());
    }

    int Open(const std::string& name, const std::vector<uint8_t>& bytes, AudioSource& source) {
        dir.Write(name, bytes);
        const int result = source.Open(dir.File(name), &decoder);
        source.Start(kBlock);
        return result;
    }

    std::vector<int16_t> ReadBlocks(AudioSource& source, int blocks, int channelMode = 0) {
        std::vector<int16_t> out;
        std::vector<int16_t> block(2 * kBlock);
        for (int b = 0; b < blocks; ++b) {
            source.ReadBlock(block.data(), kBlock, channelMode);
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    test::TempDir dir;
    DecoderLibrary decoder;
};

struct Recognition {
    const char* label;
    std::vector<uint8_t> bytes;
    bool withDecoder;
    int result;
    SourceType type;
    int channels;
};

class SourceRecognition : public AudioSourceTest, public testing::WithParamInterface<Recognition> {};

TEST_P(SourceRecognition, GivesTheTypeOrTheErrorCode) {
    const Recognition& c = GetParam();
    if (c.withDecoder) WithDecoder();
    AudioSource source;
    EXPECT_EQ(Open("input", c.bytes, source), c.result);
    EXPECT_EQ(source.isOpen(), c.result == kSourceOpened);
    if (c.result == kSourceOpened) {
        EXPECT_EQ(source.type(), c.type);
        EXPECT_EQ(source.channels(), c.channels);
        EXPECT_EQ(source.sampleRate(), 44100);
    }
}

std::vector<uint8_t> CrescorBytes(int channelsInHeader = 2) {
    auto bytes = *EncodeCrescor(Ramp(5000), 44100);
    bytes[22] = static_cast<uint8_t>(channelsInHeader);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceRecognition,
    testing::Values(
        Recognition{"StereoWav", WavBytes(Ramp(100)), false, kSourceOpened, SourceType::Wav, 2},
        Recognition{"MonoWav", WavBytes(Ramp(100), {.channels = 1}), false, kSourceOpened, SourceType::Wav, 1},
        Recognition{"DataAfterAnotherChunk", WavBytes(Ramp(100), {.junkBeforeData = 5000}), false,
                    kSourceOpened, SourceType::Wav, 2},
        Recognition{"DataBeyondTheSearchWindow", WavBytes(Ramp(100), {.junkBeforeData = 10300}), false,
                    kSourceNotRecognised, SourceType::Wav, 0},
        Recognition{"RiffSizeOffByOneGoesToTheDecoder", WavBytes(Ramp(100), {.riffSizeError = 1}), true,
                    kSourceNotRecognised, SourceType::Wav, 0},
        Recognition{"EightBitEvenWithADecoder", WavBytes(Ramp(100), {.bits = 8}), true, kSourceNot16Bit,
                    SourceType::Wav, 0},
        Recognition{"NoChannels", WavBytes(Ramp(100), {.channels = 0}), false, kSourceNotRecognised,
                    SourceType::Wav, 0},
        Recognition{"ShorterThanAHeader", {'R', 'I', 'F', 'F'}, false, kSourceNotRecognised, SourceType::Wav, 0},
        Recognition{"Crescor", CrescorBytes(), false, kSourceOpened, SourceType::Crescor, 2},
        Recognition{"OneChannelCrescor", CrescorBytes(1), false, kSourceNotRecognised, SourceType::Wav, 0},
        Recognition{"LayerIII", FakeLayer3File(2, 4, 1), true, kSourceOpened, SourceType::LayerIII, 2},
        Recognition{"LayerIIIWithoutDecoder", FakeLayer3File(2, 4, 1), false, kSourceNotRecognised,
                    SourceType::Wav, 0}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(AudioSourceTest, AMissingFileCannotBeOpened) {
    AudioSource source;
    EXPECT_EQ(source.Open(dir.File("absent.wav"), nullptr), kSourceCannotOpen);
    EXPECT_EQ(source.Open(dir.path(), nullptr), kSourceCannotOpen);
}

TEST_F(AudioSourceTest, PlayModeKeepsTheLastPartialBlockThenIsSilent) {
    AudioSource source;
    const auto pcm = Ramp(2 * kBlock + 1000);
    ASSERT_EQ(Open("in.wav", WavBytes(pcm), source), kSourceOpened);
    const auto out = ReadBlocks(source, 4);
    std::vector<int16_t> expected = pcm;
    expected.resize(out.size(), 0);
    EXPECT_EQ(out, expected);
    EXPECT_TRUE(source.endReached());
    EXPECT_EQ(source.position(), source.dataOffset() + source.dataLength());
}

TEST_F(AudioSourceTest, AOneChannelSourcePlaysOnBothSides) {
    AudioSource source;
    std::vector<int16_t> mono(kBlock);
    for (int i = 0; i < kBlock; ++i) mono[static_cast<std::size_t>(i)] = static_cast<int16_t>(i - 2000);
    ASSERT_EQ(Open("mono.wav", WavBytes(mono, {.channels = 1}), source), kSourceOpened);
    const auto out = ReadBlocks(source, 1);
    for (int i = 0; i < kBlock; ++i) {
        ASSERT_EQ(out[2 * static_cast<std::size_t>(i)], i - 2000);
        ASSERT_EQ(out[2 * static_cast<std::size_t>(i) + 1], i - 2000);
    }
}

TEST_F(AudioSourceTest, CueAtHalfSpeedUsesEachPairTwice) {
    AudioSource source;
    ASSERT_EQ(Open("in.wav", WavBytes(Ramp(4 * kBlock)), source), kSourceOpened);
    source.transport().cue = true;
    source.transport().speed = 0.5f;
    const auto out = ReadBlocks(source, 2);
    EXPECT_EQ(source.position(), source.dataOffset() + 2 * 2048 * 4);
    for (int i = 0; i < 2 * kBlock; ++i) {
        ASSERT_EQ(out[2 * static_cast<std::size_t>(i)], i / 2) << "pair " << i;
    }
}

TEST_F(AudioSourceTest, ReverseCueNearTheStartIsSilentAndStays) {
    AudioSource source;
    ASSERT_EQ(Open("in.wav", WavBytes(Ramp(8 * kBlock)), source), kSourceOpened);
    source.Seek(source.dataOffset() + 4 * (4 * kBlock)); // exactly 4B pairs before: one too few
    source.transport().cue = true;
    source.transport().speed = -4.0f;
    const int64_t before = source.position();
    const auto out = ReadBlocks(source, 1);
    EXPECT_EQ(source.position(), before);
    EXPECT_EQ(out, std::vector<int16_t>(2 * kBlock, 0));
    source.transport().speed = 0.0f; // stopped
    EXPECT_EQ(ReadBlocks(source, 1), std::vector<int16_t>(2 * kBlock, 0));
}

TEST_F(AudioSourceTest, ReverseCueBlocksJoinWithoutAGap) {
    AudioSource source;
    ASSERT_EQ(Open("in.wav", WavBytes(Ramp(8 * kBlock)), source), kSourceOpened);
    source.Seek(source.dataOffset() + 4 * (7 * kBlock));
    source.transport().cue = true;
    source.transport().speed = -2.0f;
    const auto out = ReadBlocks(source, 2);
    // The left channel counts down by two per pair across both blocks.
    for (std::size_t i = 1; i < 2 * kBlock; ++i) {
        ASSERT_EQ(out[2 * i] - out[2 * (i - 1)], -2) << "pair " << i;
    }
    EXPECT_EQ(source.position(), source.dataOffset() + 4 * (3 * kBlock));
}

struct ModeCase {
    int mode;
    int16_t left, right, outLeft, outRight;
};

class ChannelModes : public AudioSourceTest, public testing::WithParamInterface<ModeCase> {};

TEST_P(ChannelModes, AreAppliedToStereoSources) {
    const ModeCase& c = GetParam();
    AudioSource source;
    std::vector<int16_t> pcm(2 * kBlock);
    pcm[0] = c.left;
    pcm[1] = c.right;
    ASSERT_EQ(Open("in.wav", WavBytes(pcm), source), kSourceOpened);
    const auto out = ReadBlocks(source, 1, c.mode);
    EXPECT_EQ(out[0], c.outLeft);
    EXPECT_EQ(out[1], c.outRight);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChannelModes,
                         testing::Values(ModeCase{0, -3, 0, -3, 0}, ModeCase{1, -3, 0, -2, -2},
                                         ModeCase{1, 3, 0, 1, 1}, ModeCase{2, 5, 7, 5, 5},
                                         ModeCase{3, 5, 7, 7, 7}));

// Plays one source through a fixed sequence of speeds: play, fast forward, slow forward,
// then backward at two speeds.
std::vector<int16_t> PlayAndCue(AudioSource& source) {
    std::vector<int16_t> out;
    std::vector<int16_t> block(2 * kBlock);
    const float speeds[] = {1.0f, 2.5f, 0.75f, -1.5f, -3.0f, -0.25f};
    for (float speed : speeds) {
        source.transport().cue = speed != 1.0f;
        source.transport().speed = speed;
        source.ReadBlock(block.data(), kBlock, 0);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

TEST_F(AudioSourceTest, CrescorPlaysAndCuesLikeTheSameWav) {
    const auto pcm = Ramp(12 * kBlock);
    AudioSource wav;
    AudioSource crescor;
    ASSERT_EQ(Open("in.wav", WavBytes(pcm), wav), kSourceOpened);
    ASSERT_EQ(Open("in.cq", *EncodeCrescor(pcm, 44100, {.maxFramesPerBlock = 1000}), crescor),
              kSourceOpened);
    EXPECT_EQ(PlayAndCue(crescor), PlayAndCue(wav));
    EXPECT_EQ(crescor.position() - crescor.dataOffset(), wav.position() - wav.dataOffset());
}

TEST_F(AudioSourceTest, LayerIIIPlaysAndCuesLikeTheSameWav) {
    WithDecoder();
    const int frames = 48;
    AudioSource wav;
    AudioSource layer3;
    ASSERT_EQ(Open("in.wav", WavBytes(FakeLayer3Pcm(2, frames, 1)), wav), kSourceOpened);
    ASSERT_EQ(Open("in.mp3", FakeLayer3File(2, frames, 1), layer3), kSourceOpened);
    EXPECT_EQ(layer3.dataLength(), wav.dataLength());
    EXPECT_EQ(PlayAndCue(layer3), PlayAndCue(wav));
}

TEST_F(AudioSourceTest, LayerIIIDeliversItsLastFrame) {
    WithDecoder();
    AudioSource source;
    const auto pcm = FakeLayer3Pcm(2, 3, 1); // 3456 pairs: less than one block
    ASSERT_EQ(Open("in.mp3", FakeLayer3File(2, 3, 1), source), kSourceOpened);
    auto out = ReadBlocks(source, 1);
    out.resize(pcm.size());
    EXPECT_EQ(out, pcm);
    EXPECT_TRUE(source.endReached());
}

} // namespace
} // namespace lumisett::host
