// The analyzer in the host's headless render, behind the de-noiser: with its window open the
// chain calls TransData at every position of every frame, and the sound that comes out is
// exactly what the de-noiser alone gives.

#include "host/headless/renderer.h"
#include "host/source/wav_file.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/temp_dir.h"

#include <QComboBox>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

// Qt's keyword macro would swallow the host session's slots().
#undef slots

namespace lumisett::host {
namespace {

constexpr int32_t kSourcePairs = 44100;

// What the analyzer's window showed in the middle of the watched render.
QImage plot_;
QString noiseText_;

// Renders in.wav through `chain` into `output`, with `owner` as the main window (the analyzer
// opens its window into it).
RenderResult Render(test::TempDir& dir, const std::string& chain, const std::string& output, QWidget* owner) {
    HostSession session(dir.path(), "");
    session.Start();
    session.slots().SetOwnerWindow(owner);
    auto parsed = ParseRunOptions(RunCommand::Render, std::vector<std::string>{
        dir.File("in.wav"), dir.File(output), "--chain", chain, "--block", "2048", "--fft", "2048"});
    EXPECT_TRUE(parsed.options) << parsed.error;
    std::string error;
    const auto settings = ApplyRunOptions(HostSettings{}, *parsed.options, error);
    EXPECT_TRUE(settings) << error;
    // Halfway through, the plot as it stands: the traces of the frames just watched (at the
    // end the stream closes and the two traces empty).
    auto lookHalfway = [&](double done) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (plot_.isNull() && done > 0.5 && window->windowTitle() == QStringLiteral("Analyzer 2.1") &&
                window->isVisible()) {
                plot_ = window->findChild<QWidget*>(QStringLiteral("plot"))->grab().toImage();
                noiseText_ = window->findChild<QComboBox*>(QStringLiteral("noiseList"))->currentText();
            }
        }
        return true;
    };
    RenderResult result = RenderFile(session, *settings, *parsed.options, lookHalfway);
    session.Shutdown();
    test::ProcessPendingEvents();
    return result;
}

int CountPixels(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixelColor(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

TEST(AnalyzerRender, WatchesEveryStageAndLeavesTheSoundAsItIs) {
    test::TempDir dir;
    for (const char* file : {"denoise.so", "denoise.eff", "denoise.hlp", "analyzer.so", "analyzer.eff",
                             "analyzer.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    std::vector<int16_t> samples;
    unsigned seed = 7;
    for (int32_t i = 0; i < kSourcePairs; ++i) {
        for (int c = 0; c < 2; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 600.0;
            samples.push_back(static_cast<int16_t>(8000 * std::sin(i * 0.07) + hiss));
        }
    }
    ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples}));

    QWidget owner;
    const RenderResult watched = Render(dir, "denoise,analyzer", "watched.wav", &owner);
    ASSERT_TRUE(watched.ok) << watched.failure.text;
    const RenderResult plain = Render(dir, "denoise", "plain.wav", nullptr);
    ASSERT_TRUE(plain.ok) << plain.failure.text;
    EXPECT_EQ(watched.pairs, plain.pairs);
    EXPECT_EQ(dir.Read("watched.wav"), dir.Read("plain.wav"));

    // Red shows the de-noiser's input, green its output, white its threshold line.
    ASSERT_FALSE(plot_.isNull());
    EXPECT_EQ(noiseText_, QStringLiteral("Ve-Vidare"));
    const int colours = CountPixels(plot_, QColor(255, 0, 0)) + CountPixels(plot_, QColor(0, 255, 0)) +
                        CountPixels(plot_, QColor(255, 255, 0));
    EXPECT_GT(colours, 100);
    EXPECT_GT(CountPixels(plot_, QColor(240, 240, 240)), 0);
}

} // namespace
} // namespace lumisett::host
