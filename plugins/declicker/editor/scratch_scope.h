#pragma once
// The scratch scope: a strip chart of the clicks (red) and crackles (green) found per block,
// one column per repaint, newest at the right edge. While no stream runs it shows the idle
// picture, scrolling left.
//
// Thread: window thread only; the counters it reads (and, while the host is paused, clears)
// are written by DoEffect in the audio context.

#include "plugins/declicker/core/counters.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace lumisett::declicker {

class ScratchScope : public QWidget {
public:
    ScratchScope(QWidget* parent, QSize size, ScratchCounters* counters,
                 const std::int32_t* statusWord);

    // Takes the size, clears the chart to black with both traces at rest, starts the 50 ms
    // repaint timer.
    void Start();
    // Stops the timer and frees the images.
    void Stop();
    bool running() const { return timer_.isActive(); }

    // Where the next column will be drawn, and the traces' current levels (rows of their tops).
    int column() const { return column_; }
    int redLevel() const { return red_; }
    int greenLevel() const { return green_; }
    // The picture shown by the latest repaint.
    const QImage& shown() const { return shown_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawIdle();
    void DrawChart();

    ScratchCounters* counters_;
    const std::int32_t* statusWord_;
    QTimer timer_;
    QImage chart_;  // one column wider than the scope, as the off-screen chart
    QImage idle_;
    QImage shown_;
    int column_ = 0;
    int idleOffset_ = 0;
    int red_ = 0;
    int green_ = 0;
};

// The picture the scope scrolls while idle: a record groove with a scratch across it.
QImage IdlePicture(QSize size);

} // namespace lumisett::declicker
