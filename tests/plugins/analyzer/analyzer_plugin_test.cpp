// The built plug-in, loaded the way the host loads it: private copies of analyzer.so, denoise.so
// and hilofilt.so with their descriptor and help files in a temporary folder, so that the
// parameter files land there and the analyzer's table finds the de-noiser and the filter.

#include "plugin_common/effect_api.h"
#include "plugins/analyzer/core/display_settings.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/loaded_plugin.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <atomic>
#include <thread>
#include <vector>

namespace lumisett::analyzer {
namespace {

using test::ProcessPendingEvents;

const QString kTitle = QStringLiteral("Analyzer 2.1");
constexpr std::int32_t kBins = 1024;

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

std::int16_t I16(const std::string& bytes, std::size_t at) {
    std::int16_t value = 0;
    std::memcpy(&value, bytes.data() + at, 2);
    return value;
}

// A frame whose left magnitudes lie `decibels` below the scale's 0 dB.
std::vector<float> Frame(double decibels) {
    std::vector<float> frame(4 * kBins, 1.0f / kBins);
    std::fill_n(frame.begin(), kBins, static_cast<float>(std::pow(10.0, (96.0 + decibels) / 20.0)));
    return frame;
}

class LoadedAnalyzer : public test::PluginFolderTest {
protected:
    LoadedAnalyzer()
        : PluginFolderTest({"analyzer.so", "analyzer.eff", "analyzer.hlp", "denoise.so", "denoise.eff",
                            "denoise.hlp", "hilofilt.so", "hilofilt.eff", "hilofilt.hlp"},
                           "analyzer.par") {
        analyzer_.Load(dir_.File("analyzer.so"));
    }

    ~LoadedAnalyzer() override {
        if (analyzer_.library) {
            analyzer_.closeWindow();
            ProcessPendingEvents();
        }
        analyzer_.Unload();
        denoise_.Unload();
        filter_.Unload();
    }

    void Init() {
        descriptor_ = analyzer_.init(&status_, EFFECT_HOST_KMAX);
        ASSERT_NE(descriptor_, nullptr);
    }

    void LoadDenoiser() {
        denoise_.Load(dir_.File("denoise.so"));
        ASSERT_NE(denoise_.init(&status_, EFFECT_HOST_KMAX), nullptr);
    }

    void LoadFilter() {
        filter_.Load(dir_.File("hilofilt.so"));
        ASSERT_NE(filter_.init(&status_, EFFECT_HOST_KMAX), nullptr);
    }

    QWidget* OpenEditor() {
        analyzer_.openWindow(&owner_);
        ProcessPendingEvents();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->windowTitle() == kTitle && window->isVisible()) {
                return window;
            }
        }
        return nullptr;
    }

    // One frame through a stage with `names` plug-ins, the same data at every position.
    void RunFrame(int names, double decibels) {
        auto frame = Frame(decibels);
        for (int c = 0; c <= names; ++c) {
            analyzer_.transData(44100, c == names ? 0 : 3, kBins, c, frame.data());
        }
    }

    static QComboBox* List(QWidget* editor, const char* name) {
        return editor->findChild<QComboBox*>(QString::fromLatin1(name));
    }

    static void Click(QWidget* editor, const char* name, int times = 1) {
        auto* button = editor->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        for (int i = 0; i < times; ++i) {
            button->click();
        }
    }

    // Pixels of one colour in the plot as it paints now.
    static int CountPixels(QWidget* editor, QColor colour) {
        QWidget* plot = editor->findChild<QWidget*>(QStringLiteral("plot"));
        const QImage image = plot->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) == colour ? 1 : 0;
            }
        }
        return count;
    }

    test::LoadedPlugin analyzer_;
    test::LoadedPlugin denoise_;
    test::LoadedPlugin filter_;
    std::int32_t status_ = 0;
    EffectDescriptor* descriptor_ = nullptr;
    QWidget owner_;
};

