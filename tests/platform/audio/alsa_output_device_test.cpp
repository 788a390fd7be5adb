// The ALSA backend, played through a private ALSA configuration whose "default" PCM writes
// everything to a file and does not pace: the device must play it by its clock.

#include "platform/audio/alsa_output_device.h"
#include "platform/audio/simulated_clock.h"
#include "tests/platform/audio/ring_listener.h"
#include "tests/support/private_alsa_config.h"

#include <gtest/gtest.h>

namespace lumisett::platform {
namespace {

// 480 pairs at 48000 Hz: a period is exactly 10 ms of simulated time.
constexpr int32_t kRate = 48000;
constexpr int32_t kPairs = 480;
constexpr int64_t kPeriod = 10'000;
constexpr int kPeriods = 4;
const OutputStreamConfig kStream{kRate, kPairs, kPeriods};

class AlsaDeviceTest : public testing::Test {
protected:
    // Lets the simulated clock run one period at a time until `count` buffers are back.
    void PlayUntil(RingListener& ring, int count) {
        while (ring.done() < count) {
            const int next = ring.done() + 1;
            ASSERT_TRUE(clock.WaitForSleepers());
            clock.Advance(kPeriod);
            ASSERT_TRUE(ring.WaitForDone(next));
        }
    }

    test::TempDir dir;
    test::PrivateAlsaConfig alsa{dir};
    SimulatedClock clock;
};

TEST_F(AlsaDeviceTest, PlaysTheEnginesRingIntoThePcmInOrderAtTheClocksPace) {
    constexpr int kTotal = 12;
    RingListener ring(kPairs, kPeriods, kTotal);
    AlsaOutputDevice device("default", clock);
    ASSERT_TRUE(device.SupportsRate(kRate));
    ASSERT_TRUE(device.Open(kStream, &ring));
    ring.Start(device);
    PlayUntil(ring, kTotal);
    EXPECT_TRUE(device.facts().pacedByClock);
    device.Close();

    EXPECT_EQ(alsa.PlayedSamples(), Blocks(kTotal, kPairs)); // refills included, byte for byte
    EXPECT_EQ(ring.positions(), PeriodEnds(kTotal, kPairs)); // each buffer back as its period ends
    EXPECT_EQ(ring.underruns(), 1);                          // only after the last buffer
}

TEST_F(AlsaDeviceTest, PauseHoldsThePositionAndRestartPlaysOnFromIt) {
    RingListener ring(kPairs, kPeriods, kPeriods);
    AlsaOutputDevice device("default", clock);
    ASSERT_TRUE(device.Open(kStream, &ring));
    ring.Start(device);
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod + kPeriod / 2);
    ASSERT_TRUE(ring.WaitForDone(1));
    EXPECT_EQ(device.PlayedPairs(), kPairs + kPairs / 2);

    device.Pause();
    clock.Advance(50 * kPeriod);
    EXPECT_EQ(device.PlayedPairs(), kPairs + kPairs / 2);
    EXPECT_EQ(ring.done(), 1);

    device.Restart();
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 4);
    EXPECT_EQ(device.PlayedPairs(), kPairs + 3 * kPairs / 4);
    clock.Advance(kPeriod / 4);
    ASSERT_TRUE(ring.WaitForDone(2));
    EXPECT_EQ(ring.positions(), (std::vector<int64_t>{kPairs + kPairs / 2, 2 * kPairs}));
    device.Close();
}

TEST_F(AlsaDeviceTest, ResetDropsTheQueueAndTheDevicePlaysOnAfterIt) {
    RingListener ring(kPairs, kPeriods, kPeriods);
    AlsaOutputDevice device("default", clock);
    ASSERT_TRUE(device.Open(kStream, &ring));
    ring.Start(device);
    PlayUntil(ring, 1);
    device.Reset();
    clock.Advance(50 * kPeriod);
    EXPECT_EQ(ring.done(), 1);
    EXPECT_EQ(device.PlayedPairs(), kPairs);

    const auto block = Block(7, kPairs);
    ASSERT_TRUE(device.Queue(block.data()));
    PlayUntil(ring, 2);
    EXPECT_EQ(device.PlayedPairs(), 2 * kPairs);
    device.Close();
    EXPECT_EQ(ring.done(), 2);
    EXPECT_EQ(device.PlayedPairs(), 2 * kPairs); // the position survives the close
}

TEST_F(AlsaDeviceTest, AStarvedDeviceStandsStillAndPlaysNewAudioFromWhenItCame) {
    RingListener ring(kPairs, kPeriods, 1);
    AlsaOutputDevice device("default", clock);
    ASSERT_TRUE(device.Open(kStream, &ring));
    ring.Start(device);
    PlayUntil(ring, 1);
    EXPECT_EQ(ring.underruns(), 1); // the engine sees the device ran dry
    clock.Advance(20 * kPeriod);
    EXPECT_EQ(device.PlayedPairs(), kPairs); // never beyond what was queued

    const auto block = Block(1, kPairs);
    ASSERT_TRUE(device.Queue(block.data()));
    ASSERT_TRUE(clock.WaitForSleepers());
    clock.Advance(kPeriod / 2);
    EXPECT_EQ(device.PlayedPairs(), kPairs + kPairs / 2);
    clock.Advance(kPeriod / 2);
    ASSERT_TRUE(ring.WaitForDone(2));
    device.Close();
    EXPECT_EQ(alsa.PlayedSamples(), Blocks(2, kPairs));
}

TEST_F(AlsaDeviceTest, PlaysInRealTimeThroughTheSystemClock) {
    constexpr int32_t kSmall = 256; // 5.3 ms a period
    constexpr int kTotal = 16;
    RingListener ring(kSmall, kPeriods, kTotal);
    AlsaOutputDevice device("default");
    ASSERT_TRUE(device.Open(OutputStreamConfig{kRate, kSmall, kPeriods}, &ring));
    ring.Start(device);
    ASSERT_TRUE(ring.WaitForDone(kTotal));
    EXPECT_LE(device.PlayedPairs(), kTotal * kSmall);
    device.Close();
    EXPECT_EQ(alsa.PlayedSamples(), Blocks(kTotal, kSmall));
}

TEST_F(AlsaDeviceTest, AnUnknownPcmOpensNothingAndTakesNoBuffers) {
    RingListener ring(kPairs, kPeriods, kPeriods);
    AlsaOutputDevice device("lumisett_no_such_pcm", clock);
    EXPECT_FALSE(device.SupportsRate(kRate));
    EXPECT_FALSE(device.Open(kStream, &ring));
    const auto block = Block(0, kPairs);
    EXPECT_FALSE(device.Queue(block.data()));
    EXPECT_EQ(device.PlayedPairs(), 0);
    device.Pause();
    device.Reset();
    device.Close();
}

TEST_F(AlsaDeviceTest, OpensAgainAfterClose) {
    AlsaOutputDevice device("default", clock);
    for (int round = 0; round < 2; ++round) {
        RingListener ring(kPairs, kPeriods, kPeriods);
        ASSERT_TRUE(device.Open(kStream, &ring));
        EXPECT_FALSE(device.Open(kStream, &ring));
        ring.Start(device);
        PlayUntil(ring, 1);
        device.Close();
        EXPECT_EQ(ring.done(), 1);
    }
}

} // namespace
} // namespace lumisett::platform
