#pragma once
// The player window "Spindal": the transport's image buttons (play, cue and the four fast
// speeds as one group whose pressed button stays down; Pause/resume, m1 and m2 with their
// marker fields, loop, END), the speed slider with its field, the position slider with the
// elapsed time and the file's length under it, and the information line. It draws what
// PlayerWindowLogic keeps and forwards its clicks; the transport does the work. Its 100 ms
// timer runs the transport's tick.
//
// Thread: window thread only.

#include "host/app/player_window_logic.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <functional>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class QSlider;

namespace lumisett::host {
class AudioEngine;
}

namespace lumisett::host::ui {

inline constexpr const char* kPlayerTitle = "Spindal";

class PlayerWindow final : public QDialog {
public:
    // `onEnd` runs when the user ends playback (END or the close box).
    PlayerWindow(Transport& transport, AudioEngine& engine, const AudioSource& source,
                 const std::string& path, QWidget* owner, std::function<void()> onEnd);

    // The 100 ms timer's work; tests step it by hand.
    void Tick();

    PlayerWindowLogic& logic() { return logic_; }
    // The buttons by the word on their face ("play", ..., "pause" or "resume", "m1", "END").
    QPushButton* button(const QString& word) const;
    QPushButton* transportButton(TransportButton which) const;
    QLineEdit* markerField(int index) const { return markerFields_[static_cast<std::size_t>(index & 1)]; }
    QLineEdit* speedField() const { return speedField_; }
    QLineEdit* elapsedField() const { return elapsed_; }
    QSlider* speedSlider() const { return speedSlider_; }
    QSlider* positionSlider() const { return position_; }
    QLabel* totalLabel() const { return total_; }
    QLabel* informationLabel() const { return information_; }

protected:
    void reject() override; // END, Escape and the close box
    // The first time it appears it steps aside from its default place, down and to the left,
    // below the main window.
    void showEvent(QShowEvent* event) override;

private:
    QLayout* BuildButtons();
    QLayout* BuildSpeed();
    QLayout* BuildPosition();
    void PositionSliderMoved(int position);
    void ShowPauseFace();

    PlayerWindowLogic logic_;
    AudioEngine& engine_;
    std::function<void()> onEnd_;
    QTimer timer_;
    QButtonGroup* group_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* loop_ = nullptr;
    std::array<QLineEdit*, 2> markerFields_{};
    QLineEdit* speedField_ = nullptr;
    QLineEdit* elapsed_ = nullptr;
    QSlider* speedSlider_ = nullptr;
    QSlider* position_ = nullptr;
    QLabel* total_ = nullptr;
    QLabel* information_ = nullptr;
    bool placed_ = false;
};

} // namespace lumisett::host::ui
