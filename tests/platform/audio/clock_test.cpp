#include "platform/audio/output_device.h"
#include "platform/audio/simulated_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace lumisett::platform {
namespace {

TEST(SimulatedClockTest, ASleeperWakesOnlyWhenTheTimeHasComeAndSaysSo) {
    SimulatedClock clock(1000);
    std::atomic<bool> never{false};
    std::atomic<int> result{-1};
    std::thread sleeper([&] { result = clock.SleepUntilOrCancelled(1100, never) ? 1 : 0; });
    ASSERT_TRUE(clock.WaitForSleepers(1));
    clock.Advance(99);
    EXPECT_EQ(clock.Sleepers(), 1); // not due yet: still asleep
    clock.AdvanceTo(50);            // time never goes back
    EXPECT_EQ(clock.NowMicroseconds(), 1099);
    clock.Advance(1);
    sleeper.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(clock.Sleepers(), 0);
}

TEST(SimulatedClockTest, CancelWakeAndCloseEndSleepsEarly) {
    SimulatedClock clock;
    std::atomic<bool> cancel{false};
    std::atomic<int> cancelled{-1};
    std::thread first([&] { cancelled = clock.SleepUntilOrCancelled(5000, cancel) ? 1 : 0; });
    std::thread second([&] { clock.SleepUntil(5000); });
    ASSERT_TRUE(clock.WaitForSleepers(2));
    cancel = true;
    clock.Wake();
    first.join();
    EXPECT_EQ(cancelled, 0);
    EXPECT_EQ(clock.Sleepers(), 1);
    clock.Close(); // frees the plain sleeper too; later sleeps return at once
    second.join();
    clock.SleepUntil(1'000'000);
    EXPECT_FALSE(clock.WaitForSleepers(1));
}

TEST(SystemClockTest, ASleepOfAnHourEndsAsSoonAsItIsCancelled) {
    Clock& clock = SystemClock();
    std::atomic<bool> cancel{false};
    std::atomic<int> reached{-1};
    std::thread sleeper([&] {
        reached = clock.SleepUntilOrCancelled(clock.NowMicroseconds() + 3'600'000'000, cancel) ? 1 : 0;
    });
    cancel = true;
    clock.Wake();
    sleeper.join();
    EXPECT_EQ(reached, 0);

    cancel = false;
    const int64_t start = clock.NowMicroseconds();
    EXPECT_TRUE(clock.SleepUntilOrCancelled(start + 2000, cancel));
    EXPECT_GE(clock.NowMicroseconds(), start + 2000);
}

} // namespace
} // namespace lumisett::platform
