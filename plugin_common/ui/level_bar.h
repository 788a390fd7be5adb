#pragma once
// The segmented level bar of the plug-in editors: green, yellow and red segments that follow a
// target level, rising fast and falling slowly. It repaints itself every 50 ms from an
// off-screen image; the owner only sets the target.
//
// Thread: window thread only.

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace lumisett::plugin {

class LevelBar : public QWidget {
public:
    LevelBar(QWidget* parent, QSize size);

    // Takes the bar's size, clears the off-screen image to black, starts the repaint timer.
    void Start();
    // Stops the timer and frees the image.
    void Stop();

    // 0 empty, 1 full; larger values show as full.
    void SetTarget(float target) { target_ = target; }
    float target() const { return target_; }
    float shown() const { return shown_; }
    bool running() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawSegments();

    QTimer timer_;
    QImage image_;
    float target_ = 0.0f;
    float shown_ = 1.0f; // starts full and falls to the first target
};

} // namespace lumisett::plugin
