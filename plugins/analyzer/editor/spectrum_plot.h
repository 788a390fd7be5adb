#pragma once
// The analyzer's plot: the two traces and the noise curve, each drawn into its own black
// off-screen image and combined by OR (red and green overlapping show yellow), and the
// frequency and amplitude axes around them.
//
// It paints what the watch holds; every 60 ms it applies the pause rule and repaints when a
// frame has finished since the last look. Thread: window thread only.

#include "plugins/analyzer/core/spectrum_watch.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace lumisett::analyzer {

// The plot area inside the plot's own rectangle.
inline constexpr int kAreaLeft = 12;
inline constexpr int kAreaRight = 43;
inline constexpr int kAreaTop = 20;
inline constexpr int kAreaBottom = 39;

class SpectrumPlot : public QWidget {
public:
    SpectrumPlot(QWidget* parent, SpectrumWatch& watch, const std::int32_t* statusWord);

    void Start();
    void Stop();
    // One 60 ms tick: the pause rule, and a repaint when a frame finished.
    void Tick();
    QRect area() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawTraces(QPainter& painter);
    void DrawFrequencyAxis(QPainter& painter);
    void DrawAmplitudeAxis(QPainter& painter);
    QImage& TraceImage(TraceId which, QColor colour);

    SpectrumWatch& watch_;
    const std::int32_t* statusWord_;
    QTimer timer_;
    PauseRule pause_;
    QImage images_[3];
};

} // namespace lumisett::analyzer