TEST_F(LoadedAnalyzer, DescribesItselfAndSavesItsDefaults) {
    Init();
    EXPECT_EQ(std::memcmp(descriptor_->magic, "QEXA", 4), 0);
    EXPECT_STREQ(descriptor_->name, "Analyzer");
    EXPECT_EQ(descriptor_->kind, KIND_ANALYZER);
    EXPECT_EQ(descriptor_->spectral, 1);
    EXPECT_EQ(descriptor_->latency, 0);
    EXPECT_EQ(descriptor_->process, nullptr);
    EXPECT_EQ(analyzer_.doEffect, nullptr);
    EXPECT_NE(analyzer_.transEff, nullptr);
    EXPECT_NE(analyzer_.transData, nullptr);
    EXPECT_NE(analyzer_.denoClose, nullptr);
    EXPECT_EQ(analyzer_.exit(), 1);
    const std::string record = dir_.Read("analyzer.par");
    ASSERT_EQ(record.size(), 56u);
    EXPECT_EQ(U32(record, 0), 0x05021980u);
    EXPECT_EQ(U32(record, 16), 0u); // linear, as a new file holds it
    EXPECT_EQ(I16(record, 20), 2);
    EXPECT_EQ(I16(record, 22), 50);
    EXPECT_EQ(I16(record, 24), 0);
    EXPECT_EQ(std::bit_cast<float>(U32(record, 28)), 2.0f);
    EXPECT_EQ(std::bit_cast<float>(U32(record, 32)), 4.0f);
}

TEST_F(LoadedAnalyzer, HeadlessItLoadsAndItsTransDataIsHarmless) {
    Init();
    analyzer_.openWindow(nullptr); // no owner: no window
    ProcessPendingEvents();
    const char names[] = "Ve-Vidare\0Analyzer";
    analyzer_.transEff(2, names);
    analyzer_.transEff(-1, nullptr);
    analyzer_.transEff(2, names);
    RunFrame(2, -10.0);
    std::vector<float> big(4 * 4096, 1.0f);
    analyzer_.transData(44100, 3, 4096, 0, big.data());
    analyzer_.transData(44100, 3, 8192, 0, big.data()); // beyond K-max: ignored
    analyzer_.transData(0, 0, 0, 0, nullptr);
    analyzer_.denoClose();
    analyzer_.closeEffect();
    analyzer_.exit();
}

TEST_F(LoadedAnalyzer, TheWindowFindsTheDenoiserByItsNameAndDrawsItsCurve) {
    LoadDenoiser();
    Init();
    const char names[] = "Ve-Vidare\0Analyzer";
    analyzer_.transEff(2, names);
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(List(editor, "trace1List"), nullptr);
    EXPECT_EQ(List(editor, "trace1List")->currentText(), QStringLiteral("Ve-Vidare in"));
    EXPECT_EQ(List(editor, "trace2List")->currentText(), QStringLiteral("Ve-Vidare out"));
    EXPECT_EQ(List(editor, "trace1List")->count(), 5);
    EXPECT_EQ(List(editor, "noiseList")->currentText(), QStringLiteral("Ve-Vidare"));
    EXPECT_EQ(List(editor, "noiseList")->count(), 2); // the de-noiser and "none"
    bool aboutFound = false;
    for (QAction* action : editor->actions()) {
        aboutFound = aboutFound || action->text() == QStringLiteral("About Analyzer...");
    }
    EXPECT_TRUE(aboutFound);

    // The log scale shows the white threshold line of the de-noiser's default profile.
    editor->findChild<QCheckBox*>(QStringLiteral("log"))->setChecked(true);
    Click(editor, "depthUp", 5); // down to -100 dB
    RunFrame(2, -10.0);
    EXPECT_GT(CountPixels(editor, QColor(240, 240, 240)), 100);
    EXPECT_GT(CountPixels(editor, QColor(255, 255, 0)), 100); // red and green over each other

    // The de-noiser withdraws its table as it exits: the curve is gone at the next frame.
    denoise_.exit();
    RunFrame(2, -10.0);
    EXPECT_EQ(CountPixels(editor, QColor(240, 240, 240)), 0);
    EXPECT_EQ(List(editor, "noiseList")->currentText(), QStringLiteral("Ve-Vidare")); // until a refill
    analyzer_.transEff(1, "Analyzer");
    EXPECT_EQ(List(editor, "noiseList")->currentText(), QStringLiteral("none"));
    EXPECT_EQ(List(editor, "trace1List")->currentText(), QStringLiteral("none"));

    // A pick is remembered across refills, found again by its prefix.
    List(editor, "trace1List")->activated(0);
    analyzer_.transEff(2, "Zi-Di\0Analyzer");
    EXPECT_EQ(List(editor, "trace1List")->currentText(), QStringLiteral("Analyzer in"));
    analyzer_.closeWindow();
    ProcessPendingEvents();
    analyzer_.exit();
}

