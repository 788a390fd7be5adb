#pragma once
// The editor's noise scope: the input and removed levels per display band as a red and a
// green curve (yellow where they meet), a black area while the host is paused, and a
// scrolling picture of our own while the de-noiser is not running. It repaints itself every
// 55 ms and reads the processing state only through atomics.
//
// Thread: window thread only.

#include "plugins/denoise/core/denoiser.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace lumisett::denoise {

class NoiseScope : public QWidget {
public:
    NoiseScope(QWidget* parent, QSize size, Denoiser& denoiser, const std::int32_t* statusWord);

    // Clears the levels it shows, makes its images and starts its repaint timer.
    void Start();
    // Stops the timer and frees the images.
    void Stop();

    enum class Picture { Idle, Black, Curves };
    Picture lastPicture() const { return lastPicture_; }
    int idleOffset() const { return idleOffset_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawCurves(QPainter& painter);

    Denoiser& denoiser_;
    const std::int32_t* statusWord_;
    QTimer timer_;
    QImage idle_;
    QImage input_;
    QImage removed_;
    int idleOffset_ = 0;
    Picture lastPicture_ = Picture::Idle;
};

// The idle picture: a calm waveform with a little hiss over a dark ground, seamless when it
// scrolls round.
QImage IdlePicture(QSize size);

} // namespace lumisett::denoise
