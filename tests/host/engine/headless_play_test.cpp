// Headless playback end to end, at real time on short files: what reaches the device is the
// silent queue followed by exactly what the render of the same chain writes.

#include "host/headless/player.h"
#include "host/headless/renderer.h"
#include "host/source/wav_file.h"
#include "platform/audio/alsa_output_device.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/private_alsa_config.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <mutex>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 2048;
constexpr int32_t kBuffers = 4;
constexpr int32_t kSourcePairs = 11025; // a quarter of a second

class HeadlessPlayTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* file : {"zeroline.so", "zeroline.eff"}) {
            dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
        }
        std::vector<int16_t> samples;
        for (int32_t i = 0; i < kSourcePairs; ++i) {
            samples.push_back(static_cast<int16_t>(8000 * std::sin(i * 0.05) + 3000));
            samples.push_back(static_cast<int16_t>(6000 * std::sin(i * 0.031) - 2000));
        }
        ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples}));
    }

    RunOptions Options(RunCommand command, std::vector<std::string> extra) {
        std::vector<std::string> words{dir.File("in.wav")};
        if (command == RunCommand::Render) words.push_back(dir.File("out.wav"));
        words.insert(words.end(), {"--chain", "zeroline", "--block", std::to_string(kBlock)});
        words.insert(words.end(), extra.begin(), extra.end());
        auto parsed = ParseRunOptions(command, words);
        EXPECT_TRUE(parsed.options) << parsed.error;
        return *parsed.options;
    }

    HostSettings Settings(const RunOptions& options) {
        HostSettings settings;
        settings.bufferCount = kBuffers;
        // Under the sanitizers on a busy machine a late tick must not pause the plug-ins.
        settings.overflowWatch = 0;
        std::string error;
        return *ApplyRunOptions(settings, options, error);
    }

    // The render of the same chain, preceded by the device's silent queue.
    std::vector<int16_t> ExpectedDeviceOutput() {
        HostSession session(dir.path(), "");
        session.Start();
        const RunOptions options = Options(RunCommand::Render, {});
        EXPECT_TRUE(RenderFile(session, Settings(options), options).ok);
        std::vector<int16_t> expected(2 * kBuffers * kBlock, 0);
        const auto rendered = ReadWavFile(dir.File("out.wav")).audio.samples;
        expected.insert(expected.end(), rendered.begin(), rendered.end());
        return expected;
    }

    PlayResult Play(platform::OutputDevice& device, std::vector<std::string> extra) {
        HostSession session(dir.path(), "");
        session.Start();
        const RunOptions options = Options(RunCommand::Play, extra);
        return PlayFile(session, Settings(options), options, device, platform::SystemClock());
    }

    test::TempDir dir;
};

TEST_F(HeadlessPlayTest, ThroughAlsaTheDeviceGetsTheChainsOutput) {
    const auto expected = ExpectedDeviceOutput();
    test::PrivateAlsaConfig alsa(dir);
    auto device = std::make_unique<platform::AlsaOutputDevice>("default");
    const PlayResult result = Play(*device, {"--notify", "function"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    device.reset();
    auto played = alsa.PlayedSamples();
    ASSERT_GE(played.size(), expected.size());
    played.resize(expected.size());
    EXPECT_EQ(played, expected);
}

TEST_F(HeadlessPlayTest, OnTheNullDeviceItPlaysToTheEnd) {
    const auto expected = ExpectedDeviceOutput();
    platform::NullOutputDevice device(platform::NullPacing::RealTime);
    std::mutex mutex;
    std::vector<int16_t> played;
    device.SetPlayedTap([&](const int16_t* pairs, int32_t count) {
        std::lock_guard<std::mutex> lock(mutex);
        played.insert(played.end(), pairs, pairs + 2 * count);
    });
    const PlayResult result = Play(device, {"--notify", "window"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    // The last audio was heard before playback ended.
    EXPECT_GE(result.pairsPlayed, kBuffers * kBlock + kSourcePairs);
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_GE(played.size(), expected.size());
    played.resize(expected.size());
    EXPECT_EQ(played, expected);
}

TEST_F(HeadlessPlayTest, AMissingFileIsReportedBeforeAnythingPlays) {
    platform::NullOutputDevice device(platform::NullPacing::Manual);
    std::remove(dir.File("in.wav").c_str());
    const PlayResult result = Play(device, {});
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure.code, -4);
}

} // namespace
} // namespace lumisett::host