// The filter lends its response as the noise curve: it follows the filter's settings at the
// next frame and is gone once the filter exits.
TEST_F(LoadedAnalyzer, TheFiltersResponseIsTheNoiseCurve) {
    LoadFilter();
    Init();
    analyzer_.transEff(2, "Zi-Di\0Analyzer");
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    List(editor, "noiseList")->setCurrentIndex(0);
    List(editor, "noiseList")->activated(0);
    ASSERT_EQ(List(editor, "noiseList")->currentText(), QStringLiteral("Zi-Di"));
    editor->findChild<QCheckBox*>(QStringLiteral("log"))->setChecked(true);
    const QColor white(240, 240, 240);

    // The first white row of a plot column, or -1 when the curve is not in it.
    auto whiteRowAt = [&](int x) {
        const QImage image = editor->findChild<QWidget*>(QStringLiteral("plot"))->grab().toImage();
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) == white) return y;
        }
        return -1;
    };
    const int middle = 12 + 100;  // a few hundred hertz: inside both corners
    const int rightEnd = editor->findChild<QWidget*>(QStringLiteral("plot"))->width() - 46;  // ~10 kHz

    std::vector<float> frame(4 * kBins, 1.0f / kBins);
    filter_.doEffect(44100, 3, kBins, nullptr, frame.data());
    RunFrame(2, -10.0);
    const int passRow = whiteRowAt(middle);
    ASSERT_GE(passRow, 0);
    EXPECT_NEAR(whiteRowAt(rightEnd), passRow, 2) << "13 kHz corner: 10 kHz still passes";

    // A low-pass at 2 kHz, 24 dB/oct, takes 10 kHz below the bottom of the plot.
    ASSERT_EQ(filter_.setParam("lp_freq", "2000"), 1);
    ASSERT_EQ(filter_.setParam("lp_slope", "24"), 1);
    filter_.doEffect(44100, 3, kBins, nullptr, frame.data());
    RunFrame(2, -10.0);
    EXPECT_EQ(whiteRowAt(middle), passRow);
    const int cutRow = whiteRowAt(rightEnd);
    EXPECT_TRUE(cutRow == -1 || cutRow > passRow + 40) << cutRow;

    filter_.exit();
    RunFrame(2, -10.0);
    EXPECT_EQ(CountPixels(editor, white), 0);
    analyzer_.closeWindow();
    ProcessPendingEvents();
    analyzer_.exit();
}

TEST_F(LoadedAnalyzer, PauseClearsTheTracesOnceAndTheyRefillWithTheNextFrames) {
    Init();
    analyzer_.transEff(1, "Analyzer");
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    List(editor, "trace1List")->activated(0);
    List(editor, "trace2List")->activated(2); // none
    editor->findChild<QCheckBox*>(QStringLiteral("log"))->setChecked(true);
    auto* timer = editor->findChild<QWidget*>(QStringLiteral("plot"))->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    auto tick = [&] { QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection); };
    RunFrame(1, -10.0);
    tick();
    const QColor red(255, 0, 0);
    EXPECT_GT(CountPixels(editor, red), 100);
    EXPECT_EQ(CountPixels(editor, QColor(0, 255, 0)), 0);
    status_ = 2 | 4; // paused while looping: not the pause rule
    tick();
    EXPECT_GT(CountPixels(editor, red), 100);
    status_ = 2;
    tick();
    EXPECT_EQ(CountPixels(editor, red), 0);
    RunFrame(1, -10.0);
    tick();
    EXPECT_GT(CountPixels(editor, red), 100); // cleared once only, while still paused
    status_ = 0;
    analyzer_.closeEffect(); // the stream stopped: traces 1 and 2 empty
    tick();
    EXPECT_EQ(CountPixels(editor, red), 0);
    analyzer_.exit();
}

