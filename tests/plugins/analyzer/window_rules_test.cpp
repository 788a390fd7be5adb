// The window's rules without pixels: stepping limits, the remembered texts, the position list,
// the parameter record, the plug-in table and the axes.

#include "plugins/analyzer/core/axis_layout.h"
#include "plugins/analyzer/core/display_settings.h"
#include "plugins/analyzer/core/plugin_table.h"
#include "plugins/analyzer/core/position_list.h"
#include "plugins/analyzer/core/remembered_text.h"
#include "plugins/analyzer/core/stepping.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace lumisett::analyzer {
namespace {

using Entries = std::vector<std::string>;

float LogOf(double hertz) {
    return static_cast<float>(std::log10(hertz));
}

// The frequencies a limit passes when stepped until it stops.
std::vector<long> Walk(float low, float high, bool stepLow, bool up, int steps) {
    std::vector<long> seen;
    for (int i = 0; i < steps; ++i) {
        if (stepLow) {
            low = StepLowFrequency(low, high, up);
            seen.push_back(FrequencyOf(low));
        } else {
            high = StepHighFrequency(high, low, up);
            seen.push_back(FrequencyOf(high));
        }
    }
    return seen;
}

TEST(AnalyzerFrequencyStepping, StepsByTheDecadeBaseAndStopsAtTheLimits) {
    // From the defaults (100 Hz .. 10 kHz) the lower limit goes down to the decade boundary,
    // then in steps of the lower decade, and never below 10 Hz.
    EXPECT_EQ(Walk(2.0f, 4.0f, true, false, 11),
              (std::vector<long>{90, 80, 70, 60, 50, 40, 30, 20, 10, 10, 10}));
    EXPECT_EQ(Walk(2.0f, 4.0f, true, true, 3), (std::vector<long>{200, 300, 400}));
    EXPECT_EQ(Walk(LogOf(900), 4.0f, true, true, 2), (std::vector<long>{1000, 2000}));
    // The upper limit: up from 10 kHz by 1 kHz, never to 21000 Hz.
    EXPECT_EQ(Walk(2.0f, 4.0f, false, true, 12),
              (std::vector<long>{11000, 12000, 13000, 14000, 15000, 16000, 17000, 18000, 19000, 20000, 20000, 20000}));
    EXPECT_EQ(Walk(2.0f, 4.0f, false, false, 2), (std::vector<long>{9000, 8000}));
    EXPECT_EQ(Walk(2.0f, LogOf(12000), false, false, 3), (std::vector<long>{11000, 10000, 9000}));
    // The lower limit stays below the upper one, the upper one above the lower one plus 1 Hz.
    EXPECT_EQ(Walk(LogOf(700), LogOf(900), true, true, 3), (std::vector<long>{800, 800, 800}));
    EXPECT_EQ(Walk(LogOf(100), LogOf(300), false, false, 3), (std::vector<long>{200, 200, 200}));
}

TEST(AnalyzerScaleStepping, KeepsTwentyDecibelsAndTheOuterLimits) {
    struct Case {
        int top, depth;
        bool up;
        int newTop, newDepth;
    };
    const Case cases[] = {
        {0, 50, true, 10, 60},      {30, 50, true, 40, 60},  {40, 50, true, 40, 60},
        {-60, 50, false, -70, 40},  {-70, 50, false, -70, 40}, {0, 120, true, 10, 120},
        {0, 20, false, -10, 10},    {0, 10, false, -10, 10},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepScaleTop(c.top, c.depth, c.up), c.newTop) << c.top << "/" << c.depth;
        EXPECT_EQ(StepScaleDepth(c.depth, c.top, c.up), c.newDepth) << c.top << "/" << c.depth;
    }
    EXPECT_EQ(StepDecay(10, true), 10);
    EXPECT_EQ(StepDecay(9, true), 10);
    EXPECT_EQ(StepDecay(1, false), 1);
    EXPECT_EQ(StepDecay(2, false), 1);
}

TEST(AnalyzerPositionList, NamesGiveInAndOutEntriesThenNone) {
    const char names[] = "Ve-Vidare\0Analyzer\0Zi-Di";
    EXPECT_EQ(BuildPositionEntries(3, names),
              (Entries{"Ve-Vidare in", "Ve-Vidare out", "Analyzer in", "Analyzer out", "Zi-Di in",
                       "Zi-Di out", "none"}));
    EXPECT_EQ(BuildPositionEntries(0, names), Entries{"none"});
    EXPECT_EQ(BuildPositionEntries(-3, names), Entries{"none"});
    EXPECT_EQ(BuildPositionEntries(2, nullptr), Entries{"none"});
    // A short-form plug-in has no name and still holds its position.
    EXPECT_EQ(BuildPositionEntries(1, ""), (Entries{" in", " out", "none"}));

    PositionList list;
    EXPECT_EQ(list.Entries(), Entries{"none"});
    EXPECT_EQ(list.nameCount(), 0);
    list.Announce(1, "Analyzer");
    EXPECT_EQ(list.Entries(), (Entries{"Analyzer in", "Analyzer out", "none"}));
    EXPECT_EQ(list.nameCount(), 1);
    list.Announce(3, names);
    EXPECT_EQ(list.Entries(), BuildPositionEntries(3, names));
    EXPECT_EQ(list.nameCount(), 3);
}

