// The main window and the player under the offscreen platform: behaviour through the windows'
// own controls, and a screenshot of each under the build folder to look at.

#include "host/ui/io_options_window.h"
#include "host/ui/splash_window.h"
#include "tests/host/ui/host_windows.h"
#include "plugin_common/ui/level_bar.h"
#include "tests/plugin_common/qt_test_application.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

namespace lumisett::host::ui {
namespace {

class MainWindowTest : public testing::Test {
protected:
    test::TempDir dir;
    bool prepared = PrepareProgramDirectory(dir);
    HostWindows host{dir, ""};
    HostSession& session = host.session;
    MainWindowLogic& logic = host.logic;
    platform::NullOutputDevice*& device = host.device;
    MainWindow& window = host.window;
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
    window.windowIcon().pixmap(64, 64).save(LUMISETT_TEST_BINARY_DIR "screenshots/program_icon.png");
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

// The handler's share of one buffer's playing time (4096 pairs at 44100 Hz: 92.88 ms) in the
// three places of the load display. Playback start leaves the run count at 1 with nothing
// summed, so one run of twice the time makes the average.
TEST_F(MainWindowTest, TheLoadDisplayShowsTheHandlersShare) {
    const struct {
        int64_t averageMicroseconds;
        const char* places[3];
    } cases[] = {{4645, {"blank", "blank", "5"}}, {23220, {"blank", "2", "5"}}, {92880, {"1", "0", "0"}}};
    for (const auto& c : cases) {
        logic.load().Reset();
        logic.load().AddRun(2 * c.averageMicroseconds);
        window.Tick();
        for (int place = 0; place < 3; ++place) {
            EXPECT_EQ(window.loadPlace(place)->accessibleName(), c.places[place])
                << c.averageMicroseconds << " us, place " << place;
        }
    }
}

// The meters start full, fall a tenth of the remaining way per repaint and rise half of it;
// their targets come from the peaks of the audible block (700 of 32768: -33.4 dB).
TEST_F(MainWindowTest, MetersFallATenthAndRiseHalfTheWayPerRepaint) {
    window.show();
    plugin::LevelBar* left = window.meter(0);
    window.Tick(); // silence: target 0
    EXPECT_FLOAT_EQ(left->shown(), 1.0f);
    left->grab(); // one repaint
    EXPECT_FLOAT_EQ(left->shown(), 0.9f);
    left->grab();
    EXPECT_FLOAT_EQ(left->shown(), 0.81f);
    for (int i = 0; i < 40; ++i) left->grab();
    const float low = left->shown();
    ASSERT_LT(low, 0.02f);

    window.PlayFile(dir.File("in.wav"));
    for (int i = 0; i < 6; ++i) device->PlayOnePeriod(); // the ring's silence, then the tone
    window.Tick();
    EXPECT_FLOAT_EQ(left->target(), MeterTarget(700));
    EXPECT_EQ(window.peakHold(0)->text().toStdString(), PeakHoldText(700));
    left->grab();
    EXPECT_NEAR(left->shown(), low + 0.5f * (MeterTarget(700) - low), 1e-6);
}

// A file named on the command line plays on the fifth tick without a file dialog; the next
// start asks for a file. While it plays, file to output and Device I/O are inactive.
TEST(MainWindowStart, TheCommandLineFilePlaysOnTheFifthTickAndOnlyOnce) {
    test::TempDir dir;
    ASSERT_TRUE(PrepareProgramDirectory(dir));
    HostWindows host(dir, dir.File("in.wav"));
    for (int tick = 1; tick <= 4; ++tick) {
        host.window.Tick();
        EXPECT_EQ(host.window.player(), nullptr) << "tick " << tick;
    }
    host.window.Tick();
    ASSERT_NE(host.window.player(), nullptr);
    EXPECT_TRUE(host.logic.playing());
    EXPECT_EQ(host.fileDialogs, 0);
    EXPECT_FALSE(host.window.commandButton(CommandButton::FileToOutput)->isEnabled());
    EXPECT_FALSE(host.window.commandButton(CommandButton::DeviceIo)->isEnabled());
    host.window.StartFilePlayback(); // pressing it during playback does nothing
    EXPECT_EQ(host.fileDialogs, 0);

    host.window.player()->button("END")->click();
    host.window.Tick();
    EXPECT_FALSE(host.logic.playing());
    ASSERT_TRUE(host.window.commandButton(CommandButton::FileToOutput)->isEnabled());
    EXPECT_TRUE(host.window.commandButton(CommandButton::DeviceIo)->isEnabled());
    EXPECT_FALSE(host.window.commandButton(CommandButton::LiveInput)->isEnabled());
    host.window.commandButton(CommandButton::FileToOutput)->click();
    EXPECT_EQ(host.fileDialogs, 1); // cancelled: nothing plays
    EXPECT_FALSE(host.logic.playing());
}

// Mono chosen with the radio button and an FFT size of 4096 chosen in the FFT Properties
// window come back when the program starts again (K = 2048), and the file dialog offers the
// file played last.
TEST(MainWindowSettings, ModeTransformAndLastFileChosenInTheWindowsComeBack) {
    test::TempDir dir;
    ASSERT_TRUE(PrepareProgramDirectory(dir));
    {
        HostWindows host(dir, "");
        host.window.PlayFile(dir.File("in.wav"));
        ASSERT_TRUE(host.logic.playing());
        host.window.modeButton(1)->click();
        SpectralSettingsControl spectral(host.session.settings(), host.logic.controls(), [](int32_t, float) {});
        FftPropertiesWindow fft(spectral, &host.window);
        for (QRadioButton* size : fft.findChildren<QRadioButton*>()) {
            if (size->text() == "4096") size->click();
        }
        host.window.close(); // the close box
        ASSERT_TRUE(host.session.SaveSettingsFile());
    }
    HostWindows next(dir, "");
    EXPECT_TRUE(next.window.modeButton(1)->isChecked());
    EXPECT_EQ(next.logic.controls().channelMode.load(), 1);
    EXPECT_EQ(next.session.settings().halfTransform, 2048);
    next.window.commandButton(CommandButton::FileToOutput)->click();
    EXPECT_EQ(next.offeredFile, dir.File("in.wav"));
}

// The spin arrows stop at their limits and the fields follow every change; a smaller buffer
// takes the transform down with it.
TEST_F(MainWindowTest, IoOptionsSpinArrowsStopAtTheirLimits) {
    HostSettings& settings = session.settings();
    settings.bufferCount = 15;
    settings.bufferPairs = 8192;
    settings.halfTransform = 4096;
    IoOptionsWindow options(window.ioOptions(), settings, &window);
    const auto field = [&options](const char* name) { return options.findChild<QLineEdit*>(name)->text(); };
    const auto press = [&options](const char* name) { options.findChild<QPushButton*>(name)->click(); };
    const struct {
        const char* arrow;
        const char* number;
        const char* size;
        int halfTransform;
    } steps[] = {
        {"number up", "16", "8192", 4096},        {"number up", "16", "8192", 4096},
        {"size [samples] up", "16", "8192", 4096}, {"size [samples] down", "16", "4096", 2048},
        {"size [samples] down", "16", "2048", 1024}, {"size [samples] down", "16", "2048", 1024},
        {"number down", "15", "2048", 1024},
    };
    for (const auto& step : steps) {
        press(step.arrow);
        EXPECT_EQ(field("number"), step.number) << step.arrow;
        EXPECT_EQ(field("size [samples]"), step.size) << step.arrow;
        EXPECT_EQ(settings.halfTransform, step.halfTransform) << step.arrow;
    }
    EXPECT_EQ(field("delay [ms]"), "0.697"); // 15 × 2048 / 44100
    for (int i = 0; i < 20; ++i) press("number down");
    EXPECT_EQ(field("number"), "4");
}

// A spectral plug-in in a slot opens the FFT Properties window; a buffer made smaller in the
// I/O Options than the transform takes the transform down, and the FFT Properties window
// shows the new size at once. The window closes when the plug-in leaves its slot.
TEST(MainWindowSpectral, ASmallerBufferShowsTheSmallerTransformInFftProperties) {
    test::TempDir dir;
    ASSERT_TRUE(PrepareProgramDirectory(dir));
    for (const char* file : {"hilofilt.so", "hilofilt.eff", "hilofilt.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    HostWindows host(dir, "");
    HostSettings& settings = host.session.settings();
    settings.bufferPairs = 8192;
    settings.halfTransform = 4096;
    QComboBox* list = host.window.slotList(0);
    const int filter = list->findText("Zi-Di");
    ASSERT_GE(filter, 0);
    Q_EMIT list->activated(filter);
    FftPropertiesWindow* fft = host.window.fftProperties();
    ASSERT_NE(fft, nullptr);
    const auto checkedSize = [fft] {
        for (QRadioButton* size : fft->findChildren<QRadioButton*>()) {
            if (size->isChecked()) return size->text();
        }
        return QString();
    };
    EXPECT_EQ(checkedSize(), "8192");
    IoOptionsWindow options(host.window.ioOptions(), settings, &host.window);
    options.findChild<QPushButton*>("size [samples] down")->click();
    EXPECT_EQ(settings.halfTransform, 2048);
    EXPECT_EQ(checkedSize(), "4096");
    Q_EMIT list->activated(list->count() - 1); // none
    test::ProcessPendingEvents();
    EXPECT_EQ(host.window.fftProperties(), nullptr);
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
