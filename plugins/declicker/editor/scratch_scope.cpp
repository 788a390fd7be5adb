#include "plugins/declicker/editor/scratch_scope.h"

#include "plugin_common/runtime/host_status.h"
#include "plugins/declicker/core/editor_math.h"

#include <QPainter>
#include <QPainterPath>

namespace lumisett::declicker {
namespace {

constexpr int kRepaintMilliseconds = 50;
const QColor kClickColour(255, 0, 0);
const QColor kCrackleColour(0, 255, 0);

// Fills one column of the chart from one level to the next.
void DrawTrace(QImage& chart, int column, int previous, int level, const QColor& colour) {
    const RowSpan span = TraceSpan(previous, level, chart.height());
    if (!span.empty()) {
        QPainter painter(&chart);
        painter.fillRect(QRect(column, span.first, 1, span.end - span.first), colour);
    }
}

} // namespace

ScratchScope::ScratchScope(QWidget* parent, QSize size, ScratchCounters* counters,
                           const std::int32_t* statusWord)
    : QWidget(parent), counters_(counters), statusWord_(statusWord) {
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel comes from an image
    timer_.setInterval(kRepaintMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { update(); });
}

void ScratchScope::Start() {
    const int width = size().width();
    const int height = size().height();
    idle_ = IdlePicture(size());
    chart_ = QImage(width + 1, height, QImage::Format_RGB32);
    chart_.fill(Qt::black);
    shown_ = QImage(size(), QImage::Format_RGB32);
    shown_.fill(Qt::black);
    red_ = height;
    green_ = height;
    column_ = 0;
    timer_.start();
}

void ScratchScope::Stop() {
    timer_.stop();
    chart_ = QImage();
    idle_ = QImage();
}

void ScratchScope::DrawIdle() {
    const int width = shown_.width();
    QPainter painter(&shown_);
    painter.drawImage(0, 0, idle_, idleOffset_, 0, width - idleOffset_, idle_.height());
    painter.drawImage(width - idleOffset_, 0, idle_, 0, 0, idleOffset_, idle_.height());
    idleOffset_ = idleOffset_ + 1 < width ? idleOffset_ + 1 : 0;
}

void ScratchScope::DrawChart() {
    constexpr auto relaxed = std::memory_order_relaxed;
    const int width = shown_.width();
    const int height = shown_.height();
    if (plugin::HostIsPaused(statusWord_)) {
        // Both traces fall to the bottom and the scratch level to zero while paused.
        counters_->levelsValid.store(true, relaxed);
        counters_->clicks.store(0, relaxed);
        counters_->crackles.store(0, relaxed);
        counters_->repairedTotal.store(0, relaxed);
    }
    {
        QPainter painter(&chart_);
        painter.fillRect(QRect(column_, 0, 1, height), Qt::black);
    }
    // A repaint without a new block keeps the traces where they stand, so the chart shows a
    // continuous line rather than every other column.
    int red = red_;
    int green = green_;
    if (counters_->levelsValid.load(relaxed)) {
        red = ScopeLevel(height, counters_->clicks.load(relaxed), kClicksPerPixel);
        green = ScopeLevel(height, counters_->crackles.load(relaxed), kCracklesPerPixel);
    }
    DrawTrace(chart_, column_, red_, red, kClickColour);
    DrawTrace(chart_, column_, green_, green, kCrackleColour);
    red_ = red;
    green_ = green;
    counters_->levelsValid.store(false, relaxed);
    column_ = column_ + 1 < width ? column_ + 1 : 0;

    // Newest column at the right edge.
    QPainter painter(&shown_);
    painter.drawImage(0, 0, chart_, column_, 0, width - column_, height);
    painter.drawImage(width - column_, 0, chart_, 0, 0, column_, height);
}

void ScratchScope::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (chart_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (counters_->running.load(std::memory_order_relaxed)) {
        DrawChart();
    } else {
        DrawIdle();
    }
    painter.drawImage(0, 0, shown_);
}

QImage IdlePicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(10, 10, 14));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const int width = size.width();
    const int height = size.height();
    // Grooves: faint arcs of a record seen from its edge.
    for (int i = 0; i < 6; ++i) {
        painter.setPen(QPen(QColor(40 + 8 * i, 40 + 8 * i, 48 + 8 * i), 1.0));
        const double y = height * (0.25 + 0.1 * i);
        QPainterPath groove(QPointF(0, y));
        groove.cubicTo(QPointF(width / 3.0, y - 6), QPointF(2 * width / 3.0, y + 6), QPointF(width, y));
        painter.drawPath(groove);
    }
    // A scratch across them, and its click as a small red tick on the trace.
    painter.setPen(QPen(QColor(210, 210, 220), 1.5));
    painter.drawLine(QPointF(width * 0.55, height * 0.15), QPointF(width * 0.7, height * 0.85));
    painter.setPen(QPen(QColor(255, 0, 0), 1.0));
    painter.drawLine(QPointF(width * 0.2, height - 2.0), QPointF(width * 0.2, height * 0.6));
    painter.setPen(QPen(QColor(0, 255, 0), 1.0));
    painter.drawLine(QPointF(width * 0.4, height - 2.0), QPointF(width * 0.4, height * 0.8));
    return picture;
}

} // namespace lumisett::declicker