TEST(AnalyzerPositionList, NeverReadsPastTheHostsBufferOrKeepsOverlongEntries) {
    // 204 bytes without any terminator: not a single whole name.
    const std::string unterminated(kNamesBufferBytes, 'x');
    EXPECT_EQ(BuildPositionEntries(5, unterminated.c_str()), Entries{"none"});
    std::string buffer(kNamesBufferBytes, '\0');
    buffer.replace(0, 60, std::string(60, 'n'));
    const Entries entries = BuildPositionEntries(1, buffer.data());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].size(), kEntryBytes - 1);
    EXPECT_TRUE(entries[1].ends_with(" out"));
    // More names announced than given: only those inside the buffer count.
    PositionList list;
    list.Announce(1000, std::string(kNamesBufferBytes, '\0').data());
    EXPECT_EQ(list.nameCount(), kMaxNames);
}

TEST(AnalyzerRememberedText, FindsTheFirstEntryBeginningWithItWhateverTheCase) {
    const Entries positions = BuildPositionEntries(2, "Ve-Vidare\0Analyzer");
    struct Case {
        const char* remembered;
        int index;
        int selection;
        const char* keeps;
    };
    const Case cases[] = {
        {"Ve-Vidare in", 0, 0, "Ve-Vidare in"}, {"ve-vidare in", 0, 0, "ve-vidare in"},
        {"VE-VIDARE OUT", 1, 1, "VE-VIDARE OUT"}, {"analyzer", 2, 2, "analyzer"},
        {"De-noiser in", 4, -1, "none"},         {"none", 4, -1, "none"},
        {"Zi-Di in", 4, -1, "none"},
    };
    for (const Case& c : cases) {
        const ListChoice choice = ChooseRemembered(positions, c.remembered);
        EXPECT_EQ(choice.index, c.index) << c.remembered;
        EXPECT_EQ(choice.selection, c.selection) << c.remembered;
        EXPECT_EQ(choice.remembered, c.keeps) << c.remembered;
    }
    // A pick remembers the entry's own text; "none" and nonsense indexes select "none".
    EXPECT_EQ(ChooseEntry(positions, 3).remembered, "Analyzer out");
    EXPECT_EQ(ChooseEntry(positions, 4).selection, -1);
    EXPECT_EQ(ChooseEntry(positions, 17).index, 4);
    EXPECT_EQ(ChooseEntry(positions, -5).remembered, "none");
    EXPECT_EQ(ChooseRemembered(Entries{"none"}, kInitialNoiseText).selection, -1);
}

TEST(AnalyzerSettingsRecord, DefaultsRoundTripAndDamagedValues) {
    plugin::ParameterRecord record({.fileName = "analyzer.par", .size = kRecordSize, .magic = kRecordMagic,
                                    .rectangleOffset = kRectangleOffset});
    record.SetI32(kLogOffset, 7);
    record.SetU32(4, 0xDEADBEEF);
    record.SetU32(52, 0x12345678);
    record.SetRectangle({1, 2, 3, 4});
    ApplyDefaults(record);
    const DisplaySettings defaults = ReadSettings(record);
    EXPECT_EQ(defaults, (DisplaySettings{.decibel = true, .decay = 2, .depth = 50, .top = 0, .low = 2.0f, .high = 4.0f}));
    EXPECT_EQ(record.I32(kLogOffset), 7); // the log flag is kept as read
    EXPECT_EQ(record.U32(kDecayOffset), 2u | (50u << 16));
    EXPECT_EQ(record.U32(kTopOffset), 0u);
    EXPECT_EQ(record.U32(4), 0xDEADBEEFu); // reserved bytes and the rectangle stay
    EXPECT_EQ(record.U32(52), 0x12345678u);
    EXPECT_EQ(record.rectangle(), (plugin::WindowRect{1, 2, 3, 4}));

    const DisplaySettings changed{.decibel = false, .decay = 10, .depth = 120, .top = -70,
                                  .low = LogOf(20), .high = LogOf(20000)};
    WriteSettings(record, changed);
    EXPECT_EQ(ReadSettings(record), changed);
    EXPECT_EQ(static_cast<std::int16_t>(record.U32(kTopOffset) & 0xFFFF), -70);

    // Values no control produces fall back to their defaults, field group by field group.
    struct Damage {
        int decay, depth, top;
        float low, high;
    };
    for (const Damage& d : {Damage{0, 50, 0, 2, 4}, Damage{2, 50, 50, 2, 4}, Damage{2, 130, 0, 2, 4},
                            Damage{2, 50, 0, 4, 2}, Damage{2, 50, 0, 0.5f, 4}, Damage{2, 50, 0, 2, 4.5f},
                            Damage{2, 50, 0, std::nanf(""), 4}}) {
        WriteSettings(record, {.decibel = true, .decay = d.decay, .depth = d.depth, .top = d.top, .low = d.low, .high = d.high});
        const DisplaySettings read = ReadSettings(record);
        EXPECT_TRUE(read.decay >= 1 && read.decay <= 10);
        EXPECT_GE(read.depth - read.top, 10);
        EXPECT_LT(read.low, read.high);
        EXPECT_GE(read.low, 1.0f - 1e-5f);
        EXPECT_LT(read.high, std::log10(21000.0f));
    }
}

