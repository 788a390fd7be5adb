#include "plugins/denoise/editor/noise_scope.h"

#include "plugin_common/runtime/host_status.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumisett::denoise {
namespace {

constexpr int kRepaintMilliseconds = 55;

} // namespace

QImage IdlePicture(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(8, 16, 28));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const int w = size.width();
    const double mid = size.height() / 2.0;
    QPolygonF clean;
    QPolygonF hiss;
    // Whole periods across the width, so the picture joins where it wraps.
    unsigned seed = 12345;
    for (int x = 0; x <= w; ++x) {
        const double phase = 2.0 * std::numbers::pi * x / w;
        const double y = mid - mid * 0.55 * (0.7 * std::sin(2 * phase) + 0.3 * std::sin(5 * phase));
        clean << QPointF(x, y);
        seed = seed * 1103515245u + 12345u;
        const double noise = (static_cast<double>((seed >> 16) & 0x7fff) / 32767.0 - 0.5) * 4.0;
        hiss << QPointF(x, y + noise);
    }
    painter.setPen(QPen(QColor(40, 90, 70), 1.0));
    painter.drawPolyline(hiss);
    painter.setPen(QPen(QColor(0, 220, 120), 1.5));
    painter.drawPolyline(clean);
    return image;
}

NoiseScope::NoiseScope(QWidget* parent, QSize size, Denoiser& denoiser, const std::int32_t* statusWord)
    : QWidget(parent), denoiser_(denoiser), statusWord_(statusWord) {
    setFixedSize(size);
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kRepaintMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { update(); });
}

void NoiseScope::Start() {
    const QSize area = size();
    denoiser_.ClearLevels(std::min(area.width(), kBandCount));
    idle_ = IdlePicture(area);
    // One column wider than the scope, as the curves' last point may fall on its edge.
    input_ = QImage(area.width() + 1, area.height(), QImage::Format_RGB32);
    removed_ = QImage(area.width() + 1, area.height(), QImage::Format_RGB32);
    idleOffset_ = 0;
    timer_.start();
}

void NoiseScope::Stop() {
    timer_.stop();
    idle_ = QImage();
    input_ = QImage();
    removed_ = QImage();
}

void NoiseScope::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int w = width();
    if (idle_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    if (!denoiser_.running()) {
        lastPicture_ = Picture::Idle;
        painter.drawImage(QPoint(0, 0), idle_, QRect(idleOffset_, 0, w - idleOffset_, height()));
        painter.drawImage(QPoint(w - idleOffset_, 0), idle_, QRect(0, 0, idleOffset_, height()));
        idleOffset_ = idleOffset_ + 1 >= w ? 0 : idleOffset_ + 1;
        return;
    }
    if (plugin::HostIsPaused(statusWord_) || !denoiser_.levelsValid()) {
        lastPicture_ = Picture::Black;
        painter.fillRect(rect(), Qt::black);
        denoiser_.levelSum().store(0.0f, std::memory_order_relaxed);
        return;
    }
    lastPicture_ = Picture::Curves;
    DrawCurves(painter);
}

void NoiseScope::DrawCurves(QPainter& painter) {
    const int h = height();
    const int columns = std::min(width(), kBandCount);
    const auto curve = [&](QImage& image, std::span<const std::atomic<float>, kBandCount> levels,
                           QColor colour) {
        image.fill(Qt::black);
        QPolygon line;
        line << QPoint(0, h);
        for (int x = 1; x < columns; ++x) {
            const float level = levels[static_cast<std::size_t>(x)].load(std::memory_order_relaxed);
            line << QPoint(x, h - static_cast<int>(std::trunc(level)));
        }
        QPainter pen(&image);
        pen.setPen(QPen(colour, 1));
        pen.drawPolyline(line);
    };
    curve(input_, denoiser_.inputLevels(), QColor(255, 0, 0));
    curve(removed_, denoiser_.removedLevels(), QColor(0, 255, 0));
    // Red OR green: yellow where both curves run.
    QImage combined = input_.copy(0, 0, width(), h);
    QPainter mixer(&combined);
    mixer.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
    mixer.drawImage(0, 0, removed_);
    mixer.end();
    painter.drawImage(0, 0, combined);
}

} // namespace lumisett::denoise
