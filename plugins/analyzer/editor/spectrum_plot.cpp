#include "plugins/analyzer/editor/spectrum_plot.h"

#include "plugin_common/runtime/host_status.h"
#include "plugins/analyzer/core/axis_layout.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace lumisett::analyzer {
namespace {

constexpr int kTickMilliseconds = 60;
const QColor kTextColour(192, 192, 192);
const QColor kMarginColour(56, 56, 56);
const QColor kTraceColours[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(240, 240, 240)};

QFont AxisFont(int pixels) {
    QFont font(QStringLiteral("Times"));
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(550));
    return font;
}

// A tick is a black line with a white one beside it, so it shows on any ground.
void DrawTick(QPainter& painter, QPoint from, QPoint to, QPoint beside) {
    painter.setPen(Qt::black);
    painter.drawLine(from, to);
    painter.setPen(Qt::white);
    painter.drawLine(from + beside, to + beside);
}

} // namespace

SpectrumPlot::SpectrumPlot(QWidget* parent, SpectrumWatch& watch, const std::int32_t* statusWord)
    : QWidget(parent), watch_(watch), statusWord_(statusWord), timer_(this) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setObjectName(QStringLiteral("plotTimer"));
    timer_.setInterval(kTickMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void SpectrumPlot::Start() {
    const QRect plotArea = area();
    watch_.SetPlotArea(plotArea.width(), plotArea.height());
    timer_.start();
}

void SpectrumPlot::Stop() {
    timer_.stop();
}

void SpectrumPlot::Tick() {
    if (pause_.Tick(plugin::ReadHostStatus(statusWord_))) {
        watch_.ClearTraces(true);
    }
    if (watch_.TakeRepaintRequest()) {
        update();
    }
}

QRect SpectrumPlot::area() const {
    const int columns = std::clamp(width() - kAreaLeft - kAreaRight, 2, kMaxColumns);
    const int rows = std::max(height() - kAreaTop - kAreaBottom, 1);
    return {kAreaLeft, kAreaTop, columns, rows};
}

void SpectrumPlot::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect plotArea = area();
    watch_.SetPlotArea(plotArea.width(), plotArea.height());
}

void SpectrumPlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kMarginColour);
    DrawTraces(painter);
    DrawFrequencyAxis(painter);
    DrawAmplitudeAxis(painter);
}

QImage& SpectrumPlot::TraceImage(TraceId which, QColor colour) {
    const QRect plotArea = area();
    QImage& image = images_[static_cast<int>(which)];
    if (image.size() != plotArea.size()) {
        image = QImage(plotArea.size(), QImage::Format_RGB32);
    }
    image.fill(Qt::black);
    const int columns = std::min(watch_.columns(), plotArea.width());
    const ConstTrace values = watch_.trace(which);
    QPolygon line(columns);
    for (int i = 0; i < columns && static_cast<std::size_t>(i) < values.size(); ++i) {
        const float v = values[static_cast<std::size_t>(i)].load(std::memory_order_relaxed);
        // Far below the bottom is as invisible as just below it; keep the numbers small.
        const float shown = std::isfinite(v) ? std::clamp(v, -1.0f, float(plotArea.height())) : 0.0f;
        line.setPoint(i, i, plotArea.height() - static_cast<int>(std::lround(shown)));
    }
    QPainter painter(&image);
    painter.setPen(colour);
    painter.drawPolyline(line);
    return image;
}

void SpectrumPlot::DrawTraces(QPainter& painter) {
    const QRect plotArea = area();
    painter.fillRect(plotArea, Qt::black);
    bool first = true;
    for (TraceId which : {TraceId::kFirst, TraceId::kSecond, TraceId::kNoise}) {
        if (watch_.selection(which) == -1) {
            continue;
        }
        const QImage& image = TraceImage(which, kTraceColours[static_cast<int>(which)]);
        painter.setCompositionMode(first ? QPainter::CompositionMode_SourceOver
                                         : QPainter::RasterOp_SourceOrDestination);
        painter.drawImage(plotArea.topLeft(), image);
        first = false;
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void SpectrumPlot::DrawFrequencyAxis(QPainter& painter) {
    const QRect plotArea = area();
    const DisplaySettings settings = watch_.settings();
    const int y = plotArea.bottom() + 1;
    painter.setFont(AxisFont(13));
    const QFontMetrics metrics(painter.font());
    for (const AxisTick& tick : FrequencyTicks(settings.low, settings.high, plotArea.width())) {
        const int x = plotArea.left() + tick.position;
        DrawTick(painter, {x, y}, {x, y + tick.length}, {1, 0});
        if (!tick.label.empty()) {
            painter.setPen(kTextColour);
            const QString label = QString::fromStdString(tick.label);
            painter.drawText(x - metrics.horizontalAdvance(label.trimmed()) / 2, y + kMajorTick + metrics.ascent() - 2, label);
        }
    }
    painter.setPen(kTextColour);
    const EndLabels ends = FrequencyEndLabels(settings.low, settings.high, plotArea.width());
    const int baseline = y + kMajorTick + metrics.ascent() - 2;
    if (!ends.low.empty()) {
        painter.drawText(plotArea.left(), baseline, QString::fromStdString(ends.low));
    }
    if (!ends.high.empty()) {
        const QString text = QString::fromStdString(ends.high);
        painter.drawText(plotArea.right() + 1 - metrics.horizontalAdvance(text), baseline, text);
    }
    const QString caption = QStringLiteral("frequency [Hz]");
    painter.drawText(plotArea.left() + (plotArea.width() - metrics.horizontalAdvance(caption)) / 2,
                     plotArea.bottom() + 32, caption);
}

void SpectrumPlot::DrawAmplitudeAxis(QPainter& painter) {
    const QRect plotArea = area();
    const DisplaySettings settings = watch_.settings();
    const LevelScale scale{.decibel = settings.decibel, .depth = settings.depth, .top = settings.top,
                           .height = static_cast<float>(plotArea.height())};
    const int x = plotArea.right() + 1;
    painter.setFont(AxisFont(13));
    const QFontMetrics metrics(painter.font());
    for (const AxisTick& tick : AmplitudeTicks(scale)) {
        const int y = plotArea.top() + tick.position;
        DrawTick(painter, {x, y}, {x + tick.length, y}, {0, 1});
        painter.setPen(kTextColour);
        painter.drawText(x + 8, y + metrics.ascent() / 2, QString::fromStdString(tick.label));
    }
    painter.save();
    painter.setPen(kTextColour);
    painter.setFont(AxisFont(12));
    const QString caption = QStringLiteral("amplitude [dB]");
    const int captionWidth = QFontMetrics(painter.font()).horizontalAdvance(caption);
    painter.translate(x + 26 + QFontMetrics(painter.font()).ascent(), plotArea.top() + plotArea.height() / 2);
    painter.rotate(270);
    painter.drawText(-captionWidth / 2, 0, caption);
    painter.restore();
}

} // namespace lumisett::analyzer
