#pragma once
// A clock whose time moves only when a test moves it, so that paced devices and the engine can
// be tested step by step without depending on the machine's speed.
//
// Threads sleeping on it wake when the test has advanced the time far enough, when their
// cancel flag is set and Wake() is called, or for good once the clock is closed. Before moving
// time on, a test calls WaitForSleepers() to know that the device thread has done everything
// that was due at the current instant and is asleep again.

#include "platform/audio/output_device.h"

#include <condition_variable>
#include <mutex>

namespace lumisett::platform {

class SimulatedClock final : public Clock {
public:
    explicit SimulatedClock(int64_t start = 0) : now_(start) {}
    ~SimulatedClock() override { Close(); }
    SimulatedClock(const SimulatedClock&) = delete;
    SimulatedClock& operator=(const SimulatedClock&) = delete;

    int64_t NowMicroseconds() override;
    void SleepUntil(int64_t when) override;
    bool SleepUntilOrCancelled(int64_t when, const std::atomic<bool>& cancel) override;
    void Wake() override;

    // Moves the time on (never back) and wakes the sleepers that are due.
    void Advance(int64_t microseconds);
    void AdvanceTo(int64_t when);

    // Waits until at least `count` threads sleep on this clock towards a time still ahead and
    // have not been cancelled. False when that has not happened after a generous real-time
    // guard (seconds), so that a device that never goes back to sleep fails a test instead of
    // hanging it.
    bool WaitForSleepers(int count = 1);
    // Threads asleep towards a time still ahead, right now.
    int Sleepers();

    // Wakes every sleeper for good: from now on every sleep returns at once.
    void Close();

private:
    // A thread in a sleep, linked into the clock's list from the sleeper's own stack.
    struct Sleeper {
        int64_t when;
        const std::atomic<bool>* cancel;
        Sleeper* next;
    };
    bool Sleep(int64_t when, const std::atomic<bool>* cancel);
    int CountSleepersLocked() const;

    std::mutex mutex_;
    std::condition_variable changed_;
    int64_t now_;
    bool closed_ = false;
    Sleeper* sleepers_ = nullptr;
};

} // namespace lumisett::platform
