#include "platform/audio/simulated_clock.h"

#include <chrono>

namespace lumisett::platform {

namespace {
constexpr auto kSleeperGuard = std::chrono::seconds(20);
} // namespace

int64_t SimulatedClock::NowMicroseconds() {
    std::lock_guard lock(mutex_);
    return now_;
}

void SimulatedClock::SleepUntil(int64_t when) {
    Sleep(when, nullptr);
}

bool SimulatedClock::SleepUntilOrCancelled(int64_t when, const std::atomic<bool>& cancel) {
    return Sleep(when, &cancel);
}

bool SimulatedClock::Sleep(int64_t when, const std::atomic<bool>* cancel) {
    std::unique_lock lock(mutex_);
    Sleeper self{when, cancel, sleepers_};
    sleepers_ = &self;
    changed_.notify_all(); // a test may be waiting for this thread to fall asleep
    changed_.wait(lock, [&] { return closed_ || now_ >= when || (cancel != nullptr && cancel->load()); });
    for (Sleeper** link = &sleepers_; *link != nullptr; link = &(*link)->next) {
        if (*link == &self) {
            *link = self.next;
            break;
        }
    }
    changed_.notify_all();
    return now_ >= when;
}

void SimulatedClock::Wake() {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

void SimulatedClock::Advance(int64_t microseconds) {
    {
        std::lock_guard lock(mutex_);
        now_ += microseconds > 0 ? microseconds : 0;
    }
    changed_.notify_all();
}

void SimulatedClock::AdvanceTo(int64_t when) {
    {
        std::lock_guard lock(mutex_);
        now_ = when > now_ ? when : now_;
    }
    changed_.notify_all();
}

int SimulatedClock::CountSleepersLocked() const {
    int count = 0;
    for (const Sleeper* sleeper = sleepers_; sleeper != nullptr; sleeper = sleeper->next) {
        const bool cancelled = sleeper->cancel != nullptr && sleeper->cancel->load();
        if (sleeper->when > now_ && !cancelled) {
            ++count;
        }
    }
    return count;
}

int SimulatedClock::Sleepers() {
    std::lock_guard lock(mutex_);
    return CountSleepersLocked();
}

bool SimulatedClock::WaitForSleepers(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kSleeperGuard, [&] { return closed_ || CountSleepersLocked() >= count; }) &&
           !closed_;
}

void SimulatedClock::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

} // namespace lumisett::platform
