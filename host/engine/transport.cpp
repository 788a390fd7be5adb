#include "host/engine/transport.h"

#include "platform/message.h"

#include <algorithm>
#include <atomic>
#include <cmath>

namespace lumisett::host {
namespace {

constexpr float kSlowSpeedLimit = 2.0f;

} // namespace

Transport::Transport(AudioEngine& engine, AudioSource& source, ChainControls& controls,
                     int32_t* statusWord)
    : engine_(engine), source_(source), controls_(controls), statusWord_(statusWord) {}

void Transport::Reset() {
    playMode_ = true;
    speed_ = 1.0f;
    sliderSpeed_ = 1.0f;
    paused_ = false;
    loop_ = false;
    markers_[0] = markers_[1] = 0;
    controls_.pauseRequest = false;
    engine_.bufferOverflow() = false;
    engine_.cpuOverload() = false;
    engine_.completionsSinceTick() = 0;
    std::atomic_ref<int32_t>(*statusWord_).store(0);
    ApplySpeedToSource();
}

void Transport::SetStatusBit(int32_t bit, bool on) {
    std::atomic_ref<int32_t> word(*statusWord_);
    if (on) {
        word.fetch_or(bit);
    } else {
        word.fetch_and(~bit);
    }
}

void Transport::ApplySpeedToSource() {
    source_.transport().speed = speed_;
    source_.transport().cue = !playMode_;
}

bool Transport::Tick() {
    engine_.completionsSinceTick() = 0;
    bool endHeard = false;
    if (!paused_) {
        if (controls_.pauseRequest.load()) {
            CompletePause();
        }
        if (source_.endReached() && engine_.pairsPlayed() >= source_.endMark()) {
            endHeard = HandleEndOfFile();
        }
    }
    if (controls_.pauseRequest.load()) {
        engine_.ResetLoadAndPeaks();
    }
    KeepInsideLoop();
    return endHeard;
}

void Transport::CompletePause() {
    paused_ = true;
    SetStatusBit(HOST_STATUS_PAUSED, true);
    engine_.PauseDevice();
    if (engine_.bufferOverflow().exchange(false)) {
        platform::ShowMessage(kOverflowCaption, kBufferOverflowText);
    }
    if (engine_.cpuOverload().exchange(false)) {
        platform::ShowMessage(kOverflowCaption, kCpuOverloadText);
    }
}

// The last audio has been heard: the file rewinds and playback pauses, or, with the loop on,
// goes on from the start. The buffers already queued are left to the device (they hold the
// silence after the end); nothing writes into a buffer the device may be reading.
bool Transport::HandleEndOfFile() {
    if (!loop_) {
        controls_.pauseRequest = true;
    }
    source_.RequestRewind();
    return true;
}

void Transport::KeepInsideLoop() {
    if (!loop_ || markers_[0] == markers_[1] || !source_.canSeek()) {
        return;
    }
    const int64_t low = std::min(markers_[0], markers_[1]);
    const int64_t high = std::max(markers_[0], markers_[1]);
    const int64_t position = source_.position();
    const bool forward = playMode_ || speed_ > 0;
    if (position < low || position > high) {
        source_.RequestSeek(forward ? low : high);
    }
}

void Transport::Play() {
    playMode_ = true;
    SetStatusBit(HOST_STATUS_CUE, false);
    ApplySpeedToSource();
}

void Transport::Cue() {
    playMode_ = false;
    SetStatusBit(HOST_STATUS_CUE, true);
    speed_ = sliderSpeed_;
    ApplySpeedToSource();
}

void Transport::Fast(float speed) {
    playMode_ = false;
    SetStatusBit(HOST_STATUS_CUE, true);
    if (std::fabs(speed_) <= kSlowSpeedLimit) {
        sliderSpeed_ = speed_; // so that "cue" returns to it
    }
    speed_ = speed;
    ApplySpeedToSource();
}

void Transport::SpeedSlider(int position) {
    sliderSpeed_ = static_cast<float>(std::clamp(position, 0, 1000) - 500) * 0.004f;
    // A fast speed is kept until cue is pressed.
    if (std::fabs(speed_) <= kSlowSpeedLimit) {
        speed_ = sliderSpeed_;
    }
    ApplySpeedToSource();
}

void Transport::PauseButton() {
    if (paused_) {
        paused_ = false;
        controls_.pauseRequest = false;
        SetStatusBit(HOST_STATUS_PAUSED, false);
        engine_.RestartDevice();
    } else {
        controls_.pauseRequest = true; // the next tick pauses the device
    }
}

void Transport::SetMarker(int index) {
    // What the listener hears now lies the queued pairs (and a tenth of a second) behind the
    // reader's position.
    const int64_t queued = source_.sampleRate() / 10 + engine_.pairsWritten() - engine_.pairsPlayed();
    const int64_t audible = source_.position() - queued * source_.channels() * 2;
    markers_[index & 1] = std::max(audible, source_.dataOffset());
}

void Transport::ToggleLoop() {
    if (!source_.canSeek()) {
        return;
    }
    loop_ = !loop_;
    SetStatusBit(HOST_STATUS_LOOP, loop_);
}

int Transport::PositionSlider(int position) {
    if (!source_.canSeek() || source_.dataLength() <= 0) {
        return SliderPosition();
    }
    const int64_t length = source_.dataLength();
    const auto offset = static_cast<int64_t>(std::trunc(std::clamp(position, 0, 1000) * static_cast<double>(length) * 0.001));
    const int64_t target = source_.dataOffset() + offset / 4 * 4;
    // Small moves are ignored: less than 1 % of the file and less than a second of mono audio.
    if (std::llabs(target - source_.position()) > std::max<int64_t>(length / 100, source_.sampleRate())) {
        source_.RequestSeek(target);
    }
    return position;
}

int64_t Transport::BytesPerSecond() const {
    return std::max<int64_t>(1, static_cast<int64_t>(source_.sampleRate()) * source_.channels() * 2);
}

double Transport::ElapsedSeconds() const {
    return static_cast<double>(source_.position() - source_.dataOffset()) / static_cast<double>(BytesPerSecond());
}

int Transport::SliderPosition() const {
    if (source_.dataLength() <= 0) {
        return 0;
    }
    return static_cast<int>((source_.position() - source_.dataOffset()) * 1000 / source_.dataLength());
}

} // namespace lumisett::host
