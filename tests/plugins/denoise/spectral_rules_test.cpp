// The de-noiser's arithmetic: gain rule, display bands, profiles, tables and slider scales.

#include "plugins/denoise/core/slider_scale.h"
#include "plugins/denoise/core/spectral_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace lumisett::denoise {
namespace {

struct AttenuationCase {
    float reduction;
    long double v;
    long double expected;
};

TEST(GainRule, AttenuationBlendsTheSquareRootAndTheSquareLaw) {
    const AttenuationCase cases[] = {
        {0.0f, 0.25L, 0.5L}, {1.0f, 0.25L, 0.0625L}, {0.5f, 0.25L, 0.28125L},
        {0.0f, 1.0L, 1.0L},  {1.0f, 1.0L, 1.0L},     {0.3f, 1.0L, 1.0L},
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(static_cast<double>(Attenuation(c.v, c.reduction)), static_cast<double>(c.expected), 1e-7)
            << "R " << c.reduction << " v " << static_cast<double>(c.v);
    }
    for (float r : {0.0f, 0.5f, 1.0f}) {
        const long double a = Attenuation(0.999999L, r);
        EXPECT_LT(a, 1.0L);
        EXPECT_GT(a, 0.99999L);
    }
}

TEST(GainRule, LeavesBinsAtOrAboveTheThresholdAndScalesMagnitudeAndGainBelowIt) {
    // T·t = 1/4: v = m/4.
    const std::array<float, 4> table{0.25f, 0.25f, 0.25f, 0.25f};
    std::array<float, 4> m{4.0f, 8.0f, 1.0f, 0.0f};
    std::array<float, 4> g{0.5f, 0.5f, 0.5f, 0.5f};
    ApplyGainRule(4, table.data(), m.data(), g.data(), 1.0f, 0.0f);
    EXPECT_EQ(m[0], 4.0f); // v exactly 1
    EXPECT_EQ(g[0], 0.5f);
    EXPECT_EQ(m[1], 8.0f);
    EXPECT_FLOAT_EQ(m[2], 0.5f); // v = 0.25, a = 0.5
    EXPECT_FLOAT_EQ(g[2], 0.25f);
    EXPECT_EQ(m[3], 0.0f);
}

TEST(GainRule, ThresholdTenWithTheWhiteProfileAttenuatesBelowSixPointFive) {
    std::vector<float> profile(2 * 64);
    LoadWhiteProfile(profile);
    std::vector<float> table(2 * 64);
    BuildNoiseTable(profile, 64, table);
    std::array<float, 3> m{6.5f, 6.6f, 100.0f};
    std::array<float, 3> g{1.0f, 1.0f, 1.0f};
    ApplyGainRule(3, table.data(), m.data(), g.data(), 10.0f, 0.5f);
    EXPECT_LT(g[0], 1.0f);
    EXPECT_EQ(g[1], 1.0f);
    EXPECT_EQ(g[2], 1.0f);
}

TEST(GainRule, AZeroNoiseLevelNeverTurnsASilentBinIntoNaN) {
    const float table[] = {INFINITY};
    float m[] = {0.0f};
    float g[] = {0.25f};
    ApplyGainRule(1, table, m, g, 1.0f, 0.5f);
    EXPECT_EQ(m[0], 0.0f);
    EXPECT_EQ(g[0], 0.25f);
}

struct EdgeCase {
    int rate;
    int bins;
    std::vector<int> first;
    std::vector<int> last;
};

TEST(BandEdges, FollowTheWorkedExamples) {
    const EdgeCase cases[] = {
        {44100, 1024, {5, 5, 5, 6, 6, 6}, {937, 966, 995}},
        {44100, 128, std::vector<int>(12, 1), {125}},
        {8000, 128, std::vector<int>(12, 4), {}},
    };
    for (const auto& c : cases) {
        std::array<std::int32_t, kBandCount> edges{};
        BuildBandEdges(c.rate, c.bins, edges);
        for (std::size_t i = 0; i < c.first.size(); ++i) {
            EXPECT_EQ(edges[i], c.first[i]) << c.rate << "/" << c.bins << " band " << i;
        }
        for (std::size_t i = 0; i < c.last.size(); ++i) {
            EXPECT_EQ(edges[kBandCount - c.last.size() + i], c.last[i]) << c.rate << "/" << c.bins;
        }
        for (std::size_t i = 1; i < edges.size(); ++i) {
            ASSERT_GE(edges[i], edges[i - 1]);
            ASSERT_LE(edges[i], c.bins - 1);
        }
    }
}

TEST(NoiseTable, WhiteIsFlatAtEveryBinCountPinkRisesAndRatiosAverage) {
    constexpr int n = 256;
    std::vector<float> profile(2 * n);
    std::vector<float> table(2 * n);
    LoadWhiteProfile(profile);
    for (int bins : {n, n / 4, 1}) {
        BuildNoiseTable(profile, bins, table);
        for (int i = 0; i < 2 * bins; ++i) {
            // Summed in single precision, as the table is specified: equal within its rounding.
            ASSERT_NEAR(table[static_cast<std::size_t>(i)], 1.0f / 65.536f, 1e-7) << bins;
        }
    }
    LoadPinkProfile(profile);
    EXPECT_FLOAT_EQ(profile[0], 655.36f);
    EXPECT_FLOAT_EQ(profile[n + 4], 655.36f / 2.0f);
    BuildNoiseTable(profile, n / 4, table);
    for (int i = 1; i < n / 4; ++i) {
        ASSERT_GT(table[static_cast<std::size_t>(i)], table[static_cast<std::size_t>(i - 1)]);
    }
    const float mean = (profile[4] + profile[5] + profile[6] + profile[7]) / 4.0f;
    EXPECT_FLOAT_EQ(table[1], 1.0f / mean);
    EXPECT_FLOAT_EQ(table[n / 4 + 1], 1.0f / mean); // right equals left
}

TEST(ProfileResampling, AveragesDownAndRepeatsUpPerChannel) {
    const std::vector<float> four{1, 3, 5, 7, 10, 20, 30, 40};
    std::vector<float> two(4);
    ResampleProfile(four, two);
    EXPECT_EQ(two, (std::vector<float>{2, 6, 15, 35}));
    std::vector<float> eight(16);
    ResampleProfile(two, eight);
    EXPECT_EQ(eight, (std::vector<float>{2, 2, 2, 2, 6, 6, 6, 6, 15, 15, 15, 15, 35, 35, 35, 35}));
}

TEST(SliderScale, ThresholdTextsAndReopenedPositions) {
    struct Case {
        int position;
        const char* text;
    };
    for (const Case& c : {Case{0, "49.98"}, Case{50, "24.55"}, Case{100, "-20.00"}}) {
        const double b = ThresholdDivisor(c.position);
        EXPECT_EQ(ValueText(20.0 * std::log10(b)), c.text);
        EXPECT_EQ(ValueText(DecibelsOfThreshold(1.0 / b)), c.text);
    }
    EXPECT_NEAR(ThresholdDivisor(0), 315.33, 0.005);
    EXPECT_NEAR(ThresholdDivisor(50), 16.883, 0.0005);
    EXPECT_EQ(ThresholdPosition(10.0), 100);
    EXPECT_EQ(ThresholdPosition(1.0 / ThresholdDivisor(0)), 1); // the truncation's doing
    EXPECT_EQ(ThresholdPosition(100.0), 100); // beyond the range: clamped
    EXPECT_NEAR(ThresholdFromDecibels(20.0), 0.1, 1e-12);
}

TEST(SliderScale, ReductionRunsFromAllAtTheTopToNoneAtTheBottom) {
    EXPECT_EQ(ReductionOf(0), 1.0f);
    EXPECT_EQ(ReductionOf(100), 0.0f);
    EXPECT_EQ(ReductionPosition(1.0f), 0);
    EXPECT_EQ(ReductionPosition(0.5f), 50);
    EXPECT_EQ(ReductionPosition(100.0f), 0); // an old record's 10000 %: clamped
}

} // namespace
} // namespace lumisett::denoise
