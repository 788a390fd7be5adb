#include "platform/audio/null_output_device.h"
#include "platform/audio/simulated_clock.h"
#include "tests/platform/audio/ring_listener.h"

#include <gtest/gtest.h>

#include <string>

namespace lumisett::platform {
namespace {

// 480 pairs at 48000 Hz: a period is exactly 10 ms, so simulated time lands on period ends.
constexpr int32_t kRate = 48000;
constexpr int32_t kPairs = 480;
constexpr int64_t kPeriod = 10'000;
constexpr int kPeriods = 3;

std::string PacingName(const testing::TestParamInfo<NullPacing>& info) {
    switch (info.param) {
    case NullPacing::RealTime: return "RealTime";
    case NullPacing::AsFastAsPossible: return "AsFastAsPossible";
    case NullPacing::Manual: return "Manual";
    }
    return "Unknown";
}

class NullDeviceTest : public testing::TestWithParam<NullPacing> {
protected:
    void Open(RingListener& ring) {
        device.SetPlayedTap([this](const int16_t* pairs, int32_t count) {
            tapped.insert(tapped.end(), pairs, pairs + 2 * count); // the tap runs on one thread at a time
        });
        ASSERT_TRUE(device.Open(OutputStreamConfig{kRate, kPairs, kPeriods}, &ring));
    }

    // Lets the device play until `count` buffers have come back in all, whatever its pacing.
    void PlayUntil(RingListener& ring, int count) {
        while (ring.done() < count) {
            const int next = ring.done() + 1;
            switch (GetParam()) {
            case NullPacing::Manual:
                ASSERT_TRUE(device.PlayOnePeriod());
                break;
            case NullPacing::RealTime:
                ASSERT_TRUE(clock.WaitForSleepers());
                clock.Advance(kPeriod);
                ASSERT_TRUE(ring.WaitForDone(next));
                break;
            case NullPacing::AsFastAsPossible:
                ASSERT_TRUE(ring.WaitForDone(count));
                break;
            }
        }
    }

    SimulatedClock clock;
    NullOutputDevice device{GetParam(), clock};
    std::vector<int16_t> tapped;
};

TEST_P(NullDeviceTest, KeepsTheEnginesRingGoingInQueueOrder) {
    constexpr int kTotal = 8;
    RingListener ring(kPairs, kPeriods, kTotal);
    Open(ring);
    ring.Start(device);
    PlayUntil(ring, kTotal);
    device.Close();

    EXPECT_EQ(tapped, Blocks(kTotal, kPairs)); // every block once, in order, refills included
    EXPECT_EQ(ring.positions(), PeriodEnds(kTotal, kPairs));
    EXPECT_EQ(ring.underruns(), 1); // only the last buffer, after which nothing was queued
    EXPECT_EQ(device.PlayedPairs(), kTotal * kPairs);
}

TEST_P(NullDeviceTest, AStarvedDeviceHandsNothingBackAndDoesNotAdvance) {
    RingListener ring(kPairs, kPeriods, 1);
    Open(ring);
    if (GetParam() == NullPacing::Manual) {
        EXPECT_FALSE(device.PlayOnePeriod());
    }
    clock.Advance(100 * kPeriod);
    ring.Start(device);
    PlayUntil(ring, 1);
    clock.Advance(100 * kPeriod);
    EXPECT_EQ(device.PlayedPairs(), kPairs); // never beyond what was queued
    device.Close();
    EXPECT_EQ(ring.done(), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryPacing, NullDeviceTest,
                         testing::Values(NullPacing::Manual, NullPacing::RealTime, NullPacing::AsFastAsPossible),
                         PacingName);

// Pause and reset, where a test decides when each period ends.
using SteppedNullDeviceTest = NullDeviceTest;

TEST_P(SteppedNullDeviceTest, APausedDevicePlaysNothingUntilRestarted) {
    RingListener ring(kPairs, kPeriods, kPeriods);
    Open(ring);
    ring.Start(device);
    PlayUntil(ring, 1);
    device.Pause();
    if (GetParam() == NullPacing::Manual) {
        EXPECT_FALSE(device.PlayOnePeriod());
    }
    clock.Advance(100 * kPeriod);
    EXPECT_EQ(ring.done(), 1);
    EXPECT_EQ(device.PlayedPairs(), kPairs);
    EXPECT_EQ(device.QueuedBuffers(), kPeriods - 1); // queued buffers stay queued

    device.Restart();
    PlayUntil(ring, kPeriods);
    EXPECT_EQ(ring.positions(), PeriodEnds(kPeriods, kPairs));
    device.Close();
}

TEST_P(SteppedNullDeviceTest, ResetDropsEveryQueuedBufferAndNoneComesBack) {
    RingListener ring(kPairs, kPeriods, kPeriods);
    Open(ring);
    ring.Start(device);
    PlayUntil(ring, 1);
    device.Reset();
    EXPECT_EQ(device.QueuedBuffers(), 0);
    if (GetParam() == NullPacing::Manual) {
        EXPECT_FALSE(device.PlayOnePeriod());
    }
    clock.Advance(100 * kPeriod);
    EXPECT_EQ(ring.done(), 1);
    EXPECT_EQ(device.PlayedPairs(), kPairs);

    // The device stays open: audio queued after a reset plays on from where it stood.
    const auto block = Block(9, kPairs);
    ASSERT_TRUE(device.Queue(block.data()));
    PlayUntil(ring, 2);
    EXPECT_EQ(device.PlayedPairs(), 2 * kPairs);
    device.Close();
}

INSTANTIATE_TEST_SUITE_P(StepByStep, SteppedNullDeviceTest, testing::Values(NullPacing::Manual, NullPacing::RealTime),
                         PacingName);

// Real-time pacing within a period: the position moves with the clock, paused time and time
// without audio do not count.
class RealTimeNullDeviceTest : public testing::Test {
protected:
    SimulatedClock clock;
    RingListener ring{kPairs, kPeriods, kPeriods};
    std::vector<int16_t> block = Block(0, kPairs);
    NullOutputDevice device{NullPacing::RealTime, clock}; // closed before the listener goes
};

TEST_F(RealTimeNullDeviceTest, PositionFollowsTheClockButNotThroughPausesOrSilence) {
    ASSERT_TRUE(device.Open(OutputStreamConfig{kRate, kPairs, kPeriods}, &ring));
    ring.Start(device);
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 4);
    EXPECT_EQ(device.PlayedPairs(), kPairs / 4);

    device.Pause();
    clock.Advance(50 * kPeriod);
    EXPECT_EQ(device.PlayedPairs(), kPairs / 4);
    device.Restart();
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 2);
    EXPECT_EQ(device.PlayedPairs(), 3 * kPairs / 4);
    EXPECT_EQ(ring.done(), 0);
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 4);
    ASSERT_TRUE(ring.WaitForDone(1));

