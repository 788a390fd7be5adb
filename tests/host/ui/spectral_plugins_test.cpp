// The low/high-pass filter and the analyzer in the windowed host: loaded into slots while a
// tone plays, the analyzer's window shows the stream before and after the filter and the
// filter's response, and a drag of the filter's low-pass handle shows at the next frames.

#include "plugins/hilofilt/core/graph_geometry.h"
#include "tests/host/ui/host_windows.h"
#include "tests/plugin_common/qt_test_application.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumisett::host::ui {
namespace {

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kWhite(240, 240, 240);

bool WriteTone(const std::string& path) {
    std::vector<int16_t> samples(2 * 44100 * 4);
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        const auto value = static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 1000.0 * i / 44100));
        samples[2 * i] = samples[2 * i + 1] = value;
    }
    return WriteWavFile(path, WavAudio{2, 44100, samples});
}

QWidget* WindowTitled(const QString& title) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->windowTitle() == title) return top;
    }
    return nullptr;
}

void Choose(QComboBox* list, const QString& entry) {
    const int index = list->findText(entry);
    ASSERT_GE(index, 0) << entry.toStdString();
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

// The first row of `colour` in column x of the image, or -1.
int FirstRow(const QImage& image, int x, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixelColor(x, y) == colour) return y;
    }
    return -1;
}

int Count(const QImage& image, const QColor& colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixelColor(x, y) == colour ? 1 : 0;
    }
    return count;
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint at) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

TEST(SpectralPlugInsInTheHost, TheAnalyzerWatchesTheFilterAndSeesItsHandleMoved) {
    test::TempDir dir;
    ASSERT_TRUE(PrepareProgramDirectory(dir));
    for (const char* name : {"hilofilt", "analyzer"}) {
        for (const char* suffix : {".so", ".eff", ".hlp"}) {
            const std::string file = std::string(name) + suffix;
            dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
        }
    }
    ASSERT_TRUE(WriteTone(dir.File("tone.wav")));
    HostWindows host(dir, "");
    host.window.show();
    host.window.PlayFile(dir.File("tone.wav"));
    ASSERT_TRUE(host.logic.playing());
    const auto play = [&](int periods) {
        for (int i = 0; i < periods; ++i) host.device->PlayOnePeriod();
        test::ProcessPendingEvents();
    };
    play(2);

    // Both go into their slots while the tone plays; each opens its editor.
    Choose(host.window.slotList(0), "Zi-Di");
    Choose(host.window.slotList(1), "Analyzer");
    QWidget* filter = WindowTitled("High- Lowpass 2.1");
    QWidget* analyzer = WindowTitled("Analyzer 2.1");
    ASSERT_NE(filter, nullptr);
    ASSERT_NE(analyzer, nullptr);
    Choose(analyzer->findChild<QComboBox*>("trace1List"), "Zi-Di in");
    Choose(analyzer->findChild<QComboBox*>("trace2List"), "Zi-Di out");
    Choose(analyzer->findChild<QComboBox*>("noiseList"), "Zi-Di");
    play(6);
    QWidget* plot = analyzer->findChild<QWidget*>("plot");
    ASSERT_NE(plot, nullptr);
    QImage image = plot->grab().toImage();
    SaveScreenshot(*analyzer, "analyzer_with_filter");
    // At 1 kHz the filter passes: the traces before and after it lie over each other.
    EXPECT_GT(Count(image, kYellow), 20);
    EXPECT_GT(Count(image, kWhite), 100);
    const int rightEnd = plot->width() - 46; // about 10 kHz, the plot's upper limit
    const int passRow = FirstRow(image, rightEnd, kWhite);
    ASSERT_GE(passRow, 0);

    // The low-pass handle dragged to 2 kHz at the steepest slope: 10 kHz drops out of sight.
    QWidget* graph = filter->findChild<QWidget*>("responseGraph");
    ASSERT_NE(graph, nullptr);
    const hilofilt::GraphGeometry geometry(graph->width(), graph->height());
    const hilofilt::GraphPoint handle = hilofilt::LowPassHandle(geometry, hilofilt::kDefaultParameters);
    Mouse(graph, QEvent::MouseButtonPress, {handle.x, handle.y});
    Mouse(graph, QEvent::MouseMove, {geometry.lowPassStart(), geometry.slopeBottom() + 10});
    Mouse(graph, QEvent::MouseButtonRelease, {geometry.lowPassStart(), geometry.slopeBottom() + 10});
    SaveScreenshot(*filter, "hilofilt_editor_dragged");
    play(6);
    image = plot->grab().toImage();
    const int cutRow = FirstRow(image, rightEnd, kWhite);
    EXPECT_TRUE(cutRow == -1 || cutRow > passRow + 40) << "pass " << passRow << ", cut " << cutRow;

    host.window.player()->button("END")->click();
    host.window.Tick();
    EXPECT_FALSE(host.logic.playing());
}

} // namespace
} // namespace lumisett::host::ui
