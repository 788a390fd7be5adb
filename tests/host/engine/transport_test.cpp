#include "platform/message.h"
#include "tests/host/engine/engine_fixture.h"
#include "tests/support/message_capture.h"

namespace lumisett::host {
namespace {

class TransportTest : public EngineFixture {
protected:
    void SetUp() override {
        OpenRamp(40 * kBlock);
        ASSERT_EQ(StartEngine(), kEngineStarted);
        transport.Reset();
    }
};

TEST_F(TransportTest, FastSpeedsRememberTheSlowCueSpeed) {
    transport.SpeedSlider(625); // 0.5
    transport.Cue();
    EXPECT_FLOAT_EQ(transport.speed(), 0.5f);
    transport.Fast(4.0f);
    EXPECT_FLOAT_EQ(source.transport().speed.load(), 4.0f);
    transport.SpeedSlider(1000); // a fast speed is kept while the slider moves
    EXPECT_FLOAT_EQ(transport.speed(), 4.0f);
    transport.SpeedSlider(625);
    transport.Cue();
    EXPECT_FLOAT_EQ(transport.speed(), 0.5f);
    EXPECT_EQ(statusWord & HOST_STATUS_CUE, HOST_STATUS_CUE);
    transport.Play();
    EXPECT_EQ(statusWord & HOST_STATUS_CUE, 0);
    EXPECT_FALSE(source.transport().cue.load());
}

TEST_F(TransportTest, APauseIsCompletedByTheTickWithTheOverflowMessagesInOrder) {
    test::MessageCapture messages;
    engine.bufferOverflow() = true;
    engine.cpuOverload() = true;
    controls.pauseRequest = true;
    transport.Tick();
    EXPECT_TRUE(transport.paused());
    EXPECT_TRUE(device.paused);
    EXPECT_EQ(statusWord & HOST_STATUS_PAUSED, HOST_STATUS_PAUSED);
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[0].caption, kOverflowCaption);
    EXPECT_EQ(messages.messages()[0].text, kBufferOverflowText);
    EXPECT_EQ(messages.messages()[1].text, kCpuOverloadText);
    EXPECT_FALSE(engine.bufferOverflow());

    transport.PauseButton(); // resume
    EXPECT_FALSE(transport.paused());
    EXPECT_FALSE(device.paused);
    EXPECT_FALSE(controls.pauseRequest);
    EXPECT_EQ(statusWord & HOST_STATUS_PAUSED, 0);
}

TEST_F(TransportTest, TheEndOfTheFileRewindsAndPausesOnceItHasBeenHeard) {
    // Play until the reader has met the end; the device still holds the last audio.
    while (!source.endReached()) device.PlayOne();
    EXPECT_FALSE(transport.Tick());
    while (device.playedPairs < source.endMark()) device.PlayOne();
    EXPECT_TRUE(transport.Tick());
    EXPECT_TRUE(controls.pauseRequest);
    device.PlayOne(); // the next block starts from the beginning again
    EXPECT_EQ(source.position(), source.dataOffset() + 4 * kBlock);
}

TEST_F(TransportTest, WithTheLoopOnTheEndGoesOnFromTheStart) {
    transport.ToggleLoop();
    EXPECT_EQ(statusWord & HOST_STATUS_LOOP, HOST_STATUS_LOOP);
    while (!source.endReached()) device.PlayOne();
    while (device.playedPairs < source.endMark()) device.PlayOne();
    EXPECT_TRUE(transport.Tick());
    EXPECT_FALSE(controls.pauseRequest);
}

TEST_F(TransportTest, PlayLeavingTheLoopJumpsToItsLowerEnd) {
    // m1 after m2: the range is still [m2, m1].
    for (int i = 0; i < 20; ++i) device.PlayOne();
    transport.SetMarker(0);
    const int64_t m1 = transport.marker(0);
    transport.PositionSlider(0);
    for (int i = 0; i < 6; ++i) device.PlayOne();
    transport.SetMarker(1);
    const int64_t m2 = transport.marker(1);
    ASSERT_LT(m2, m1);
    transport.ToggleLoop();
    while (source.position() <= m1) device.PlayOne();
    transport.Tick();
    device.PlayOne();
    EXPECT_EQ(source.position(), m2 + 4 * kBlock);
}

TEST_F(TransportTest, SmallPositionMovesAreIgnored) {
    for (int i = 0; i < 10; ++i) device.PlayOne();
    const int64_t before = source.position();
    const int nearby = transport.SliderPosition() + 2; // 0.2 % of the file, under a second
    transport.PositionSlider(nearby);
    device.PlayOne();
    EXPECT_EQ(source.position(), before + 4 * kBlock);
    transport.PositionSlider(0);
    device.PlayOne();
    EXPECT_EQ(source.position(), source.dataOffset() + 4 * kBlock);
}

} // namespace
} // namespace lumisett::host
