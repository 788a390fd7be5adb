#include "host/app/main_window_logic.h"
#include "host/app/player_window_logic.h"
#include "host/source/crescor_encoder.h"
#include "host/source/wav_file.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace lumisett::host {
namespace {

std::vector<int16_t> Constant(int channels, int seconds, int32_t rate) {
    return std::vector<int16_t>(static_cast<std::size_t>(channels * seconds * rate), 500);
}

bool WriteCrescor(const std::string& path, int32_t rate) {
    const auto bytes = EncodeCrescor(Constant(2, 1, rate), static_cast<uint32_t>(rate));
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
    return out.good();
}

TEST(PlayerTexts, MinutesAndSecondsStopAt100Minutes39) {
    const struct {
        double seconds;
        const char* shown;
    } cases[] = {{-3, "00:00"}, {59.99, "00:59"}, {600, "10:00"}, {6039, "100:39"}, {6040, "100:39"}, {1e9, "100:39"}};
    for (const auto& c : cases) {
        EXPECT_EQ(MinutesAndSeconds(c.seconds), c.shown) << c.seconds;
    }
}

// The information line of each file type; a path without a separator is shown whole.
TEST(PlayerTexts, InformationLineForEachType) {
    test::TempDir dir;
    ASSERT_TRUE(WriteWavFile(dir.File("stereo.wav"), WavAudio{2, 44100, Constant(2, 1, 44100)}));
    ASSERT_TRUE(WriteWavFile(dir.File("mono.wav"), WavAudio{1, 22050, Constant(1, 1, 22050)}));
    ASSERT_TRUE(WriteCrescor(dir.File("take.cq"), 48000));
    const struct {
        const char* file;
        std::string shownPath;
        const char* line;
    } cases[] = {
        {"stereo.wav", dir.File("stereo.wav"), " stereo.wav   type: wave   freq: 44.10kHz   stereo"},
        {"mono.wav", "mono.wav", " mono.wav   type: wave   freq: 22.05kHz   mono"},
        {"take.cq", dir.File("take.cq"), " take.cq   type: Crescor   freq: 48.00kHz   stereo"},
    };
    for (const auto& c : cases) {
        AudioSource source;
        ASSERT_EQ(source.Open(dir.File(c.file), nullptr), kSourceOpened) << c.file;
        EXPECT_EQ(InformationLine(source, c.shownPath), c.line);
    }
}

// The Layer III form names the MPEG version and the bit rate (the file is made with lame).
TEST(PlayerTexts, InformationLineOfALayer3File) {
    if (std::system("command -v lame >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "lame is needed";
    }
    test::TempDir dir;
    dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + "ulx3.so", "ulx3.so");
    ASSERT_TRUE(WriteWavFile(dir.File("tone.wav"), WavAudio{2, 44100, Constant(2, 1, 44100)}));
    ASSERT_EQ(std::system(("lame --quiet -b 128 -t " + dir.File("tone.wav") + " " + dir.File("tone.mp3") +
                           " >/dev/null 2>&1").c_str()),
              0);
    DecoderLibrary decoder;
    decoder.Bind(dir.path());
    ASSERT_TRUE(decoder.available());
    AudioSource source;
    ASSERT_EQ(source.Open(dir.File("tone.mp3"), &decoder), kSourceOpened);
    EXPECT_EQ(InformationLine(source, dir.File("tone.mp3")),
              " tone.mp3   MPEG1   layer3   128kbit/s   44.10kHz   stereo");
}

class PlayerWindowLogicTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, Constant(2, 30, 44100)}));
        session.Start();
        ASSERT_EQ(logic.StartFilePlayback(dir.File("in.wav"), device), kEngineStarted);
    }

    // The player's timer gets its turn after every ten buffers (a second of audio), as it
    // would in real time; without it the engine reports an overload.
    static void PlayPeriods(platform::NullOutputDevice& device, PlayerWindowLogic& player, int count) {
        for (int i = 1; i <= count; ++i) {
            ASSERT_TRUE(device.PlayOnePeriod());
            if (i % 10 == 0) player.Tick();
        }
    }

    test::TempDir dir;
    platform::NullOutputDevice device{platform::NullPacing::Manual};
    HostSession session{dir.path(), ""};
    MainWindowLogic logic{session, platform::SystemClock()};
};

// The group's pressed button and the speed it leaves: a fast button keeps the slow cue speed
// for "cue", and the slider does not change a fast speed.
TEST_F(PlayerWindowLogicTest, ThePressedButtonAndTheSpeedItGives) {
    PlayerWindowLogic player(logic.transport(), logic.source(), dir.File("in.wav"));
    EXPECT_EQ(player.pressed(), TransportButton::Play);
    EXPECT_EQ(player.speedText(), "1.00");
    EXPECT_EQ(player.MoveSpeedSlider(625), "0.50");
    const struct {
        TransportButton press;
        int slider; // -1: left alone
        float speed;
        std::string field;
    } steps[] = {
        {TransportButton::Cue, -1, 0.5f, "0.50"},      {TransportButton::Forward4, -1, 4.0f, "0.50"},
        {TransportButton::Forward4, 1000, 4.0f, "2.00"}, {TransportButton::Back16, 0, -16.0f, "-2.00"},
        {TransportButton::Cue, -1, -2.0f, "-2.00"},    {TransportButton::Back4, 625, -4.0f, "0.50"},
        {TransportButton::Cue, -1, 0.5f, "0.50"},      {TransportButton::Play, -1, 0.5f, "0.50"},
    };
    for (const auto& step : steps) {
        player.Press(step.press);
        if (step.slider >= 0) {
            player.MoveSpeedSlider(step.slider);
        }
        EXPECT_EQ(player.pressed(), step.press);
        EXPECT_FLOAT_EQ(logic.transport().speed(), step.speed) << TransportButtonWord(step.press);
        EXPECT_EQ(player.speedText(), step.field);
    }
    EXPECT_TRUE(logic.transport().playMode());
}

// A marker lies where the listener is, not where the reader is: the first four buffers the
// device played were the silent ring of the start, and a tenth of a second is allowed for.
TEST_F(PlayerWindowLogicTest, MarkerFieldsShowTheAudiblePosition) {
    PlayerWindowLogic player(logic.transport(), logic.source(), dir.File("in.wav"));
    EXPECT_EQ(player.markerText(0), "00:00");
    PlayPeriods(device, player, 100); // the reader at 100 × 4096 pairs: 9.29 s; heard: 96 × 4096 − 4410: 8.82 s
    EXPECT_EQ(player.Tick().elapsed, "00:09");
    EXPECT_EQ(player.SetMarker(0), "00:08");
    PlayPeriods(device, player, 100); // heard: 196 × 4096 − 4410 pairs: 18.10 s
    EXPECT_EQ(player.SetMarker(1), "00:18");
    EXPECT_EQ(player.markerText(0), "00:08");
}

TEST_F(PlayerWindowLogicTest, DurationAndHalfUnderThePositionSlider) {
    PlayerWindowLogic player(logic.transport(), logic.source(), dir.File("in.wav"));
    EXPECT_EQ(player.totalText(), "00:30");
    EXPECT_EQ(player.halfText(), "00:15");
    EXPECT_EQ(player.informationLine(), " in.wav   type: wave   freq: 44.10kHz   stereo");
}

} // namespace
} // namespace lumisett::host
