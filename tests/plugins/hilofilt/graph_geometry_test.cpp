// The editor graph's arithmetic, without pixels: handle placement, grabbing, dragging with its
// limits, the response sketch and the figures.

#include "plugins/hilofilt/core/graph_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lumisett::hilofilt {
namespace {

class GraphGeometryTest : public testing::Test {
protected:
    // The size the editor uses; the rules hold for any size.
    const GraphGeometry g_{364, 200};
};

TEST_F(GraphGeometryTest, TheLayoutFollowsTheControlsSize) {
    EXPECT_EQ(g_.half(), 160);
    EXPECT_EQ(g_.plotRight(), 324);
    EXPECT_EQ(g_.plotBottom(), 165);
    EXPECT_EQ(g_.lowPassStart(), 169);
    EXPECT_EQ(g_.lowPassEnd(), 320);
    EXPECT_EQ(g_.lowPassDecade(), 155);
    EXPECT_EQ(g_.slopeScale(), 137);
    EXPECT_EQ(g_.slopeBottom(), 161);
    EXPECT_NEAR(g_.LeftScaleX(std::pow(10.0, 1.28)), g_.plotLeft(), 1e-9);
    EXPECT_NEAR(g_.RightScaleX(std::pow(10.0, 4.3)), g_.plotRight(), 1e-9);
}

TEST_F(GraphGeometryTest, TheDefaultsPlaceBothHandlesHalfwayDownAt18And81PercentOfTheirRanges) {
    const GraphPoint hp = HighPassHandle(g_, kDefaultParameters);
    const GraphPoint lp = LowPassHandle(g_, kDefaultParameters);
    EXPECT_NEAR(static_cast<double>(hp.x - g_.highPassStart()) / g_.half(), 0.176, 0.01);
    EXPECT_NEAR(static_cast<double>(lp.x - g_.lowPassStart()) / g_.lowPassDecade(), 0.81, 0.01);
    const int halfway = g_.slopeTop() + g_.slopeScale() / 2;
    EXPECT_NEAR(hp.y, halfway, 1);
    EXPECT_NEAR(lp.y, halfway, 1);
    // Grabbing the defaults' handles and letting go where they stand gives the defaults back,
    // to a pixel's worth.
    const DragStep high = DragHighPass(g_, hp.x, hp.y);
    EXPECT_EQ(high.handle, hp);
    EXPECT_NEAR(high.hz, 30.0, 0.5);
    EXPECT_NEAR(high.slope, 12.0, 0.2);
    const DragStep low = DragLowPass(g_, lp.x, lp.y);
    EXPECT_EQ(low.handle, lp);
    EXPECT_NEAR(low.hz, 13000.0, 200.0);
    EXPECT_NEAR(low.slope, 12.0, 0.2);
}

TEST_F(GraphGeometryTest, FlatPutsTheHandlesAtTheTopOfTheirOuterEnds) {
    EXPECT_EQ(HighPassHandle(g_, kFlatParameters), (GraphPoint{g_.highPassStart(), g_.slopeTop()}));
    EXPECT_EQ(LowPassHandle(g_, kFlatParameters), (GraphPoint{g_.lowPassEnd(), g_.slopeTop()}));
}

TEST_F(GraphGeometryTest, APressWithinTwoPixelsGrabsAHandle) {
    const GraphPoint handle{50, 80};
    for (const auto& [x, y, grabs] : {std::tuple{50, 80, true}, {52, 78, true}, {48, 82, true}, {53, 80, false},
                                     {50, 77, false}, {47, 83, false}}) {
        EXPECT_EQ(GrabsHandle(handle, x, y), grabs) << x << ", " << y;
    }
}

TEST_F(GraphGeometryTest, DraggingPastARangesEndLeavesTheValueAtItsLimitAndTheHandleJustInside) {
    const int top = g_.slopeTop() + 1;
    const int bottom = g_.slopeBottom() - 1;
    struct Case {
        bool highPass;
        int x;
        int y;
        GraphPoint handle;
        float hz;
        float slope;
    };
    const Case cases[] = {
        {true, -40, -40, {g_.highPassStart() + 1, top}, 20.0f, 0.0f},
        {true, 900, 900, {g_.highPassEnd() - 1, bottom}, 180.0f, 24.0f},
        {true, g_.highPassStart(), g_.slopeTop(), {g_.highPassStart() + 1, top}, 20.0f, 0.0f},
        {false, 0, 5, {g_.lowPassStart() + 1, top}, 2000.0f, 0.0f},
        {false, 2000, 400, {g_.lowPassEnd() - 1, bottom}, 20000.0f, 24.0f},
    };
    for (const Case& c : cases) {
        const DragStep step = c.highPass ? DragHighPass(g_, c.x, c.y) : DragLowPass(g_, c.x, c.y);
        EXPECT_EQ(step.handle, c.handle) << c.x << ", " << c.y;
        EXPECT_FLOAT_EQ(step.hz, c.hz) << c.x << ", " << c.y;
        EXPECT_FLOAT_EQ(step.slope, c.slope) << c.x << ", " << c.y;
    }
    // Inside the ranges the pointer, not the handle, sets the values.
    const DragStep mid = DragHighPass(g_, g_.highPassStart() + g_.half() / 2, g_.slopeTop() + g_.slopeScale() / 4);
    EXPECT_NEAR(mid.hz, std::pow(10.0, 0.5 + 1.301), 0.01);
    EXPECT_NEAR(mid.slope, 6.0, 0.2);
}

TEST_F(GraphGeometryTest, TheSketchOfFlatFillsTheWholeWidthTo0Decibels) {
    const auto sketch = ResponseSketch(g_, kFlatParameters, HighPassHandle(g_, kFlatParameters),
                                       LowPassHandle(g_, kFlatParameters));
    const double zero = g_.zeroDecibelY();
    const double bottom = g_.plotBottom();
    EXPECT_EQ(sketch[0].x, g_.plotLeft());
    EXPECT_EQ(sketch[0].y, bottom);
    EXPECT_EQ(sketch[1].x, g_.plotLeft());
    for (std::size_t i = 1; i <= 4; ++i) {
        EXPECT_EQ(sketch[i].y, zero) << i;
    }
    EXPECT_EQ(sketch[4].x, g_.plotRight());
    EXPECT_EQ(sketch[5].x, g_.plotRight());
    EXPECT_EQ(sketch[5].y, bottom);
}

TEST_F(GraphGeometryTest, TheSketchReachesTheBottomWhereTheSlopePasses50Decibels) {
    // At the defaults the ends lie at (30/20 − 1) · 12 = 6 dB and (20000/13000 − 1) · 12 = 6.5 dB.
    const auto gentle = ResponseSketch(g_, kDefaultParameters, {34, 92}, {295, 92});
    EXPECT_EQ(gentle[1].x, g_.plotLeft());
    EXPECT_NEAR(gentle[1].y, g_.DepthY(6.0), 1e-9);
    EXPECT_EQ(gentle[2].x, 34);
    EXPECT_EQ(gentle[3].x, 295);
    EXPECT_NEAR(gentle[4].y, g_.DepthY((20000.0 / 13000.0 - 1.0) * 12.0), 1e-9);
    // 180 Hz at 24 dB/oct: (9 − 1) · 24 = 192 dB at 20 Hz; the bottom is met at 180 / (1 + 50/24).
    const FilterParameters steep{180.0f, 24.0f, 2000.0f, 24.0f};
    const auto deep = ResponseSketch(g_, steep, HighPassHandle(g_, steep), LowPassHandle(g_, steep));
    EXPECT_NEAR(deep[1].x, g_.LeftScaleX(180.0 / (1.0 + 50.0 / 24.0)), 1e-9);
    EXPECT_EQ(deep[1].y, g_.plotBottom());
    EXPECT_NEAR(deep[4].x, g_.RightScaleX(2000.0 * (1.0 + 50.0 / 24.0)), 1e-9);
    EXPECT_EQ(deep[4].y, g_.plotBottom());
}

TEST_F(GraphGeometryTest, ParametersFarOutsideTheRangesStillGiveDrawablePositions) {
    const FilterParameters wild{3.0e38f, 1.0e30f, 1.0e-30f, 3.0e38f};
    const GraphPoint hp = HighPassHandle(g_, wild);
    const GraphPoint lp = LowPassHandle(g_, wild);
    EXPECT_LE(std::abs(hp.x), 1000000);
    EXPECT_LE(std::abs(hp.y), 1000000);
    EXPECT_LE(std::abs(lp.x), 1000000);
    for (const SketchPoint& point : ResponseSketch(g_, wild, hp, lp)) {
        EXPECT_TRUE(std::isfinite(point.x) && std::isfinite(point.y));
    }
}

TEST(GraphFigures, TheFourFiguresBelowThePlot) {
    const auto texts = FigureTexts({30.0f, 12.0f, 13000.0f, 7.5f});
    EXPECT_EQ(texts[0], " 30.0 Hz ");
    EXPECT_EQ(texts[1], "12.0 dB/oct ");
    EXPECT_EQ(texts[2], "13.0 kHz ");
    EXPECT_EQ(texts[3], " 7.5 dB/oct ");
}

} // namespace
} // namespace lumisett::hilofilt
