// Layer III files through the host with the real decoder library: rendered to WAV, and read by
// the source reader at cue speeds forwards and backwards. The file is made with lame at test
// time; mpg123 is the reference decoder.
#include "host/headless/renderer.h"
#include "host/source/audio_source.h"
#include "host/source/wav_file.h"
#include "host/startup/decoder_library.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 4096;

bool Have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<int16_t> Tone(int pairs) {
    std::vector<int16_t> samples;
    for (int i = 0; i < pairs; ++i) {
        const double t = i / 44100.0;
        samples.push_back(static_cast<int16_t>(900 * std::sin(2 * M_PI * 440 * t)));
        samples.push_back(static_cast<int16_t>(700 * std::sin(2 * M_PI * 554 * t + 1.0)));
    }
    return samples;
}

class Layer3Host : public testing::Test {
protected:
    void SetUp() override {
        if (!Have("lame") || !Have("mpg123")) {
            GTEST_SKIP() << "lame and mpg123 are needed";
        }
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + "ulx3.so", "ulx3.so");
        ASSERT_TRUE(WriteWavFile(dir.File("tone.wav"), WavAudio{2, 44100, Tone(44100 * 3)}));
        ASSERT_EQ(Run("lame --quiet -b 128 -t " + dir.File("tone.wav") + " " + dir.File("in.mp3")), 0);
        ASSERT_EQ(Run("mpg123 -q --no-gapless -w " + dir.File("reference.wav") + " " + dir.File("in.mp3")), 0);
        const WavReadResult reference = ReadWavFile(dir.File("reference.wav"));
        ASSERT_TRUE(reference.ok()) << reference.error;
        referencePcm = reference.audio.samples;
    }

    static int Run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }

    test::TempDir dir;
    std::vector<int16_t> referencePcm;
};

int MaxDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t count) {
    int worst = 0;
    for (size_t i = 0; i < count; ++i) {
        worst = std::max(worst, std::abs(a[i] - b[i]));
    }
    return worst;
}

WavAudio Render(test::TempDir& dir) {
    HostSession session(dir.path(), "");
    session.Start();
    const std::vector<std::string> words = {dir.File("in.mp3"), dir.File("out.wav")};
    auto parsed = ParseRunOptions(RunCommand::Render, words);
    EXPECT_TRUE(parsed.options) << parsed.error;
    std::string error;
    auto settings = ApplyRunOptions(HostSettings{}, *parsed.options, error);
    EXPECT_TRUE(settings) << error;
    const RenderResult result = RenderFile(session, *settings, *parsed.options);
    session.Shutdown();
    EXPECT_TRUE(result.ok);
    const WavReadResult out = ReadWavFile(dir.File("out.wav"));
    EXPECT_TRUE(out.ok()) << out.error;
    return out.audio;
}

TEST_F(Layer3Host, RendersTheWholeFile) {
    const WavAudio out = Render(dir);
    EXPECT_EQ(out.sampleRate, 44100u);
    EXPECT_EQ(out.channels, 2);
    EXPECT_GE(out.samples.size(), referencePcm.size() - 2 * 1152);
    EXPECT_LE(out.samples.size(), referencePcm.size() + 2 * 1152);
}

// lame's files select every Huffman table, 24..31 among them: a render through the host
// matches mpg123's decoding of the same file.
TEST_F(Layer3Host, RendersToWhatTheReferenceDecoderGives) {
    const WavAudio out = Render(dir);
    const size_t common = std::min(out.samples.size(), referencePcm.size());
    EXPECT_LE(MaxDifference(out.samples, referencePcm, common), 2);
}

// Forward reading at any speed follows the file as it renders; reverse cueing steps back frame
// by frame and gives the same sound apart from the filter memories.
TEST_F(Layer3Host, ReadsAtCueSpeedsLikeTheRenderedWav) {
    ASSERT_TRUE(WriteWavFile(dir.File("decoded.wav"), Render(dir)));
    DecoderLibrary decoder;
    decoder.Bind(dir.path());
    ASSERT_TRUE(decoder.available());
    AudioSource layer3;
    AudioSource wav;
    ASSERT_EQ(layer3.Open(dir.File("in.mp3"), &decoder), kSourceOpened);
    ASSERT_EQ(wav.Open(dir.File("decoded.wav"), &decoder), kSourceOpened);
    ASSERT_NE(layer3.streamInfo(), nullptr);
    EXPECT_EQ(layer3.streamInfo()->bitrate, 128);
    layer3.Start(kBlock);
    wav.Start(kBlock);
    std::vector<int16_t> a(2 * kBlock);
    std::vector<int16_t> b(2 * kBlock);
    for (float speed : {1.0f, 2.5f, 0.75f, 1.0f, -1.5f, -3.0f, -0.25f, 4.0f}) {
        for (AudioSource* source : {&layer3, &wav}) {
            source->transport().cue = speed != 1.0f;
            source->transport().speed = speed;
        }
        layer3.ReadBlock(a.data(), kBlock, 0);
        wav.ReadBlock(b.data(), kBlock, 0);
        double difference = 0.0;
        double level = 0.0;
        for (size_t i = 0; i < a.size(); ++i) {
            difference += std::pow(a[i] - b[i], 2);
            level += std::pow(b[i], 2);
        }
        EXPECT_LE(std::sqrt(difference / a.size()), speed > 0 ? 0.0 : 0.2 * std::sqrt(level / a.size()))
            << "speed " << speed;
    }
    layer3.Rewind();
    wav.Rewind();
    layer3.transport().cue = false;
    layer3.transport().speed = 1.0f;
    wav.transport().cue = false;
    wav.transport().speed = 1.0f;
    layer3.ReadBlock(a.data(), kBlock, 0);
    wav.ReadBlock(b.data(), kBlock, 0);
    EXPECT_LE(MaxDifference(a, b, a.size()), 2) << "after a rewind";
}

} // namespace
} // namespace lumisett::host
