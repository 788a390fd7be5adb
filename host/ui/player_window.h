#pragma once
// The player window "Spindal": the transport's buttons, speed and position sliders, elapsed
// time and the information line. It only draws the transport's state and forwards clicks; the
// transport does the work. Its 100 ms timer runs the transport's tick.
//
// Thread: window thread only.

#include <QDialog>
#include <QTimer>

#include <functional>

class QLabel;
class QSlider;

namespace lumisett::host {
class Transport;
class AudioSource;
class AudioEngine;
}

namespace lumisett::host::ui {

inline constexpr const char* kPlayerTitle = "Spindal";

// The information line: " name   type: wave   freq: 44.10kHz   stereo" and its Crescor and
// Layer III forms.
QString InformationLine(const AudioSource& source, const std::string& path);

// "%.2d:%.2d" of whole seconds; above 6039 s it stays at 100:39.
QString MinutesAndSeconds(double seconds);

class PlayerWindow final : public QDialog {
public:
    // `onEnd` runs when the user ends playback (END or the close box).
    PlayerWindow(Transport& transport, AudioEngine& engine, AudioSource& source,
                 const std::string& path, QWidget* owner, std::function<void()> onEnd);

protected:
    void reject() override; // END, Escape and the close box

private:
    void Tick();

    Transport& transport_;
    AudioEngine& engine_;
    AudioSource& source_;
    std::function<void()> onEnd_;
    QTimer timer_;
    QLabel* elapsed_ = nullptr;
    QLabel* speedField_ = nullptr;
    QSlider* position_ = nullptr;
};

} // namespace lumisett::host::ui
