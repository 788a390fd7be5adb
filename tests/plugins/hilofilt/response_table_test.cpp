// The response table, its noise curve, the spectral routine, and the parameters with their
// headless keys.

#include "plugins/hilofilt/core/filter_parameters.h"
#include "plugins/hilofilt/core/response_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace lumisett::hilofilt {
namespace {

std::vector<float> Response(const FilterParameters& p, std::int32_t rate, std::int32_t bins) {
    std::vector<float> h(static_cast<std::size_t>(bins));
    BuildResponse(p, rate, bins, h.data());
    return h;
}

TEST(ResponseTable, DefaultsAt44100HzAnd2048Bins) {
    const auto h = Response(kDefaultParameters, 44100, 2048);
    // d = 10.77 Hz: the high-pass reaches up to element 1, the low-pass starts at 1207.
    EXPECT_NEAR(h[1], 0.12788, 1e-4); // 10^(0.5 · (1 − 30/d))
    EXPECT_EQ(h[0], h[1]) << "the lowest bin, at d, takes the gain of d";
    for (std::size_t j = 2; j <= 1206; ++j) {
        ASSERT_EQ(h[j], 1.0f) << j;
    }
    // Element 1207 lies at 12995 Hz, a little below the corner, so the formula gives a hair
    // above 1 there (+0.004 dB); the first element past the corner is just below 1.
    EXPECT_NEAR(h[1207], 1.0, 5e-4);
    EXPECT_LT(h[1208], 1.0f);
    EXPECT_GT(h[1208], 0.999f);
    EXPECT_NEAR(h[2047], 0.44909, 1e-4); // 10^(0.5 · (1 − 2047 · d / 13000))
    for (std::size_t j = 1208; j < 2048; ++j) {
        ASSERT_LT(h[j], h[j - 1]) << "the stop band falls steadily, at " << j;
    }
}

TEST(ResponseTable, StopBandsFallByFiveSixthsOfTheSlopePerOctaveBeyondTheCorner) {
    // 44100 / 2 / 441 = 50 Hz per element, so octaves land on elements: 1 kHz is element 20.
    const FilterParameters p{1000.0f, 12.0f, 2000.0f, 18.0f};
    const auto h = Response(p, 44100, 441);
    const auto decibels = [&](std::size_t j) { return 20.0 * std::log10(h[j]); };
    EXPECT_NEAR(decibels(10), -10.0, 1e-4); // 500 Hz, one octave below 1 kHz
    EXPECT_NEAR(decibels(5), -30.0, 1e-4);  // 250 Hz: (5/6) · 12 · (1 − 4)
    EXPECT_NEAR(decibels(80), -15.0, 1e-4); // 4 kHz, one octave above 2 kHz
}

TEST(ResponseTable, TheLowestBinFollowsTheHighPassAtItsOwnFrequency) {
    // 1024 bins: d = 21.53 Hz, so no element but the first lies below a 30 Hz corner.
    const auto h = Response(kDefaultParameters, 44100, 1024);
    EXPECT_NEAR(h[0], std::pow(10.0, 0.5 * (1.0 - 30.0 / 21.533203125)), 1e-6); // -4 dB
    EXPECT_EQ(h[1], 1.0f);
    // A corner below the first bin leaves it alone; slope 0 leaves it at 1.
    EXPECT_EQ(Response({20.0f, 24.0f, 13000.0f, 12.0f}, 44100, 1024)[0], 1.0f);
    EXPECT_EQ(Response({180.0f, 0.0f, 13000.0f, 12.0f}, 44100, 1024)[0], 1.0f);
    EXPECT_NEAR(Response({180.0f, 24.0f, 13000.0f, 12.0f}, 44100, 1024)[0],
                std::pow(10.0, 1.0 - 180.0 / 21.533203125), 1e-12); // -147 dB
}

TEST(ResponseTable, FlatGivesOneEverywhereAndNoiseAtTheReferenceLine) {
    for (const auto& [rate, bins] : {std::pair{44100, 2048}, {48000, 128}, {8000, 4096}, {96000, 1}}) {
        const auto h = Response(kFlatParameters, rate, bins);
        for (float g : h) {
            ASSERT_EQ(g, 1.0f) << rate << " Hz, " << bins << " bins";
        }
    }
    EXPECT_EQ(NoiseValue(1.0f), static_cast<float>(1.0 / 46341.0));
    EXPECT_FLOAT_EQ(NoiseValue(0.5f), static_cast<float>(2.0 / 46341.0));
    EXPECT_EQ(NoiseValue(0.0f), std::numeric_limits<float>::max()) << "a gain that underflowed";
}

TEST(ResponseTable, CornersFarOutsideTheirRangesStayInsideTheTable) {
    // Values a parameter file may hold: the table is written in its K elements and no further.
    const FilterParameters cases[] = {
        {1.0e9f, 24.0f, 13000.0f, 12.0f}, // high-pass corner above every bin
        {30.0f, 12.0f, 1.0e-3f, 6.0f},    // low-pass corner below the first bin
        {3.0e38f, 100.0f, 3.0e38f, 100.0f},
        {1.0e-30f, 0.0f, 20.0f, 0.0f},
    };
    constexpr std::size_t kBins = 256;
    constexpr float kGuard = -7.0f;
    for (const FilterParameters& p : cases) {
        std::vector<float> h(kBins + 16, kGuard);
        BuildResponse(p, 44100, kBins, h.data());
        for (std::size_t j = 0; j < kBins; ++j) {
            ASSERT_TRUE(std::isfinite(h[j]) && h[j] >= 0.0f) << p.highPassHz << " / " << p.lowPassHz << " at " << j;
        }
        for (std::size_t j = kBins; j < h.size(); ++j) {
            ASSERT_EQ(h[j], kGuard) << "written past the bin count";
        }
    }
}

TEST(ResponseTable, TheSpectralRoutineScalesBothMagnitudeAndBothGainRows) {
    constexpr int kBins = 8;
    std::vector<float> h(kBins);
    std::vector<float> frame(4 * kBins);
    for (int j = 0; j < kBins; ++j) {
        h[static_cast<std::size_t>(j)] = 0.5f + 0.1f * static_cast<float>(j);
    }
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = static_cast<float>(i + 1);
    }
    const auto before = frame;
    ApplyResponse(h.data(), kBins, frame.data());
    for (std::size_t i = 0; i < frame.size(); ++i) {
        EXPECT_EQ(frame[i], before[i] * h[i % kBins]) << i;
    }
}

