// The plain WAV reader and writer: canonical files, chunk walking, and clear refusals.

#include "host/source/wav_file.h"
#include "tests/host/source/case_label.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace lumisett::host {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Le16(Bytes& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Le32(Bytes& out, std::uint32_t value) {
    Le16(out, value & 0xFFFF);
    Le16(out, value >> 16);
}

Bytes Chunk(const char* id, const Bytes& body, std::uint32_t sizeField) {
    Bytes out(id, id + 4);
    Le32(out, sizeField);
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2 == 1) out.push_back(0);
    return out;
}

Bytes Chunk(const char* id, const Bytes& body) {
    return Chunk(id, body, static_cast<std::uint32_t>(body.size()));
}

Bytes Fmt(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
          unsigned blockAlign) {
    Bytes body;
    Le16(body, tag);
    Le16(body, channels);
    Le32(body, rate);
    Le32(body, rate * blockAlign);
    Le16(body, blockAlign);
    Le16(body, bits);
    return body;
}

Bytes Pcm(unsigned channels) {
    return Fmt(1, channels, 22050, 16, 2 * channels);
}

// The extensible format: 16-bit samples, channel mask, sub-format GUID led by `subTag`.
Bytes Extensible(unsigned channels, unsigned subTag) {
    Bytes body = Fmt(0xFFFE, channels, 22050, 16, 2 * channels);
    Le16(body, 22);
    Le16(body, 16);
    Le32(body, channels == 2 ? 3 : 4);
    Le16(body, subTag);
    const Bytes tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    body.insert(body.end(), tail.begin(), tail.end());
    return body;
}

Bytes SampleBytes(std::initializer_list<int> samples) {
    Bytes out;
    for (int s : samples) Le16(out, static_cast<unsigned>(s) & 0xFFFF);
    return out;
}

Bytes Riff(std::initializer_list<Bytes> chunks) {
    Bytes body = {'W', 'A', 'V', 'E'};
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes out = {'R', 'I', 'F', 'F'};
    Le32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

const Bytes kStereoData = SampleBytes({1, -1, 32767, -32768});

TEST(WavWriteAndRead, GivesBackWhatWasWritten) {
    lumisett::test::TempDir dir;
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        WavAudio audio{channels, 48000, {0, 1, -1, 32767, -32768, 1234}};
        ASSERT_TRUE(WriteWavFile(dir.File("out.wav"), audio));
        WavReadResult back = ReadWavFile(dir.File("out.wav"));
        ASSERT_TRUE(back.ok()) << back.error;
        EXPECT_EQ(back.audio.channels, channels);
        EXPECT_EQ(back.audio.sampleRate, 48000u);
        EXPECT_EQ(back.audio.samples, audio.samples);
    }
}

TEST(WavWriteAndRead, WritesTheCanonicalFortyFourByteHeader) {
    WavAudio audio{2, 44100, {1, -1, 32767, -32768}};
    EXPECT_EQ(WavFileBytes(audio), Riff({Chunk("fmt ", Fmt(1, 2, 44100, 16, 4)),
                                         Chunk("data", kStereoData)}));
    EXPECT_EQ(WavFileBytes(audio)->size(), 44u + 8);
}

TEST(WavWriteAndRead, RefusesAudioItCannotDescribe) {
    EXPECT_FALSE(WavFileBytes(WavAudio{3, 44100, {1, 2, 3}}).has_value());
    EXPECT_FALSE(WavFileBytes(WavAudio{2, 44100, {1, 2, 3}}).has_value()) << "half a frame";
    lumisett::test::TempDir dir;
    EXPECT_FALSE(WriteWavFile(dir.File("missing/out.wav"), WavAudio{1, 8000, {1}}));
}

struct LayoutCase {
    const char* label;
    Bytes file;
    int channels;
    std::vector<std::int16_t> samples;
};

class WavLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(WavLayout, IsReadThroughItsChunks) {
    const LayoutCase& c = GetParam();
    WavReadResult result = ParseWav(c.file);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.audio.channels, c.channels);
    EXPECT_EQ(result.audio.sampleRate, 22050u);
    EXPECT_EQ(result.audio.samples, c.samples);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WavLayout,
    testing::Values(
        LayoutCase{"mono", Riff({Chunk("fmt ", Pcm(1)), Chunk("data", kStereoData)}), 1,
                   {1, -1, 32767, -32768}},
        // An odd-sized chunk is followed by a pad byte that is not part of the next chunk.
        LayoutCase{"odd chunk before fmt",
                   Riff({Chunk("LIST", {'a', 'b', 'c'}), Chunk("fmt ", Pcm(2)),
                         Chunk("data", kStereoData)}),
                   2, {1, -1, 32767, -32768}},
        LayoutCase{"data before fmt, trailing chunk",
                   Riff({Chunk("data", kStereoData), Chunk("fmt ", Pcm(2)),
                         Chunk("id3 ", {1, 2, 3, 4})}),
                   2, {1, -1, 32767, -32768}},
        LayoutCase{"extensible PCM", Riff({Chunk("fmt ", Extensible(2, 1)), Chunk("data", kStereoData)}),
                   2, {1, -1, 32767, -32768}},
        LayoutCase{"no samples", Riff({Chunk("fmt ", Pcm(2)), Chunk("data", {})}), 2, {}}),
    lumisett::test::CaseLabel());

struct RefusedCase {
    const char* label;
    Bytes file;
};

class WavRefused : public testing::TestWithParam<RefusedCase> {};

TEST_P(WavRefused, WithAnExplanation) {
    WavReadResult result = ParseWav(GetParam().file);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.audio.samples.empty());
}

Bytes Truncated(Bytes bytes, std::size_t drop) {
    bytes.erase(bytes.end() - static_cast<std::ptrdiff_t>(drop), bytes.end());
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WavRefused,
    testing::Values(
        RefusedCase{"empty", {}},
        RefusedCase{"not RIFF", Bytes(44, 'x')},
        RefusedCase{"RIFF but not WAVE", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}},
        RefusedCase{"no fmt chunk", Riff({Chunk("data", kStereoData)})},
        RefusedCase{"no data chunk", Riff({Chunk("fmt ", Pcm(2))})},
        RefusedCase{"fmt chunk too short", Riff({Chunk("fmt ", {1, 0, 2, 0}), Chunk("data", kStereoData)})},
        RefusedCase{"8-bit samples", Riff({Chunk("fmt ", Fmt(1, 2, 22050, 8, 2)), Chunk("data", kStereoData)})},
        RefusedCase{"24-bit samples", Riff({Chunk("fmt ", Fmt(1, 2, 22050, 24, 6)), Chunk("data", kStereoData)})},
        RefusedCase{"float samples", Riff({Chunk("fmt ", Fmt(3, 2, 22050, 16, 4)), Chunk("data", kStereoData)})},
        RefusedCase{"extensible float", Riff({Chunk("fmt ", Extensible(2, 3)), Chunk("data", kStereoData)})},
        RefusedCase{"three channels", Riff({Chunk("fmt ", Fmt(1, 3, 22050, 16, 6)), Chunk("data", kStereoData)})},
        RefusedCase{"wrong block alignment", Riff({Chunk("fmt ", Fmt(1, 2, 22050, 16, 2)), Chunk("data", kStereoData)})},
        RefusedCase{"sample rate zero", Riff({Chunk("fmt ", Fmt(1, 2, 0, 16, 4)), Chunk("data", kStereoData)})},
        RefusedCase{"half a frame", Riff({Chunk("fmt ", Pcm(2)), Chunk("data", SampleBytes({1, 2, 3}))})},
        RefusedCase{"data cut short", Truncated(Riff({Chunk("fmt ", Pcm(2)), Chunk("data", kStereoData)}), 2)},
        RefusedCase{"data size beyond any file", Riff({Chunk("fmt ", Pcm(2)), Chunk("data", kStereoData, 0xFFFFFFFF)})}),
    lumisett::test::CaseLabel());

TEST(WavRead, ReportsAMissingFile) {
    lumisett::test::TempDir dir;
    WavReadResult result = ReadWavFile(dir.File("none.wav"));
    EXPECT_FALSE(result.ok());
}

} // namespace
} // namespace lumisett::host
