#pragma once
// What the player window "Spindal" shows and which of its buttons is down, without the window:
// the pressed button of the transport group, the texts of the speed, marker, elapsed and
// duration fields, the Pause button's face, and the information line about the file. The
// transport does the work; this only keeps the faces in step with it, so that the Qt window
// is a thin drawing of this state and tests drive it directly.
//
// Thread: the window thread.

#include "host/engine/transport.h"
#include "host/source/audio_source.h"

#include <cstdint>
#include <string>

namespace lumisett::host {

// play, cue and the four fast buttons form one group: the one pressed last stays down.
enum class TransportButton { Play, Cue, Back16, Back4, Forward4, Forward16 };

// The word each transport button shows ("play", "cue", "<<<", "<<", ">>", ">>>").
const char* TransportButtonWord(TransportButton button);

// "%.2d:%.2d" of whole minutes and seconds; anything above 6039 s shows as 100:39, negative
// times as 00:00.
std::string MinutesAndSeconds(double seconds);

// The part of `path` after its last '/', or the whole path when it has none.
std::string FileNameOf(const std::string& path);

// The information line: " name   type: wave   freq: 44.10kHz   stereo", its Crescor form, and
// " name   MPEG1   layer3   128kbit/s   44.10kHz   stereo" for Layer III.
std::string InformationLine(const AudioSource& source, const std::string& path);

// The faces of the Pause button: its pause image, and the resume image while paused.
inline constexpr const char* kPauseWord = "pause";
inline constexpr const char* kResumeWord = "resume";

struct PlayerTickResult {
    bool endHeard = false;  // the last audio was heard: the file rewound (and pauses, unless looping)
    bool paused = false;
    std::string elapsed;    // "min:sek" of the position
    int sliderPosition = 0; // 0 .. 1000
};

class PlayerWindowLogic {
public:
    // The window opens: the transport starts afresh (play pressed, speed 1.00, no markers).
    PlayerWindowLogic(Transport& transport, const AudioSource& source, std::string path);

    // --- the controls -------------------------------------------------------------------
    void Press(TransportButton button);
    void PauseButton() { transport_.PauseButton(); }
    // m1 (0) or m2 (1) at the audible position; returns the marker field's new text.
    std::string SetMarker(int index);
    // Returns whether the loop button stays down.
    bool ToggleLoop();
    // The speed slider (0 .. 1000); returns the speed field's new text.
    std::string MoveSpeedSlider(int position);
    // The position slider let go at `position`; returns where the slider stands afterwards.
    int MovePositionSlider(int position) { return transport_.PositionSlider(position); }

    // Every 100 ms.
    PlayerTickResult Tick();

    // --- what the window shows ------------------------------------------------------------
    TransportButton pressed() const { return pressed_; }
    bool loopDown() const { return transport_.loop(); }
    const char* pauseFace() const { return transport_.paused() ? kResumeWord : kPauseWord; }
    std::string speedText() const;
    std::string markerText(int index) const;
    std::string totalText() const { return MinutesAndSeconds(durationSeconds_); }
    std::string halfText() const { return MinutesAndSeconds(durationSeconds_ / 2); }
    const std::string& informationLine() const { return informationLine_; }

    // The speed slider's position for a speed of 1.0 when the window opens.
    static constexpr int kInitialSpeedSlider = 750;

private:
    double SecondsOf(int64_t bytePosition) const;

    Transport& transport_;
    const AudioSource& source_;
    TransportButton pressed_ = TransportButton::Play;
    double durationSeconds_ = 0;
    int64_t rewoundFrom_ = -1; // the end position the source is still at after a rewind, or -1
    std::string informationLine_;
};

} // namespace lumisett::host
