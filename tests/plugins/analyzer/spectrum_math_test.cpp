// The display arithmetic: column map, trace heights and smoothing, noise curve, decay figure.

#include "plugins/analyzer/core/spectrum_math.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace lumisett::analyzer {
namespace {

constexpr int kWidth = 300;
constexpr float kHeight = 200.0f;

std::vector<std::int32_t> Map(int width, double low, double high, std::int32_t bins, std::int32_t rate) {
    std::vector<std::int32_t> map(static_cast<std::size_t>(width));
    BuildColumnMap(map, low, high, bins, rate);
    return map;
}

// A trace of kMaxColumns atomics, as the watch keeps them.
struct TestTrace {
    std::array<std::atomic<float>, kMaxColumns> values{};
    Trace span(std::size_t width) { return Trace(values.data(), width); }
    float at(std::size_t i) const { return values[i].load(); }
};

// The magnitude that lies `decibels` below the scale's 0 dB.
float Magnitude(double decibels) {
    return static_cast<float>(std::pow(10.0, (96.0 + decibels) / 20.0));
}

TEST(AnalyzerColumnMap, NeverFallsStaysInsideTheRowAndFollowsTheFrequency) {
    struct Case {
        double low, high;
        std::int32_t bins, rate;
        int width;
    };
    for (const Case& c : {Case{2.0, 4.0, 2048, 44100, 300}, Case{1.0, 4.3, 128, 8000, 1000},
                          Case{3.0, 3.5, 4096, 48000, 235}, Case{1.0, 4.32, 2048, 22050, 500}}) {
        const auto map = Map(c.width, c.low, c.high, c.bins, c.rate);
        for (std::size_t i = 0; i < map.size(); ++i) {
            EXPECT_GE(map[i], 1);
            EXPECT_LE(map[i], c.bins - 1);
            if (i > 0) {
                EXPECT_GE(map[i], map[i - 1]) << "column " << i;
            }
        }
    }
    // 100 Hz at 44.1 kHz with 2048 bins: trunc(100 * 4096 / 44100) + 1 = 10.
    const auto map = Map(kWidth, 2.0, 4.0, 2048, 44100);
    EXPECT_EQ(map[0], 10);
    // The last column is just below 10 kHz: element 928 of 2048.
    EXPECT_EQ(map.back(), static_cast<std::int32_t>(std::pow(10.0, 2.0 + 299.0 * 2.0 / 300.0) * 4096 / 44100) + 1);
    // At low frequencies several columns share one element.
    EXPECT_EQ(map[0], map[1]);
}

TEST(AnalyzerTraceHeight, DecibelAndLinearScalesPlaceTheReferenceLevels) {
    for (bool decibel : {true, false}) {
        const LevelScale scale{.decibel = decibel, .depth = 50, .top = 0, .height = kHeight};
        SCOPED_TRACE(decibel ? "decibel" : "linear");
        EXPECT_NEAR(TraceHeight(Magnitude(0.0), scale), kHeight, 1e-3);       // top reference: top edge
        EXPECT_DOUBLE_EQ(TraceHeight(Magnitude(20.0), scale), kHeight);      // louder: held there
        EXPECT_NEAR(TraceHeight(Magnitude(-50.0), scale), 0.0, 1e-3);        // bottom of the scale
        EXPECT_LT(TraceHeight(Magnitude(-70.0), scale), 0.0 + 1e-9);         // below: not limited
    }
    const LevelScale decibel{.decibel = true, .depth = 50, .top = 0, .height = kHeight};
    EXPECT_EQ(TraceHeight(0.0, decibel), 0.0);       // zero magnitude: the bottom
    EXPECT_EQ(TraceHeight(std::nan(""), decibel), 0.0);
    EXPECT_NEAR(TraceHeight(Magnitude(-25.0), decibel), kHeight / 2, 1e-3);
    const LevelScale shifted{.decibel = true, .depth = 30, .top = -20, .height = kHeight};
    EXPECT_NEAR(TraceHeight(Magnitude(20.0), shifted), kHeight, 1e-3); // top at +20 dB
}

TEST(AnalyzerTrace, DecayOneFollowsEachFrameAndDecayTenReaches65PercentInTenFrames) {
    const auto map = Map(kWidth, 2.0, 4.0, 2048, 44100);
    const LevelScale scale{.decibel = true, .depth = 50, .top = 0, .height = kHeight};
    std::vector<float> loud(2048, Magnitude(0.0));
    std::vector<float> quiet(2048, Magnitude(-25.0));

    TestTrace direct;
    UpdateTrace(direct.span(map.size()), map, loud.data(), scale, 1);
    EXPECT_NEAR(direct.at(150), kHeight, 1e-3);
    UpdateTrace(direct.span(map.size()), map, quiet.data(), scale, 1);
    for (std::size_t i : {0u, 1u, 150u, 299u}) {
        EXPECT_NEAR(direct.at(i), kHeight / 2, 1e-3) << i;
    }

    TestTrace smooth;
    for (int frame = 1; frame <= 10; ++frame) {
        UpdateTrace(smooth.span(map.size()), map, loud.data(), scale, 10);
        if (frame == 1) {
            EXPECT_NEAR(smooth.at(100), kHeight / 10, 1e-3);
        }
    }
    EXPECT_NEAR(smooth.at(100) / kHeight, 1.0 - std::pow(0.9, 10), 1e-4); // 0.651
    EXPECT_GT(smooth.at(100) / kHeight, 0.65);

    UpdateTrace(smooth.span(map.size()), map, nullptr, scale, 10); // no frame: empty at once
    EXPECT_EQ(smooth.at(100), 0.0f);
}

TEST(AnalyzerTrace, ColumnsTakeTheMeanOfTheirElementsAndColumnZeroCopiesColumnOne) {
    const std::vector<std::int32_t> map{3, 3, 5, 5, 9};
    std::vector<float> row(16, 0.0f);
    row[3] = Magnitude(0.0); // column 1 starts at element map[1] = 3 and ends there
    row[4] = Magnitude(0.0); // column 2: mean of elements 4 and 5
    row[5] = 0.0f;
    const LevelScale linear{.decibel = false, .depth = 50, .top = 0, .height = 100.0f};
    TestTrace trace;
    UpdateTrace(trace.span(map.size()), map, row.data(), linear, 1);
    const double bottom = Magnitude(-50.0);
    const double top = Magnitude(0.0);
    EXPECT_NEAR(trace.at(1), 100.0, 1e-3);
    EXPECT_NEAR(trace.at(2), (top / 2 - bottom) * 100.0 / (top - bottom), 1e-3);
    EXPECT_EQ(trace.at(3), trace.at(2)); // element already used: repeats the column before
    EXPECT_EQ(trace.at(0), trace.at(1));
}

TEST(AnalyzerNoiseCurve, FlatFilterTableLies2Point7DecibelsBelowTheReference) {
    const auto map = Map(kWidth, 2.0, 4.0, 2048, 44100);
    const LevelScale scale{.decibel = true, .depth = 50, .top = 0, .height = kHeight};
    std::vector<float> table(2 * 2048, static_cast<float>(1.0 / 46341.0)); // H = 1, L = 1
    TestTrace curve;
    UpdateNoiseCurve(curve.span(map.size()), map, table.data(), 1.0, scale);
    const double expected = (50.0 - 96.0 + 20.0 * std::log10(46341.0)) * kHeight / 50.0;
    EXPECT_NEAR(expected, kHeight * (1.0 - 2.7 / 50.0), 0.1);
    for (std::size_t i : {0u, 1u, 150u, 299u}) {
        EXPECT_NEAR(curve.at(i), expected, 1e-2) << i;
    }
    // The reference divides: L = 10 moves the curve 20 dB down; no lower smoothing.
    UpdateNoiseCurve(curve.span(map.size()), map, table.data(), 10.0, scale);
    EXPECT_NEAR(curve.at(150), expected - 20.0 * kHeight / 50.0, 1e-2);
    // Below the bottom of the scale the curve lies at 0, not below.
    UpdateNoiseCurve(curve.span(map.size()), map, table.data(), 1e4, scale);
    EXPECT_EQ(curve.at(150), 0.0f);
    // No table, or a reference that is no positive number: empty.
    for (double reference : {0.0, -1.0, std::nan("")}) {
        UpdateNoiseCurve(curve.span(map.size()), map, table.data(), 1.0, scale);
        UpdateNoiseCurve(curve.span(map.size()), map, table.data(), reference, scale);
        EXPECT_EQ(curve.at(150), 0.0f) << reference;
    }
    UpdateNoiseCurve(curve.span(map.size()), map, table.data(), 1.0, scale);
    UpdateNoiseCurve(curve.span(map.size()), map, nullptr, 1.0, scale);
    EXPECT_EQ(curve.at(150), 0.0f);
}

TEST(AnalyzerDecayFigure, IsLnDTimesTheFramePeriodInMilliseconds) {
    struct Case {
        int decay;
        std::int32_t bins, rate;
        const char* text;
    };
    for (const Case& c : {Case{1, 2048, 44100, "   0"}, Case{2, 2048, 44100, "  32"},
                          Case{10, 2048, 44100, " 106"}, Case{10, 4096, 8000, "1179"}}) {
        EXPECT_EQ(DecayFigure(c.decay, c.bins, c.rate), c.text) << c.decay << " " << c.bins << " " << c.rate;
    }
}

} // namespace
} // namespace lumisett::analyzer
