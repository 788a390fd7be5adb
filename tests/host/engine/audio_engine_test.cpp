#include "tests/host/engine/engine_fixture.h"

namespace lumisett::host {
namespace {

class AudioEngineTest : public EngineFixture {};

TEST_F(AudioEngineTest, TheFirstAudibleBlockFollowsTheSilentQueue) {
    const auto input = OpenRamp(6 * kBlock);
    ASSERT_EQ(StartEngine(), kEngineStarted);
    for (int i = 0; i < kBuffers + 6; ++i) ASSERT_TRUE(device.PlayOne());

    std::vector<int16_t> expected(2 * kBuffers * kBlock, 0); // M silent buffers first
    expected.insert(expected.end(), input.begin(), input.end());
    EXPECT_EQ(device.played, expected);
    EXPECT_EQ(engine.pairsWritten(), (kBuffers + kBuffers + 6) * kBlock);
    EXPECT_FALSE(engine.bufferOverflow());
}

TEST_F(AudioEngineTest, NotificationByWindowRunsTheHandlerWhenTheWindowThreadAsks) {
    const auto input = OpenRamp(2 * kBlock);
    ASSERT_EQ(StartEngine({kBlock, kBuffers, true, true}), kEngineStarted);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(device.PlayOne());
    EXPECT_EQ(waker.wakes, 3);
    EXPECT_EQ(engine.pairsWritten(), kBuffers * kBlock); // nothing refilled yet
    engine.RunPendingCompletions();
    EXPECT_EQ(engine.pairsWritten(), (kBuffers + 3) * kBlock);
}

TEST_F(AudioEngineTest, AStarvedDeviceIsNoticedOnlyWithTheWatchOn) {
    for (const bool watch : {true, false}) {
        OpenRamp(8 * kBlock);
        ASSERT_EQ(StartEngine({kBlock, kBuffers, false, watch}), kEngineStarted);
        device.positionAhead = kBuffers * kBlock; // played everything that was queued
        device.PlayOne();
        EXPECT_EQ(engine.bufferOverflow().load(), watch);
        EXPECT_EQ(controls.pauseRequest.load(), watch);
        engine.Stop();
        controls.pauseRequest = false;
        device.positionAhead = 0;
    }
}

TEST_F(AudioEngineTest, CompletionsWithoutATickForThreeSecondsMeanOverload) {
    OpenRamp(200 * kBlock);
    ASSERT_EQ(StartEngine(), kEngineStarted);
    // 3 s at 44.1 kHz are 64.6 blocks of 2048: the 66th completion without a tick trips it.
    for (int i = 0; i < 65; ++i) device.PlayOne();
    EXPECT_FALSE(engine.cpuOverload());
    transport.Tick();
    for (int i = 0; i < 65; ++i) device.PlayOne();
    EXPECT_FALSE(engine.cpuOverload());
    device.PlayOne();
    EXPECT_TRUE(engine.cpuOverload());
    EXPECT_TRUE(controls.pauseRequest);
}

TEST_F(AudioEngineTest, RefusedRateAndUnopenableDeviceLeaveNothingRunning) {
    OpenRamp(kBlock);
    device.refusedRate = 44100;
    EXPECT_EQ(StartEngine(), kEngineRateRefused);
    device.refusedRate = 0;
    device.refuseOpen = true;
    EXPECT_EQ(StartEngine(), kEngineDeviceNotOpened);
    EXPECT_FALSE(engine.running());
}

TEST_F(AudioEngineTest, ARequestedStopIsCompletedByTheNextTick) {
    OpenRamp(8 * kBlock);
    ASSERT_EQ(StartEngine(), kEngineStarted);
    device.PlayOne();
    EXPECT_FALSE(engine.CompleteRequestedStop());
    engine.stopRequest() = true;
    const int64_t written = engine.pairsWritten();
    device.PlayOne(); // a completion after the request refills nothing
    EXPECT_EQ(engine.pairsWritten(), written);
    EXPECT_TRUE(engine.CompleteRequestedStop());
    EXPECT_FALSE(engine.running());
    EXPECT_FALSE(source.isOpen());
}

} // namespace
} // namespace lumisett::host
