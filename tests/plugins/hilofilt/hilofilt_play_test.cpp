// The filter in headless playback on the null device while another thread changes its
// settings the way the editor does, rebuilding the response table under the running frames:
// the real engine, the real plug-in and ThreadSanitizer check that the table reaches the audio
// context without a data race (the core's own test checks the frames), and the music comes
// through.

#include "tests/support/play_while_changing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace lumisett::host {
namespace {

constexpr int32_t kSourcePairs = 44100; // one second

TEST(ResponseFilterThreadsPlaying, SettingsChangeWhileTheEnginePlays) {
    std::vector<int16_t> samples;
    for (int32_t i = 0; i < kSourcePairs; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const auto v = static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 1000 * t)));
        samples.push_back(v);
        samples.push_back(v);
    }

    const test::SettingsChange changeSetting = [](ChainSlots& slots, int round) {
        static const char* const kSteps[][2] = {{"hp_freq", "180"}, {"hp_slope", "24"}, {"lp_freq", "2000"},
                                                {"lp_slope", "3"},   {"flat", "1"},     {"hp_freq", "40"}};
        const auto& step = kSteps[round % 6];
        return slots.SetEffectParam(0, step[0], step[1]);
    };
    test::PlayedWhileChanging run;
    ASSERT_NO_FATAL_FAILURE(test::PlayWhileChanging("hilofilt", samples, 60, changeSetting, run));
    EXPECT_EQ(run.accepted, 60);

    // The 1 kHz tone lies between the corners of every setting the changes make, so it comes
    // through whole, and no sample went wild.
    EXPECT_GT(run.playedEnergy, 0.8 * run.sourceEnergy);
    EXPECT_LT(run.playedEnergy, 1.2 * run.sourceEnergy);
}

} // namespace
} // namespace lumisett::host
