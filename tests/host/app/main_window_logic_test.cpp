#include "host/app/main_window_logic.h"
#include "host/chain/spectral_settings.h"
#include "host/source/wav_file.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace lumisett::host {
namespace {

TEST(LoadDisplay, ShowsBlanksForLeadingZeros) {
    EXPECT_EQ(LoadDisplayDigits(0.05), (LoadDigits{{-1, -1, 5}}));
    EXPECT_EQ(LoadDisplayDigits(0.25), (LoadDigits{{-1, 2, 5}}));
    EXPECT_EQ(LoadDisplayDigits(1.00), (LoadDigits{{1, 0, 0}}));
    EXPECT_EQ(LoadDisplayDigits(0.0), (LoadDigits{{-1, -1, 0}}));
    EXPECT_EQ(LoadDisplayDigits(12.0), (LoadDigits{{9, 9, 9}}));
}

TEST(PeakReadouts, TextAndMeterTarget) {
    EXPECT_EQ(PeakHoldText(0), "-inf");
    EXPECT_EQ(PeakHoldText(32768), " +0.0");
    EXPECT_EQ(PeakHoldText(16384), " -6.0");
    EXPECT_FLOAT_EQ(MeterTarget(32768), 60.0f * 0.016666666f);
    EXPECT_EQ(MeterTarget(10), 0.0f); // below −60 dB
}

// The settings' output device by its number; without any card the null device plays.
TEST(OutputDevice, TheSettingsDeviceOrTheNullDeviceWithoutACard) {
    platform::DeviceTables noCard;
    noCard.outputs = {{"default", 0, false, "default"}, {"null *", 0b111111, true, "null"}};
    platform::DeviceTables cards;
    cards.outputs = {{"default", 0b110000, false, "default"}, {"USB Audio", 0b010000, false, "hw:CARD=USB,DEV=0"}};
    const struct {
        const platform::DeviceTables* devices;
        int number;
        const char* opened;
    } cases[] = {
        {&noCard, 0, "null"}, {&noCard, 1, "null"},     {&noCard, 3, "null"},  {&cards, 0, "default"},
        {&cards, 1, "hw:CARD=USB,DEV=0"}, {&cards, 2, "default"}, {&cards, -1, "default"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OutputDeviceName(*c.devices, c.number), c.opened) << c.number;
    }
}

class MainWindowLogicTest : public testing::Test {
protected:
    void WriteWav(const std::string& name, int channels) {
        std::vector<int16_t> samples(static_cast<std::size_t>(channels) * 44100, 1000);
        ASSERT_TRUE(WriteWavFile(dir.File(name), WavAudio{channels, 44100, samples}));
    }

    test::TempDir dir;
    platform::NullOutputDevice device{platform::NullPacing::Manual};
};

TEST_F(MainWindowLogicTest, AOneChannelSourceKeepsTheModeAtMono) {
    WriteWav("mono.wav", 1);
    HostSession session(dir.path(), "");
    session.Start();
    MainWindowLogic logic(session, platform::SystemClock());
    EXPECT_EQ(logic.ChooseChannelMode(2), 2); // nothing loaded: any mode
    ASSERT_EQ(logic.StartFilePlayback(dir.File("mono.wav"), device), kEngineStarted);
    EXPECT_EQ(logic.controls().channelMode.load(), 1);
    for (int mode : {0, 2, 3}) {
        EXPECT_EQ(logic.ChooseChannelMode(mode), 1);
    }
}

TEST_F(MainWindowLogicTest, TheCommandLineFileStartsOnTheFifthTickAndOnlyOnce) {
    WriteWav("in.wav", 2);
    HostSession session(dir.path(), dir.File("in.wav"));
    session.Start();
    MainWindowLogic logic(session, platform::SystemClock());
    for (int tick = 1; tick <= 4; ++tick) {
        EXPECT_FALSE(logic.Tick().startCommandLineFile) << "tick " << tick;
    }
    EXPECT_TRUE(logic.Tick().startCommandLineFile);
    EXPECT_EQ(logic.TakeCommandLineFile(), dir.File("in.wav"));
    EXPECT_EQ(logic.TakeCommandLineFile(), ""); // a second start asks for a file
    EXPECT_FALSE(logic.Tick().startCommandLineFile);
}

TEST_F(MainWindowLogicTest, PeakHoldFollowsTheMetersUntilReset) {
    WriteWav("in.wav", 2);
    HostSession session(dir.path(), "");
    session.Start();
    MainWindowLogic logic(session, platform::SystemClock());
    ASSERT_EQ(logic.StartFilePlayback(dir.File("in.wav"), device), kEngineStarted);
    for (int i = 0; i < 8; ++i) device.PlayOnePeriod();
    TickResult result = logic.Tick();
    EXPECT_EQ(result.holdLeft, PeakHoldText(1000));
    logic.ResetPeakHolds();
    logic.engine().stopRequest() = true;
    result = logic.Tick();
    EXPECT_TRUE(result.playbackStopped);
    EXPECT_FALSE(logic.playing());
}

TEST_F(MainWindowLogicTest, ChoicesMadeInTheWindowsComeBackAtTheNextStart) {
    {
        HostSession session(dir.path(), "");
        session.Start();
        MainWindowLogic logic(session, platform::SystemClock());
        logic.ChooseChannelMode(1);
        SpectralSettingsControl spectral(session.settings(), logic.controls(), [](int32_t, float) {});
        spectral.ChooseTransformSize(4096);
        ASSERT_TRUE(session.SaveSettingsFile());
    }
    HostSession next(dir.path(), "");
    next.Start();
    MainWindowLogic logic(next, platform::SystemClock());
    EXPECT_EQ(logic.controls().channelMode.load(), 1);
    EXPECT_EQ(next.settings().halfTransform, 2048);
}

TEST_F(MainWindowLogicTest, AFileThatCannotBePlayedGivesItsMessageCode) {
    HostSession session(dir.path(), "");
    session.Start();
    MainWindowLogic logic(session, platform::SystemClock());
    EXPECT_EQ(logic.StartFilePlayback(dir.File("absent.wav"), device), kSourceCannotOpen);
    EXPECT_FALSE(logic.playing());
}

} // namespace
} // namespace lumisett::host
