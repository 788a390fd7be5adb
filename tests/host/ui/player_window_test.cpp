// The player window "Spindal" under the offscreen platform, driven through its own buttons and
// sliders: what the window adds to the transport (the wiring, the pressed group, the marker
// fields, the Pause button's face, the fields after the end of the file).

#include "host/engine/transport.h"
#include "tests/host/ui/host_windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <filesystem>
#include <fstream>

namespace lumisett::host::ui {
namespace {

constexpr int64_t kBlockBytes = 4096 * 4; // one buffer of stereo pairs

// A WAV header for `seconds` of 44.1 kHz stereo whose audio is a hole in a sparse file: long
// files for the duration fields without writing a gigabyte.
bool WriteLongSilentWav(const std::string& path, uint32_t seconds) {
    const uint32_t dataBytes = seconds * 44100u * 4u;
    const auto u32 = [](std::ofstream& out, uint32_t v) {
        const char bytes[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
        out.write(bytes, 4);
    };
    const auto u16 = [](std::ofstream& out, uint16_t v) {
        const char bytes[2] = {char(v), char(v >> 8)};
        out.write(bytes, 2);
    };
    {
        std::ofstream out(path, std::ios::binary);
        out.write("RIFF", 4);
        u32(out, 36 + dataBytes);
        out.write("WAVEfmt ", 8);
        u32(out, 16);
        u16(out, 1);
        u16(out, 2);
        u32(out, 44100);
        u32(out, 44100 * 4);
        u16(out, 4);
        u16(out, 16);
        out.write("data", 4);
        u32(out, dataBytes);
        if (!out) return false;
    }
    std::error_code error;
    std::filesystem::resize_file(path, 44 + static_cast<uintmax_t>(dataBytes), error);
    return !error;
}

class PlayerWindowTest : public testing::Test {
protected:
    // Plays `name` from the main window; the player window opens on it.
    PlayerWindow* Play(const std::string& name) {
        host.window.PlayFile(dir.File(name));
        return host.window.player();
    }

    // Plays buffers with the player's timer getting its turn after every fifth, as in real
    // time (about half a second of audio each).
    void PlayPeriods(PlayerWindow& player, int count) {
        for (int i = 1; i <= count; ++i) {
            ASSERT_TRUE(host.device->PlayOnePeriod());
            if (i % 5 == 0) player.Tick();
        }
    }

    AudioSource& source() { return host.logic.source(); }

    test::TempDir dir;
    bool prepared = PrepareProgramDirectory(dir);
    bool thirtySeconds = WriteWavFile(dir.File("long.wav"),
                                      WavAudio{2, 44100, std::vector<int16_t>(2 * 44100 * 30, 300)});
    HostWindows host{dir, ""};
};

// The group's pressed button stays down alone; ">>" keeps the slow cue speed for "cue", and
// the speed slider leaves a fast speed alone while its field follows.
TEST_F(PlayerWindowTest, TheFastButtonsKeepTheCueSpeedAndStayPressedAlone) {
    PlayerWindow* player = Play("long.wav");
    ASSERT_NE(player, nullptr);
    Transport& transport = host.logic.transport();
    EXPECT_TRUE(player->transportButton(TransportButton::Play)->isChecked());
    player->speedSlider()->setValue(625);
    EXPECT_EQ(player->speedField()->text(), "0.50");
    const struct {
        const char* press;
        int slider; // -1: left alone
        float speed;
        const char* field;
    } steps[] = {
        {"cue", -1, 0.5f, "0.50"}, {">>", -1, 4.0f, "0.50"},  {">>>", 1000, 16.0f, "2.00"},
        {"<<", 625, -4.0f, "0.50"}, {"cue", -1, 0.5f, "0.50"}, {"<<<", -1, -16.0f, "0.50"},
    };
    for (const auto& step : steps) {
        player->button(step.press)->click();
        if (step.slider >= 0) player->speedSlider()->setValue(step.slider);
        EXPECT_FLOAT_EQ(transport.speed(), step.speed) << step.press;
        EXPECT_EQ(player->speedField()->text(), step.field) << step.press;
        for (const char* word : {"play", "cue", "<<<", "<<", ">>", ">>>"}) {
            EXPECT_EQ(player->button(word)->isChecked(), std::string(word) == step.press)
                << step.press << " pressed, " << word;
        }
    }
    player->button("play")->click();
    EXPECT_TRUE(transport.playMode());
    EXPECT_TRUE(player->button("play")->isChecked());
}

// m1 after m2: the fields show where the listener was, the loop button stays down, and
// forward play that leaves the range jumps back to m2.
TEST_F(PlayerWindowTest, MarkersShowTheirTimesAndTheLoopKeepsPlayInside) {
    PlayerWindow* player = Play("long.wav");
    ASSERT_NE(player, nullptr);
    PlayPeriods(*player, 100);
    player->button("m1")->click();
    EXPECT_EQ(player->markerField(0)->text(), "00:08"); // heard: 96 × 4096 − 4410 pairs
    player->positionSlider()->triggerAction(QAbstractSlider::SliderToMinimum);
    PlayPeriods(*player, 40);
    player->button("m2")->click();
    EXPECT_EQ(player->markerField(1)->text(), "00:03"); // 36 × 4096 − 4410 pairs
    const int64_t m1 = host.logic.transport().marker(0);
    const int64_t m2 = host.logic.transport().marker(1);
    ASSERT_LT(m2, m1);

    player->button("loop")->click();
    EXPECT_TRUE(player->button("loop")->isChecked());
    EXPECT_EQ(host.session.statusWord()[0] & HOST_STATUS_LOOP, HOST_STATUS_LOOP);
    bool jumpedBack = false;
    for (int i = 0; i < 120 && !jumpedBack; ++i) {
        const int64_t before = source().position();
        PlayPeriods(*player, 1);
        player->Tick();
        if (source().position() < before) {
            jumpedBack = true;
            EXPECT_LE(before, m1 + kBlockBytes);
            EXPECT_EQ(source().position(), m2 + kBlockBytes);
        }
    }
    EXPECT_TRUE(jumpedBack);
    player->button("loop")->click();
    EXPECT_FALSE(player->button("loop")->isChecked());
}

// When the last audio has been heard the file rewinds: the fields show the start, and playback
// pauses (the Pause button shows resume) unless the loop is on.
TEST_F(PlayerWindowTest, TheEndOfTheFileRewindsAndPausesOrLoops) {
    for (bool loop : {false, true}) {
        PlayerWindow* player = Play("in.wav");
        ASSERT_NE(player, nullptr);
        if (loop) player->button("loop")->click();
        for (int i = 0; i < 40 && !source().endReached(); ++i) PlayPeriods(*player, 1);
        for (int i = 0; i < 8 && host.logic.engine().pairsPlayed() < source().endMark(); ++i) {
            host.device->PlayOnePeriod();
        }
        player->Tick(); // the end is heard
        player->Tick(); // a requested pause is completed
        EXPECT_EQ(player->elapsedField()->text(), "00:00") << "loop " << loop;
        EXPECT_EQ(player->positionSlider()->value(), 0) << "loop " << loop;
        EXPECT_EQ(player->button("resume") != nullptr, !loop) << "loop " << loop;
        EXPECT_EQ(host.logic.transport().paused(), !loop) << "loop " << loop;
        if (!loop) {
            player->button("resume")->click();
            EXPECT_NE(player->button("pause"), nullptr);
        }
        host.device->PlayOnePeriod();
        EXPECT_EQ(source().position(), source().dataOffset() + kBlockBytes) << "loop " << loop;
        player->button("END")->click();
        host.window.Tick();
        ASSERT_FALSE(host.logic.playing());
    }
}

// A step of the position slider by 0.1 % of a 30-second file (less than a second) changes
// nothing; a page step of 10 % moves playback there.
TEST_F(PlayerWindowTest, SmallPositionMovesAreIgnored) {
    PlayerWindow* player = Play("long.wav");
    ASSERT_NE(player, nullptr);
    PlayPeriods(*player, 20);
    QSlider* slider = player->positionSlider();
    const int64_t before = source().position();
    slider->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    PlayPeriods(*player, 1);
    EXPECT_EQ(source().position(), before + kBlockBytes);
    const int step = slider->value() + 100;
    slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
    PlayPeriods(*player, 1);
    const int64_t target = source().dataOffset() + step * source().dataLength() / 1000 / 4 * 4;
    EXPECT_NEAR(source().position(), target + kBlockBytes, 4); // the slider's rounding
}

// Durations beyond 6039 s show as 100:39; half of 7000 s is 58:20.
TEST_F(PlayerWindowTest, LongDurationsShowAs100Minutes39) {
    ASSERT_TRUE(WriteLongSilentWav(dir.File("long-silence.wav"), 7000));
    PlayerWindow* player = Play("long-silence.wav");
    ASSERT_NE(player, nullptr);
    EXPECT_EQ(player->totalLabel()->text(), "100:39");
    EXPECT_NE(player->findChild<QLabel*>("half"), nullptr);
    EXPECT_EQ(player->findChild<QLabel*>("half")->text(), "58:20");
    EXPECT_EQ(player->informationLabel()->text(), " long-silence.wav   type: wave   freq: 44.10kHz   stereo");
}

} // namespace
} // namespace lumisett::host::ui