TEST_F(LoadedAnalyzer, ControlsStepWithinTheirLimitsAndComeBackAtTheNextStart) {
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    auto* decay = editor->findChild<QLineEdit*>(QStringLiteral("decayField"));
    ASSERT_NE(decay, nullptr);
    EXPECT_EQ(decay->text(), QStringLiteral("  32")); // D = 2 at 2048 bins and 44.1 kHz
    Click(editor, "decayUp", 20);
    EXPECT_EQ(decay->text(), QStringLiteral(" 106"));
    RunFrame(0, -10.0);
    ProcessPendingEvents();
    Click(editor, "highUp", 15);   // to 20 kHz, not 21 kHz
    Click(editor, "lowDown", 15);  // to 10 Hz
    Click(editor, "topDown", 10);  // to +70 dB
    Click(editor, "depthDown", 3); // 50 -> 20

    // The layout keeps to 300 .. 1000 pixels of width.
    QWidget* plot = editor->findChild<QWidget*>(QStringLiteral("plot"));
    editor->resize(200, 150);
    ProcessPendingEvents();
    EXPECT_EQ(plot->geometry(), QRect(6, 32, 290, 182));
    editor->resize(1300, 400);
    ProcessPendingEvents();
    EXPECT_EQ(plot->width(), 990);
    analyzer_.exit();

    const std::string record = dir_.Read("analyzer.par");
    ASSERT_EQ(record.size(), 56u);
    EXPECT_EQ(I16(record, 20), 10);
    EXPECT_EQ(I16(record, 22), 20);
    EXPECT_EQ(I16(record, 24), -70);
    EXPECT_NEAR(std::bit_cast<float>(U32(record, 28)), 1.0f, 1e-6);
    EXPECT_NEAR(std::pow(10.0f, std::bit_cast<float>(U32(record, 32))), 20000.0f, 0.5f);
    EXPECT_NE(U32(record, 44), 0u); // the window's right edge was recorded
}

// The host announces names on the window thread while its audio thread runs frames through
// TransData; the open window refills its lists and rebinds the de-noiser's table each time.
// Also run under ThreadSanitizer (scripts/test.sh --threads).
class LoadedAnalyzerThreads : public LoadedAnalyzer {};

TEST_F(LoadedAnalyzerThreads, AnnouncementsWhileFramesRun) {
    LoadDenoiser();
    Init();
    analyzer_.transEff(2, "Ve-Vidare\0Analyzer");
    // Opened without delivering its events: nothing is painted here, because Qt's painting
    // helpers run on threads of Qt's own that ThreadSanitizer cannot follow.
    analyzer_.openWindow(&owner_);
    QWidget* editor = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        editor = window->windowTitle() == kTitle && window->isVisible() ? window : editor;
    }
    ASSERT_NE(editor, nullptr);
    std::atomic<bool> done{false};
    std::thread audio([&] {
        auto frame = Frame(-20.0);
        while (!done.load()) {
            for (int c = 0; c <= 2; ++c) {
                analyzer_.transData(44100, 3, kBins, c, frame.data());
            }
        }
    });
    for (int round = 0; round < 300; ++round) {
        if (round % 2 == 0) {
            analyzer_.transEff(1, "Analyzer");
        } else {
            analyzer_.transEff(2, "Ve-Vidare\0Analyzer");
        }
    }
    EXPECT_EQ(List(editor, "noiseList")->currentText(), QStringLiteral("Ve-Vidare"));
    denoise_.exit(); // DenoClose while frames run: the table is withdrawn before it goes
    done.store(true);
    audio.join();
    analyzer_.closeWindow();
    analyzer_.exit();
}

} // namespace
} // namespace lumisett::analyzer
