// The main window and the player under the offscreen platform: behaviour through the windows'
// own controls, and a screenshot of each under the build folder to look at.

#include "host/source/wav_file.h"
#include "host/ui/io_options_window.h"
#include "host/ui/main_window.h"
#include "host/ui/splash_window.h"
#include "platform/audio/null_output_device.h"
#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/temp_dir.h"

#include <QComboBox>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace lumisett::host::ui {
namespace {

void SaveScreenshot(QWidget& window, const char* name) {
    QDir().mkpath(LUMISETT_TEST_BINARY_DIR "screenshots");
    window.grab().save(QString(LUMISETT_TEST_BINARY_DIR "screenshots/") + name + ".png");
}

// A program directory with zeroline and a one-second WAV, and a session started on it: the
// window fills its slot lists from the registry when it is made.
bool PrepareProgramDirectory(const test::TempDir& dir) {
    for (const char* file : {"zeroline.so", "zeroline.eff", "zeroline.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    std::vector<int16_t> samples(2 * 44100, 700);
    return WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples});
}

bool StartSession(HostSession& session) {
    session.Start();
    return true;
}

class MainWindowTest : public testing::Test {
protected:
    test::TempDir dir;
    bool prepared = PrepareProgramDirectory(dir);
    HostSession session{dir.path(), ""};
    bool started = StartSession(session);
    MainWindowLogic logic{session, platform::SystemClock()};
    platform::NullOutputDevice* device = nullptr; // owned by the window while it plays
    MainWindow window{logic,
                      [this] {
                          auto made = std::make_unique<platform::NullOutputDevice>(platform::NullPacing::Manual);
                          device = made.get();
                          return made;
                      },
                      [] {
                          platform::DeviceTables tables;
                          tables.inputs = {{"card *", 0b110000, true, "hw:0"}};
                          tables.outputs = {{"card *", 0b111111, true, "hw:0"}, {"null", 0b111111, false, "null"}};
                          return tables;
                      }};
};

TEST_F(MainWindowTest, ASlotListLoadsThePlugInAndPlaybackRunsUntilEnd) {
    window.show();
    QComboBox* list = window.slotList(0);
    ASSERT_EQ(list->count(), 2); // DI-Revivad, none
    Q_EMIT list->activated(0);
    EXPECT_TRUE(session.slots().slot(0).loaded());
    EXPECT_EQ(list->currentIndex(), 0);
    SaveScreenshot(window, "main_window");

    window.PlayFile(dir.File("in.wav"));
    ASSERT_TRUE(logic.playing());
    ASSERT_NE(window.player(), nullptr);
    for (int i = 0; i < 8; ++i) device->PlayOnePeriod();
    SaveScreenshot(*window.player(), "player_window");

    window.player()->close(); // the close box ends playback as END does
    test::ProcessPendingEvents();
    logic.Tick();
    EXPECT_FALSE(logic.playing());
    Q_EMIT list->activated(1); // none
    EXPECT_FALSE(session.slots().slot(0).loaded());
    EXPECT_FALSE(dir.Exists("never"));
}

// The windows that come and go around the main window, for looking at.
TEST_F(MainWindowTest, ScreenshotsOfTheOtherWindows) {
    Q_EMIT window.slotList(0)->activated(0); // DI-Revivad opens its editor
    test::ProcessPendingEvents();
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == "DI-Revivad 2.1") {
            SaveScreenshot(*top, "zeroline_editor");
        }
    }
    SpectralSettingsControl spectral(session.settings(), logic.controls(), [](int32_t, float) {});
    FftPropertiesWindow fft(spectral, &window);
    fft.show();
    SaveScreenshot(fft, "fft_properties_window");
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->isVisible() && top->windowTitle() == kAboutTitle) {
                SaveScreenshot(*top, "about_box");
                static_cast<QDialog*>(top)->accept();
            }
        }
    });
    ShowAboutBox(platform::SystemInfo{"Linux", "Non Intel", true, false, 0, 0}, &window);
    EXPECT_TRUE(QFile::exists(LUMISETT_TEST_BINARY_DIR "screenshots/about_box.png"));
}

TEST_F(MainWindowTest, AFileThatCannotBeOpenedShowsItsMessageAndPlaysNothing) {
    window.PlayFile(dir.File("absent.wav"));
    EXPECT_FALSE(logic.playing());
    EXPECT_EQ(window.player(), nullptr);
}

TEST_F(MainWindowTest, IoOptionsShowTheDevicesAndChangeTheBuffers) {
    IoOptionsWindow options(window.ioOptions(), session.settings(), &window);
    options.show();
    SaveScreenshot(options, "io_options_window");
    window.ioOptions().BufferSizeUp();
    EXPECT_EQ(session.settings().bufferPairs, 8192);
}

TEST_F(MainWindowTest, FileToFileRendersThroughTheChainAsItStands) {
    Q_EMIT window.slotList(0)->activated(0); // DI-Revivad
    ASSERT_TRUE(window.RenderFileToFile(dir.File("in.wav"), dir.File("out.wav")));
    const WavReadResult out = ReadWavFile(dir.File("out.wav"));
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.audio.samples.size(), 2u * 44100);
    EXPECT_LT(std::abs(out.audio.samples.back()), 700); // the offset is on its way out
    EXPECT_FALSE(window.RenderFileToFile(dir.File("absent.wav"), dir.File("never.wav")));
    EXPECT_FALSE(dir.Exists("never.wav"));
}

TEST(SplashWindow, ClosesAtOnceWhenAFileWaitsAndOnAClick) {
    platform::SystemInfo info{"Linux 6.1 (Debian GNU/Linux 12)", "Intel Pentium Pro 2893.4 MHz", true, true, 6, 2893};
    SplashWindow waiting(info, true);
    EXPECT_EQ(waiting.exec(), QDialog::Accepted); // returns at once instead of after ten seconds
    SplashWindow splash(info, false);
    splash.show();
    SaveScreenshot(splash, "splash_window");
    QTimer::singleShot(0, &splash, [&splash] {
        QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&splash, &click);
    });
    EXPECT_EQ(splash.exec(), QDialog::Accepted);
}

TEST(SystemInfo, ProcessorTexts) {
    EXPECT_EQ(platform::ProcessorText("GenuineIntel", 5, 166.04), "Intel Pentium 166.0 MHz");
    EXPECT_EQ(platform::ProcessorText("GenuineIntel", 8, 1000.0), "Intel ??? (> PII) 1000.0 MHz");
    EXPECT_EQ(platform::ProcessorText("GenuineIntel", 15, 3000.0), "Non Intel");
    EXPECT_EQ(platform::ProcessorText("AuthenticAMD", 15, 0), "AuthenticAMD");
    EXPECT_EQ(platform::ProcessorText("", 0, 0), "Non Intel");
    EXPECT_FALSE(platform::GatherSystemInfo().system.empty());
}

TEST(PlayerTexts, TimesStopAt100Minutes39) {
    EXPECT_EQ(MinutesAndSeconds(0), "00:00");
    EXPECT_EQ(MinutesAndSeconds(61.9), "01:01");
    EXPECT_EQ(MinutesAndSeconds(7000), "100:39");
}

} // namespace
} // namespace lumisett::host::ui
