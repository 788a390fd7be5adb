#include "platform/audio/device_queue.h"

#include <gtest/gtest.h>

namespace lumisett::platform {
namespace {

TEST(PlayheadTest, ReachesEveryFrameAtTheTimeItNamesAndNotBefore) {
    for (const int32_t rate : {8000, 11025, 44100, 48000, 192000}) {
        Playhead playhead;
        playhead.Reset(rate, 1000);
        playhead.Run(5'000'000);
        for (const int64_t frame : {1000LL, 1001LL, 1441LL, 4096LL + 1000, 44100LL * 3600}) {
            const int64_t due = playhead.TimeOf(frame);
            EXPECT_GE(playhead.Position(due, INT64_MAX), frame) << rate << " " << frame;
            if (frame > 1000) {
                EXPECT_LT(playhead.Position(due - 1, INT64_MAX), frame) << rate << " " << frame;
            }
        }
    }
}

TEST(PlayheadTest, StopsAtTheEndOfItsAudioAndPlaysMoreFromWhenItCame) {
    Playhead playhead;
    playhead.Reset(1000, 0); // one frame a millisecond
    playhead.Run(0);
    EXPECT_EQ(playhead.Position(400'000, 100), 100);
    playhead.Extend(400'000, 100); // ran dry at 100 ms; more audio comes at 400 ms
    EXPECT_EQ(playhead.Position(450'000, 200), 150);
    playhead.Extend(450'000, 200); // still playing: extending changes nothing
    EXPECT_EQ(playhead.Position(460'000, 200), 160);
    playhead.Stop(460'000, 200);
    EXPECT_EQ(playhead.Position(900'000, 200), 160);
    playhead.Run(1'000'000);
    EXPECT_EQ(playhead.Position(1'010'000, 200), 170);
}

TEST(DeviceQueueTest, FindsTheSamplesOfAFrameInTheBufferThatHoldsIt) {
    const int16_t first[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    const int16_t second[8] = {10, 11, 12, 13, 14, 15, 16, 17};
    DeviceQueue queue;
    queue.Reset(2, 4, 100);
    ASSERT_TRUE(queue.Push(first));
    ASSERT_TRUE(queue.Push(second));
    EXPECT_FALSE(queue.Push(first));
    EXPECT_EQ(queue.end(), 108);

    int32_t frames = 0;
    EXPECT_EQ(queue.At(102, &frames), first + 4);
    EXPECT_EQ(frames, 2);
    EXPECT_EQ(queue.At(104, &frames), second);
    EXPECT_EQ(frames, 4);
    EXPECT_EQ(queue.At(108, &frames), nullptr);
    EXPECT_EQ(queue.At(99, &frames), nullptr);

    EXPECT_FALSE(queue.FrontPlayed(103));
    EXPECT_TRUE(queue.FrontPlayed(104));
    queue.PopFront();
    EXPECT_EQ(queue.front().pairs, second);
    ASSERT_TRUE(queue.Push(first)); // the freed slot takes the next buffer
    EXPECT_EQ(queue.At(109, &frames), first + 2);
    queue.Clear(106);
    EXPECT_TRUE(queue.empty());
    EXPECT_EQ(queue.end(), 106);
}

} // namespace
} // namespace lumisett::platform
