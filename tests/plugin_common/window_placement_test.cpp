#include "plugin_common/runtime/window_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace lumisett::plugin {
namespace {

constexpr ParameterLayout kLayout{"test.par", 32, 1, 16};

std::optional<WindowPlacement> Place(WindowRect rect, bool positionValid = true) {
    ParameterRecord record(kLayout);
    record.SetRectangle(rect);
    record.SetPositionValid(positionValid);
    return PlacementFromRecord(record);
}

TEST(WindowPlacement, UsesTheSavedRectangleOnlyWhenItIsTrusted) {
    const auto saved = Place({100, 50, 400, 250});
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->x, 100);
    EXPECT_EQ(saved->y, 50);
    EXPECT_EQ(saved->width, 300);
    EXPECT_EQ(saved->height, 200);

    EXPECT_FALSE(Place({100, 50, 400, 250}, false)) << "invalid file at start-up";
    EXPECT_FALSE(Place({100, 50, 0, 250})) << "never saved: right edge 0";
}

TEST(WindowPlacement, AnEmptyOrInsideOutRectangleOnlyMovesTheWindow) {
    for (const WindowRect rect : {WindowRect{10, 10, 5, 40}, WindowRect{10, 10, 40, 10}}) {
        const auto place = Place(rect);
        ASSERT_TRUE(place);
        EXPECT_EQ(place->width, 0);
        EXPECT_EQ(place->x, 10);
    }
}

TEST(WindowPlacement, ExtremeCoordinatesStayBounded) {
    const auto place = Place({INT_MIN, INT_MAX, INT_MAX, INT_MIN});
    ASSERT_TRUE(place);
    EXPECT_GT(place->x, INT_MIN / 2);
    EXPECT_LT(place->y, INT_MAX / 2);
    EXPECT_EQ(place->width, 0);
    EXPECT_EQ(place->height, 0);
}

} // namespace
} // namespace lumisett::plugin
