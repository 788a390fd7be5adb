#include "plugin_common/runtime/level_bar_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumisett::plugin {
namespace {

std::vector<float> Follow(float shown, float target, int repaints) {
    std::vector<float> trace;
    for (int i = 0; i < repaints; ++i) {
        shown = NextShownLevel(shown, target);
        trace.push_back(shown);
    }
    return trace;
}

TEST(LevelBarBallistics, RisesHalfTheWayAndFallsATenth) {
    const auto rising = Follow(0.0f, 1.0f, 2);
    EXPECT_FLOAT_EQ(rising[0], 0.5f);
    EXPECT_FLOAT_EQ(rising[1], 0.75f);

    const auto falling = Follow(1.0f, 0.0f, 3);
    EXPECT_FLOAT_EQ(falling[0], 0.9f);
    EXPECT_FLOAT_EQ(falling[1], 0.81f);
    EXPECT_FLOAT_EQ(falling[2], 0.729f);
}

TEST(LevelBarBallistics, NeverShowsMoreThanFull) {
    EXPECT_EQ(NextShownLevel(0.9f, 1.328f), 1.0f);
    EXPECT_EQ(NextShownLevel(1.0f, 5.0f), 1.0f);
}

TEST(LevelBarGeometry, AHundredPixelBarHasItsZonesAndSegmentsOnTheGrid) {
    const LevelBarZones zones = ComputeZones(100, 0.5f);
    EXPECT_EQ(zones.yellow, 69);
    EXPECT_EQ(zones.red, 90);
    EXPECT_EQ(zones.lit, 48); // trunc(50) lowered to a multiple of 3

    ASSERT_EQ(SegmentCount(100), 33);
    EXPECT_EQ(SegmentX(0), 0);
    EXPECT_EQ(SegmentX(1), 3);
    EXPECT_EQ(SegmentX(32), 96);
}

TEST(LevelBarGeometry, SegmentsEndTwoPixelsBeforeTheEdge) {
    const int widths[] = {0, 1, 2, 3, 5, 6, 101};
    const int counts[] = {0, 0, 0, 1, 1, 2, 33};
    for (std::size_t i = 0; i < std::size(widths); ++i) {
        EXPECT_EQ(SegmentCount(widths[i]), counts[i]) << widths[i];
    }
}

TEST(LevelBarGeometry, ColoursFollowZoneAndLitState) {
    const LevelBarZones zones = ComputeZones(100, 0.8f); // lit below 78
    struct Case {
        int x;
        Rgb colour;
    };
    const Case cases[] = {
        {0, {0, 255, 0}},    {66, {0, 255, 0}},    {69, {255, 255, 0}}, {75, {255, 255, 0}},
        {78, {60, 60, 0}},   {87, {60, 60, 0}},    {90, {60, 0, 0}},    {96, {60, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SegmentColour(c.x, zones), c.colour) << c.x;
    }
    const LevelBarZones empty = ComputeZones(100, 0.0f);
    EXPECT_EQ(SegmentColour(0, empty), (Rgb{0, 60, 0}));
    const LevelBarZones full = ComputeZones(100, 1.0f);
    EXPECT_EQ(SegmentColour(96, full), (Rgb{255, 0, 0}));
}

TEST(LevelBarGeometry, OddLevelsLightNothingOrEverything) {
    EXPECT_EQ(ComputeZones(100, -0.5f).lit, 0);
    EXPECT_EQ(ComputeZones(100, std::numeric_limits<float>::quiet_NaN()).lit, 0);
    EXPECT_EQ(ComputeZones(100, 7.0f).lit, 99);
}

} // namespace
} // namespace lumisett::plugin