    // The last two buffers play out; then the device stands at the end of what it was given.
    for (int k = 2; k <= kPeriods; ++k) {
        ASSERT_TRUE(clock.WaitForSleepers());
        clock.Advance(kPeriod);
        ASSERT_TRUE(ring.WaitForDone(k));
    }
    clock.Advance(20 * kPeriod);
    EXPECT_EQ(device.PlayedPairs(), kPeriods * kPairs);

    // Audio queued now starts now, not back when the device ran dry.
    ASSERT_TRUE(device.Queue(block.data()));
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 2);
    EXPECT_EQ(device.PlayedPairs(), kPeriods * kPairs + kPairs / 2);
    EXPECT_EQ(ring.done(), kPeriods);
}

TEST_F(RealTimeNullDeviceTest, PlaysInRealTimeByTheSystemClock) {
    NullOutputDevice systemPaced(NullPacing::RealTime);
    constexpr int kTotal = 12;
    RingListener fast(64, kPeriods, kTotal); // 64 pairs at 48000 Hz: 1.3 ms a period
    ASSERT_TRUE(systemPaced.Open(OutputStreamConfig{kRate, 64, kPeriods}, &fast));
    fast.Start(systemPaced);
    EXPECT_TRUE(fast.WaitForDone(kTotal));
    systemPaced.Close();
    EXPECT_EQ(systemPaced.PlayedPairs(), kTotal * 64);
}

// Rings that run flat out while the controlling thread resets: whatever BufferDone was doing,
// nothing is queued and nothing comes back once Reset has returned.
TEST(NullDeviceResetTest, ResetWhileTheRingRunsFlatOutLeavesNothingBehind) {
    for (int round = 0; round < 20; ++round) {
        NullOutputDevice device(NullPacing::AsFastAsPossible);
        RingListener ring(16, kPeriods, 1'000'000);
        ASSERT_TRUE(device.Open(OutputStreamConfig{kRate, 16, kPeriods}, &ring));
        ring.Start(device);
        ASSERT_TRUE(ring.WaitForDone(round * 10 + 1));
        device.Reset();
        const int doneAtReset = ring.done();
        EXPECT_EQ(device.QueuedBuffers(), 0);
        device.Close();
        EXPECT_EQ(ring.done(), doneAtReset);
    }
}

TEST(NullDeviceOpenTest, AcceptsOnlyWorkableStreams) {
    struct Case {
        OutputStreamConfig config;
        bool opens;
    };
    const Case cases[] = {
        {{8000, 4096, 4}, true},  {{192000, 2048, 16}, true}, {{7999, 4096, 4}, false},
        {{192001, 4096, 4}, false}, {{44100, 0, 4}, false},     {{44100, 4096, 0}, false},
    };
    for (const Case& c : cases) {
        NullOutputDevice device(NullPacing::Manual);
        RingListener ring(1, 1, 1);
        EXPECT_EQ(device.SupportsRate(c.config.sampleRate), c.config.sampleRate >= 8000 && c.config.sampleRate <= 192000);
        EXPECT_EQ(device.Open(c.config, &ring), c.opens) << c.config.sampleRate << " " << c.config.periodPairs << " "
                                                         << c.config.periods;
    }
    NullOutputDevice device(NullPacing::Manual);
    EXPECT_FALSE(device.Open(OutputStreamConfig{}, nullptr));
}

TEST(NullDeviceOpenTest, HoldsNoMoreThanTheRingAndOpensAgainAfterClose) {
    RingListener ring(kPairs, kPeriods, 0);
    NullOutputDevice device(NullPacing::Manual);
    const auto block = Block(0, kPairs);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(device.Open(OutputStreamConfig{kRate, kPairs, kPeriods}, &ring));
        ring.Start(device);
        EXPECT_FALSE(device.Open(OutputStreamConfig{kRate, kPairs, kPeriods}, &ring));
        for (int k = 0; k < kPeriods; ++k) {
            EXPECT_TRUE(device.Queue(block.data()));
        }
        EXPECT_FALSE(device.Queue(block.data()));
        EXPECT_TRUE(device.PlayOnePeriod());
        EXPECT_EQ(device.PlayedPairs(), kPairs);
        device.Close();
        EXPECT_FALSE(device.Queue(block.data()));
        EXPECT_FALSE(device.PlayOnePeriod());
    }
}

} // namespace
} // namespace lumisett::platform
