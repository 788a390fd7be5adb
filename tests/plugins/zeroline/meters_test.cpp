#include "plugins/zeroline/core/meters.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

namespace lumisett::zeroline {
namespace {

struct ReadingCase {
    std::int32_t peak;
    float level;
    const char* text;
    float target;
};

TEST(CorrectionMeters, TurnPeaksIntoLevelTextAndBarTarget) {
    const ReadingCase cases[] = {
        {0, -100.0f, "-inf", 0.0f},
        {-5, -100.0f, "-inf", 0.0f},
        {1, -90.309f, "-90.3", 0.0f},
        {3, -80.7666f, "-80.8", 0.0f},
        {4, -78.2678f, "-78.3", (80.0f - 78.2678f) * 0.0166f},
        {16384, -6.0206f, " -6.0", (80.0f - 6.0206f) * 0.0166f},
        {32768, 0.0f, " +0.0", 80.0f * 0.0166f},
        {65535, 6.0205f, " +6.0", (80.0f + 6.0205f) * 0.0166f},
    };
    for (const ReadingCase& c : cases) {
        float held = kSilenceDb;
        const ChannelReading reading = ReadChannel(c.peak, held);
        EXPECT_NEAR(reading.level, c.level, 1e-3) << c.peak;
        EXPECT_EQ(reading.text, c.text) << c.peak;
        EXPECT_NEAR(reading.barTarget, c.target, 1e-5) << c.peak;
        EXPECT_EQ(held, reading.level) << c.peak;
    }
}

TEST(CorrectionMeters, HeldTextMatchesPrintfInTheCLocale) {
    std::setlocale(LC_NUMERIC, "C");
    for (float held = -99.95f; held < 7.0f; held += 0.0625f) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%+5.1f", static_cast<double>(held));
        ASSERT_EQ(HeldText(held), expected) << held;
    }
}

TEST(CorrectionMeters, HoldTheHighestLevelUntilReset) {
    CorrectionMeters meters;
    meters.Publish(16384, 4);
    meters.Tick(false);
    meters.Publish(1, 8);
    auto readings = meters.Tick(false);
    EXPECT_EQ(readings[0].text, " -6.0") << "held from the louder block";
    EXPECT_NEAR(readings[0].level, -90.309f, 1e-3) << "the bar shows the current block";
    EXPECT_EQ(readings[1].text, "-72.2");

    meters.ResetHeld();
    meters.Publish(0, 0);
    readings = meters.Tick(false);
    EXPECT_EQ(readings[0].text, "-inf");
    EXPECT_EQ(readings[1].text, "-inf");
}

TEST(CorrectionMeters, WhilePausedTheBarsFallButTheHeldValuesStay) {
    CorrectionMeters meters;
    meters.Publish(16384, 16384);
    auto readings = meters.Tick(true);
    EXPECT_GT(readings[0].barTarget, 1.0f) << "the tick still shows the last block";

    readings = meters.Tick(true);
    EXPECT_EQ(readings[0].barTarget, 0.0f);
    EXPECT_EQ(readings[1].barTarget, 0.0f);
    EXPECT_EQ(readings[0].text, " -6.0");
}

} // namespace
} // namespace lumisett::zeroline
