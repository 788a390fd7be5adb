#pragma once
// The player's transport without any window: play, cue and the fast speeds, pause and resume,
// the two markers and the loop between them, the position slider, and the 100 ms tick that
// completes pauses, reports the engine's overflows, handles the end of the file and performs a
// requested stop. The player window only draws this state and forwards its clicks here; the
// headless player drives it from its own timer.
//
// Thread: the window thread (the tick and the controls). The completion handler shares the
// pause request, the overflow flags and the counters through atomics.

#include "host/chain/processing_chain.h"
#include "host/engine/audio_engine.h"
#include "host/source/audio_source.h"

#include <cstdint>
#include <string>

namespace lumisett::host {

inline constexpr std::string_view kOverflowCaption = " Error: ";
inline constexpr std::string_view kBufferOverflowText =
    " The audio handler reports a buffer overflow.   \n Playback will be paused. Increasing the I/O   \n"
    " buffersize or number may solve the problem.   \n\n             PRESS RETURN\n";
inline constexpr std::string_view kCpuOverloadText =
    "   The audio handler reports a CPU-load overflow.     \n Playback will be paused. Remove one or "
    "more PlugIns  \n    from the effect-chain or switch to mono mode.     \n\n                     "
    "PRESS RETURN\n";

class Transport {
public:
    // `statusWord` is the host status word the plug-ins read.
    Transport(AudioEngine& engine, AudioSource& source, ChainControls& controls, int32_t* statusWord);

    // The player opens: play mode at speed 1, nothing paused, no markers, no loop.
    void Reset();

    // Every 100 ms. Returns true when the end of the file has just been heard (the source was
    // rewound; unless the loop is on, playback now pauses).
    bool Tick();

    // --- the player's controls -------------------------------------------------------------
    void Play();
    void Cue();
    // "<<<", "<<", ">>", ">>>": -16, -4, +4, +16.
    void Fast(float speed);
    void PauseButton();
    // m1 (index 0) and m2 (index 1) at the audible position.
    void SetMarker(int index);
    void ToggleLoop();
    // The speed slider, 0 .. 1000.
    void SpeedSlider(int position);
    // The position slider, 0 .. 1000; returns the slider position to show afterwards.
    int PositionSlider(int position);

    // --- what the player shows ------------------------------------------------------------
    bool playMode() const { return playMode_; }
    float speed() const { return speed_; }
    float sliderSpeed() const { return sliderSpeed_; }
    bool paused() const { return paused_; }
    bool loop() const { return loop_; }
    int64_t marker(int index) const { return markers_[index & 1]; }
    // Elapsed seconds of the source position, and the slider position 0 .. 1000.
    double ElapsedSeconds() const;
    int SliderPosition() const;

private:
    void SetStatusBit(int32_t bit, bool on);
    void ApplySpeedToSource();
    void CompletePause();
    bool HandleEndOfFile();
    void KeepInsideLoop();
    int64_t BytesPerSecond() const;

    AudioEngine& engine_;
    AudioSource& source_;
    ChainControls& controls_;
    int32_t* statusWord_;

    bool playMode_ = true;
    float speed_ = 1.0f;
    float sliderSpeed_ = 1.0f;
    bool paused_ = false;
    bool loop_ = false;
    int64_t markers_[2] = {0, 0};
};

} // namespace lumisett::host
