#include "plugins/declicker/core/editor_math.h"
#include "plugins/declicker/core/keys.h"
#include "plugins/declicker/core/parameter_fields.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lumisett::declicker {
namespace {

TEST(SliderFormulas, TopMiddleAndBottomOfBothSliders) {
    struct Case {
        int position;
        double declick;
        double decrackle;
        const char* text;
    };
    for (const Case c : {Case{0, 26.0, 1.0, "100.00"}, Case{50, 42.7827941, 10.0, "50.00"},
                         Case{100, 341.2277660, 100.0, "0.00"}}) {
        const double d = DeclickOfPosition(c.position);
        const double k = DecrackleOfPosition(c.position);
        EXPECT_NEAR(d, c.declick, 1e-6) << c.position;
        EXPECT_NEAR(k, c.decrackle, 1e-9) << c.position;
        EXPECT_EQ(DeclickSlider(d).position, c.position);
        EXPECT_EQ(DeclickSlider(d).text, c.text);
        EXPECT_EQ(DecrackleSlider(k).text, c.text);
    }
    // The defaults D = K = 100 stand at 75 and 100.
    EXPECT_EQ(DeclickSlider(100.0).position, 75);
    EXPECT_EQ(DeclickSlider(100.0).text, "25.00");
    EXPECT_EQ(DecrackleSlider(100.0).position, 100);
    EXPECT_EQ(DecrackleSlider(100.0).text, "0.00");
}

TEST(SliderFormulas, FactorsOutsideTheRangeShowClampedPositionsAndUnclampedTexts) {
    EXPECT_EQ(DecrackleSlider(1000.0).position, 100);
    EXPECT_EQ(DecrackleSlider(1000.0).text, "-50.00");
    EXPECT_EQ(DeclickSlider(25.5).position, 0);
    EXPECT_EQ(DeclickSlider(20.0).position, 0) << "no logarithm of a negative number";
    EXPECT_EQ(DeclickSlider(std::nan("")).position, 0);
}

TEST(ScratchDisplays, LevelTargetAndScopeLevels) {
    EXPECT_FLOAT_EQ(ScratchLevelTarget(4096, 10, 4096), 0.5f);
    EXPECT_FLOAT_EQ(ScratchLevelTarget(1, 0, 4096), 0.0f);
    EXPECT_FLOAT_EQ(ScratchLevelTarget(1LL << 40, 1LL << 34, 8192), 5.0f * 64 / 8192)
        << "no 32-bit product";

    EXPECT_EQ(ScopeLevel(49, 30, kClicksPerPixel), 34) << "30 clicks: 15 pixels up";
    EXPECT_EQ(ScopeLevel(49, 1, kClicksPerPixel), 49);
    EXPECT_EQ(ScopeLevel(49, 16, kCracklesPerPixel), 48);
    EXPECT_EQ(ScopeLevel(49, 100000, kClicksPerPixel), 0);

    EXPECT_EQ(TraceSpan(49, 34, 49), (RowSpan{35, 49})) << "rising: [level + 1, previous)";
    EXPECT_EQ(TraceSpan(34, 40, 49), (RowSpan{35, 42})) << "falling: joins the old top";
    EXPECT_EQ(TraceSpan(34, 34, 49), (RowSpan{35, 36})) << "steady: one row";
    EXPECT_EQ(TraceSpan(35, 34, 49), (RowSpan{35, 36})) << "rising by one: one row";
    EXPECT_TRUE(TraceSpan(49, 49, 49).empty()) << "at rest nothing is drawn";
}

TEST(RenderKeys, StrengthsAndSwitchesAreTakenAndAnythingElseRefused) {
    Settings settings;
    EXPECT_EQ(ApplyKey(settings, "declick", "100"), true);
    EXPECT_DOUBLE_EQ(settings.Snapshot().declick, 26.0);
    EXPECT_EQ(ApplyKey(settings, "declick", "25"), true);
    EXPECT_NEAR(settings.Snapshot().declick, 100.0, 0.02);
    EXPECT_EQ(ApplyKey(settings, "decrackle", "0"), true);
    EXPECT_DOUBLE_EQ(settings.Snapshot().decrackle, 100.0);
    EXPECT_EQ(ApplyKey(settings, "decrackle", "37.5"), true);
    EXPECT_EQ(ApplyKey(settings, "mono", "1"), true);
    EXPECT_TRUE(settings.Snapshot().monoOn());
    EXPECT_EQ(ApplyKey(settings, "deplop", "0"), true);
    EXPECT_EQ(settings.Snapshot().mergeGap, kPlainGap);
    EXPECT_EQ(settings.Snapshot().thresholdPasses, kPlainPasses);

    const SettingsValues before = settings.Snapshot();
    for (const auto& [key, value] :
         {std::pair{"declick", "101"}, {"declick", "-1"}, {"declick", ""}, {"declick", "50x"},
          {"declick", "nan"}, {"decrackle", "1e2"}, {"decrackle", "50,5"}, {"mono", "2"},
          {"mono", "true"}, {"deplop", " 1"}}) {
        EXPECT_EQ(ApplyKey(settings, key, value), false) << key << "=" << value;
    }
    EXPECT_EQ(settings.Snapshot(), before) << "a refused value changes nothing";
    EXPECT_EQ(ApplyKey(settings, "persist", "0"), std::nullopt) << "not ours";
}

TEST(ParameterRecord, DefaultsAndFieldsSitWhereTheFileHasThem) {
    plugin::ParameterRecord record({.fileName = "declicker.par", .size = kRecordSize,
                                    .magic = kRecordMagic, .rectangleOffset = kRectangleOffset});
    record.SetU32(16, 0xAABBCCDD);
    ApplyRecordDefaults(record);
    EXPECT_EQ(ValuesFromRecord(record), SettingsValues{});
    EXPECT_EQ(record.U32(16), 0xAABBCCDDu) << "bytes 16..23 are not ours";
    const auto bytes = record.bytes();
    EXPECT_EQ(bytes[34], 500 & 0xFF);
    EXPECT_EQ(bytes[35], 500 >> 8);
    EXPECT_EQ(bytes[36], 8);
    EXPECT_EQ(bytes[38], 12);
    EXPECT_DOUBLE_EQ(record.F64(8), 100.0);
    EXPECT_DOUBLE_EQ(record.F64(24), 100.0);

    SettingsValues values{.declick = 42.5, .decrackle = 3.0, .mono = 1, .minClick = -2,
                          .maxEvent = 32767, .mergeGap = 2, .thresholdPasses = 4};
    WriteValuesToRecord(values, record);
    EXPECT_EQ(ValuesFromRecord(record), values);
    EXPECT_EQ(record.bytes()[32], 0xFE);
    EXPECT_EQ(record.bytes()[33], 0xFF);
}

} // namespace
} // namespace lumisett::declicker
