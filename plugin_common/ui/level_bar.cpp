#include "plugin_common/ui/level_bar.h"

#include "plugin_common/runtime/level_bar_math.h"

#include <QPainter>

namespace lumisett::plugin {
namespace {
constexpr int kRepaintMilliseconds = 50;
}

LevelBar::LevelBar(QWidget* parent, QSize size) : QWidget(parent) {
    setFixedSize(size);
    // Every pixel comes from the off-screen image: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kRepaintMilliseconds);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { update(); });
}

void LevelBar::Start() {
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(Qt::black);
    timer_.start();
}

void LevelBar::Stop() {
    timer_.stop();
    image_ = QImage();
}

void LevelBar::DrawSegments() {
    shown_ = NextShownLevel(shown_, target_);
    const int width = image_.width();
    const int height = image_.height();
    const LevelBarZones zones = ComputeZones(width, shown_);
    QPainter painter(&image_);
    for (int i = 0; i < SegmentCount(width); ++i) {
        const int x = SegmentX(i);
        const Rgb colour = SegmentColour(x, zones);
        painter.fillRect(QRect(x, 1, kSegmentWidth, height - 2),
                         QColor(colour.red, colour.green, colour.blue));
    }
}

void LevelBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (image_.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    DrawSegments();
    painter.drawImage(0, 0, image_);
}

} // namespace lumisett::plugin
