#include "platform/audio/null_output_device.h"

namespace lumisett::platform {

namespace {
constexpr int32_t kLowestRate = 8000;
constexpr int32_t kHighestRate = 192000;
} // namespace

NullOutputDevice::NullOutputDevice(NullPacing pacing, Clock& clock) : pacing_(pacing), clock_(clock) {}

NullOutputDevice::~NullOutputDevice() {
    Close();
    if (thread_.joinable()) {
        thread_.join(); // left running by a Close from inside BufferDone
    }
}

bool NullOutputDevice::SupportsRate(int32_t sampleRate) {
    return sampleRate >= kLowestRate && sampleRate <= kHighestRate;
}

bool NullOutputDevice::Open(const OutputStreamConfig& config, BufferDoneListener* listener) {
    if (listener == nullptr || !SupportsRate(config.sampleRate) || config.periodPairs <= 0 || config.periods <= 0) {
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        if (open_ || thread_.joinable()) {
            return false;
        }
        config_ = config;
        listener_ = listener;
        queue_.Reset(config.periods, config.periodPairs);
        playhead_.Reset(config.sampleRate, 0);
        playhead_.Run(clock_.NowMicroseconds());
        handedBack_ = 0;
        open_ = true;
        paused_ = false;
        closing_ = false;
        refuseQueue_ = false;
        wakeRequested_ = false;
    }
    if (pacing_ != NullPacing::Manual) {
        thread_ = std::thread(&NullOutputDevice::Run, this);
    }
    return true;
}

bool NullOutputDevice::Queue(const int16_t* pairs) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(mutex_);
        if (!open_ || refuseQueue_ || pairs == nullptr) {
            return false;
        }
        if (pacing_ == NullPacing::RealTime) {
            playhead_.Extend(clock_.NowMicroseconds(), queue_.end());
        }
        wasEmpty = queue_.empty();
        if (!queue_.Push(pairs)) {
            return false;
        }
        wakeRequested_ = wasEmpty || wakeRequested_;
    }
    if (wasEmpty) {
        work_.notify_all(); // only an idle thread needs telling: a playing one sleeps towards the oldest buffer
    }
    return true;
}

int64_t NullOutputDevice::PlayedLocked() {
    if (pacing_ == NullPacing::RealTime) {
        return playhead_.Position(clock_.NowMicroseconds(), queue_.end());
    }
    return handedBack_;
}

int64_t NullOutputDevice::PlayedPairs() {
    std::lock_guard lock(mutex_);
    return PlayedLocked();
}

int NullOutputDevice::QueuedBuffers() {
    std::lock_guard lock(mutex_);
    return queue_.count();
}

void NullOutputDevice::Pause() {
    {
        std::lock_guard lock(mutex_);
        if (!open_ || paused_) {
            return;
        }
        paused_ = true;
        playhead_.Stop(clock_.NowMicroseconds(), queue_.end());
    }
    WakeThread();
}

void NullOutputDevice::Restart() {
    {
        std::lock_guard lock(mutex_);
        if (!open_ || !paused_) {
            return;
        }
        paused_ = false;
        playhead_.Run(clock_.NowMicroseconds());
    }
    WakeThread();
}

void NullOutputDevice::Reset() {
    {
        std::unique_lock lock(mutex_);
        if (!open_) {
            return;
        }
        // Nothing more is handed back, and a BufferDone that is running may still queue its
        // buffer: refuse it, so that every buffer is the caller's again when Reset returns.
        refuseQueue_ = true;
        queue_.Clear(queue_.end());
        WaitForCallbackLocked(lock);
        refuseQueue_ = false;
        const int64_t now = clock_.NowMicroseconds();
        const int64_t played = PlayedLocked();
        queue_.Clear(played);
        playhead_.Reset(config_.sampleRate, played);
        if (!paused_) {
            playhead_.Run(now);
        }
    }
    WakeThread();
}

void NullOutputDevice::Close() {
    {
        std::unique_lock lock(mutex_);
        if (!open_) {
            return;
        }
        refuseQueue_ = true;
        queue_.Clear(queue_.end());
        WaitForCallbackLocked(lock);
        open_ = false;
        closing_ = true;
        listener_ = nullptr;
    }
    WakeThread();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        thread_.join();
    }
}

bool NullOutputDevice::PlayOnePeriod() {
    std::unique_lock lock(mutex_);
    if (pacing_ != NullPacing::Manual || !open_ || paused_ || inCallback_ || queue_.empty()) {
        return false;
    }
    HandBackFront(lock);
    return true;
}

void NullOutputDevice::HandBackFront(std::unique_lock<std::mutex>& lock) {
    const int16_t* pairs = queue_.front().pairs;
    queue_.PopFront();
    handedBack_ += config_.periodPairs;
    BufferDoneListener* listener = listener_;
    inCallback_ = true;
    callbackThread_ = std::this_thread::get_id();
    lock.unlock();
    if (tap_) {
        tap_(pairs, config_.periodPairs);
    }
    listener->BufferDone();
    lock.lock();
    inCallback_ = false;
    callbackDone_.notify_all();
}

void NullOutputDevice::WaitForCallbackLocked(std::unique_lock<std::mutex>& lock) {
    // From inside BufferDone the callback is our caller: waiting for it would never end.
    callbackDone_.wait(lock, [&] { return !inCallback_ || callbackThread_ == std::this_thread::get_id(); });
}

void NullOutputDevice::WakeThread() {
    {
        std::lock_guard lock(mutex_);
        wakeRequested_ = true;
    }
    work_.notify_all();
    cancelSleep_.store(true);
    clock_.Wake();
}

void NullOutputDevice::Run() {
    std::unique_lock lock(mutex_);
    while (!closing_) {
        if (paused_ || queue_.empty()) {
            work_.wait(lock, [&] { return wakeRequested_; });
            wakeRequested_ = false;
            continue;
        }
        if (pacing_ == NullPacing::AsFastAsPossible) {
            HandBackFront(lock);
            continue;
        }
        const int64_t now = clock_.NowMicroseconds();
        if (queue_.FrontPlayed(playhead_.Position(now, queue_.end()))) {
            HandBackFront(lock);
            continue;
        }
        const int64_t due = playhead_.TimeOf(queue_.front().start + config_.periodPairs);
        cancelSleep_.store(false);
        lock.unlock();
        clock_.SleepUntilOrCancelled(due, cancelSleep_);
        lock.lock();
    }
}

} // namespace lumisett::platform
