#include "platform/audio/output_device.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace lumisett::platform {

bool Clock::SleepUntilOrCancelled(int64_t when, const std::atomic<bool>& cancel) {
    if (!cancel.load()) {
        SleepUntil(when);
    }
    return NowMicroseconds() >= when;
}

namespace {

using Steady = std::chrono::steady_clock;

class SteadyClock final : public Clock {
public:
    int64_t NowMicroseconds() override {
        return std::chrono::duration_cast<std::chrono::microseconds>(Steady::now().time_since_epoch()).count();
    }

    void SleepUntil(int64_t when) override {
        for (int64_t now = NowMicroseconds(); now < when; now = NowMicroseconds()) {
            std::this_thread::sleep_until(TimePoint(std::min(when, now + kLongestWait)));
        }
    }

    // One condition variable serves every sleeper: Wake is rare (a pause, a reset, a close,
    // a starved device fed again), and a sleeper woken for someone else only looks at its flag
    // and sleeps on.
    bool SleepUntilOrCancelled(int64_t when, const std::atomic<bool>& cancel) override {
        std::unique_lock lock(mutex_);
        while (!cancel.load()) {
            const int64_t now = NowMicroseconds();
            if (now >= when) {
                return true;
            }
            wakeup_.wait_until(lock, TimePoint(std::min(when, now + kLongestWait)));
        }
        return NowMicroseconds() >= when;
    }

    void Wake() override {
        { std::lock_guard lock(mutex_); }
        wakeup_.notify_all();
    }

private:
    // A far-off `when` (a device waiting for work has no deadline) is slept in steps, so that
    // no time point overflows.
    static constexpr int64_t kLongestWait = 3'600'000'000;

    static Steady::time_point TimePoint(int64_t microseconds) {
        return Steady::time_point(std::chrono::duration_cast<Steady::duration>(std::chrono::microseconds(microseconds)));
    }

    std::mutex mutex_;
    std::condition_variable wakeup_;
};

} // namespace

Clock& SystemClock() {
    static SteadyClock clock;
    return clock;
}

} // namespace lumisett::platform