TEST(FilterParameters, AFileIsTakenAsItIsUnlessAValueCannotMakeATable) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        FilterParameters read;
        FilterParameters used;
    };
    const Case cases[] = {
        {{5.0f, 30.0f, 22000.0f, 0.0f}, {5.0f, 30.0f, 22000.0f, 0.0f}}, // outside the editor's ranges
        {{nan, 12.0f, 13000.0f, inf}, {30.0f, 12.0f, 13000.0f, 12.0f}},
        {{0.0f, -3.0f, -1.0f, 6.0f}, {30.0f, 12.0f, 13000.0f, 6.0f}},
        {{100.0f, 6.0f, inf, nan}, {100.0f, 6.0f, 13000.0f, 12.0f}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Sanitized(c.read), c.used);
    }
}

TEST(FilterParameters, HeadlessKeysTakeTheEditorsRangesAndRefuseTheRest) {
    const FilterParameters start{50.0f, 6.0f, 9000.0f, 18.0f};
    struct Case {
        const char* key;
        const char* value;
        bool accepted;
        FilterParameters after;
    };
    const Case cases[] = {
        {"hp_freq", "20", true, {20.0f, 6.0f, 9000.0f, 18.0f}},
        {"hp_freq", "180", true, {180.0f, 6.0f, 9000.0f, 18.0f}},
        {"hp_freq", "19.9", false, start},
        {"hp_freq", "181", false, start},
        {"hp_slope", "0", true, {50.0f, 0.0f, 9000.0f, 18.0f}},
        {"hp_slope", "24.5", false, start},
        {"lp_freq", "2000", true, {50.0f, 6.0f, 2000.0f, 18.0f}},
        {"lp_freq", "20000", true, {50.0f, 6.0f, 20000.0f, 18.0f}},
        {"lp_freq", "1999", false, start},
        {"lp_slope", "7.5", true, {50.0f, 6.0f, 9000.0f, 7.5f}},
        {"lp_slope", "-1", false, start},
        {"flat", "1", true, kFlatParameters},
        {"flat", "0", false, start},
        {"hp_freq", "", false, start},
        {"hp_freq", "40Hz", false, start},
        {"hp_freq", "nan", false, start},
        {"lp_freq", "inf", false, start},
        {"gain", "1", false, start},
    };
    for (const Case& c : cases) {
        const auto result = WithSetting(start, c.key, c.value);
        ASSERT_EQ(result.has_value(), c.accepted) << c.key << "=" << c.value;
        if (result) {
            EXPECT_EQ(*result, c.after) << c.key << "=" << c.value;
        }
    }
}

} // namespace
} // namespace lumisett::hilofilt