TEST(AnalyzerPluginTable, ReadsTheDescriptorFilesBesideThePlugIn) {
    test::TempDir dir;
    dir.Write("denoise.eff", std::string("KORVENTIX\nVe-Vidare\n"));
    dir.Write("hilofilt.eff", std::string("KORVENTIX more words\r\n  Zi-Di extra\n"));
    dir.Write("lower.eff", std::string("korventix\nNope\n"));
    dir.Write("longer.eff", std::string("KORVENTIXX\nNope\n"));
    dir.Write("noname.eff", std::string("KORVENTIX\n"));
    dir.Write("notes.txt", std::string("KORVENTIX\nNope\n"));
    dir.Write("two.dots.eff", std::string("KORVENTIX\nTwoDots\n"));
    std::vector<PluginEntry> table = ScanPluginTable(dir.path());
    std::sort(table.begin(), table.end(), [](const auto& a, const auto& b) { return a.baseName < b.baseName; });
    EXPECT_EQ(table, (std::vector<PluginEntry>{{"denoise", "Ve-Vidare"}, {"hilofilt", "Zi-Di"}, {"two", "TwoDots"}}));
    EXPECT_EQ(LibraryFileName(table[0]), "denoise.so");
    EXPECT_EQ(FindPlugin(table, "Zi-Di")->baseName, "hilofilt");
    EXPECT_FALSE(FindPlugin(table, "zi-di"));

    for (int i = 0; i < 12; ++i) {
        dir.Write("p" + std::to_string(i) + ".eff", std::string("KORVENTIX\nP\n"));
    }
    EXPECT_EQ(ScanPluginTable(dir.path()).size(), kMaxPluginEntries);
    EXPECT_TRUE(ScanPluginTable(dir.path() + "missing/").empty());
    EXPECT_TRUE(ScanPluginTable("").empty());
}

TEST(AnalyzerAxes, TicksInsideTheAreaWithTheirLabels) {
    const auto ticks = FrequencyTicks(2.0, 4.0, 300);
    std::vector<std::string> labels;
    for (const AxisTick& tick : ticks) {
        EXPECT_GT(tick.position, 0);
        EXPECT_LT(tick.position, 300);
        if (!tick.label.empty()) {
            labels.push_back(tick.label);
        }
    }
    EXPECT_EQ(labels, (std::vector<std::string>{"1k "})); // 100 Hz and 10 kHz lie on the edges
    EXPECT_EQ(ticks.size(), 1u + 8u + 8u);
    const EndLabels ends = FrequencyEndLabels(2.0, 4.0, 300);
    EXPECT_EQ(ends.low, "100");
    EXPECT_EQ(ends.high, "10k");
    // A decade label close to an end suppresses that end's limit.
    EXPECT_EQ(FrequencyEndLabels(std::log10(90.0), 4.0, 300).low, "");

    const auto decibel = AmplitudeTicks({.decibel = true, .depth = 50, .top = 0, .height = 208});
    ASSERT_EQ(decibel.size(), 6u);
    EXPECT_EQ(decibel.front().position, 6);
    EXPECT_EQ(decibel.front().label, "+0 ");
    EXPECT_EQ(decibel.back().position, 206);
    EXPECT_EQ(decibel.back().label, "-50");
    const auto linear = AmplitudeTicks({.decibel = false, .depth = 50, .top = 0, .height = 200});
    ASSERT_EQ(linear.size(), 4u);
    EXPECT_EQ(linear.front().position, 0);
    EXPECT_EQ(linear.front().label, " +0");
    EXPECT_EQ(linear[1].label, "-10");
}

} // namespace
} // namespace lumisett::analyzer
