// The de-noiser in headless playback on the null device, its profile switched and a
// fingerprint taken from another thread while the engine plays: every switch reaches the
// frames whole (the core's own test checks the frames; here the real engine, the real
// plug-in and ThreadSanitizer do), and the music comes through.

#include "tests/support/play_while_changing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace lumisett::host {
namespace {

constexpr int32_t kSourcePairs = 44100; // one second

TEST(DenoiserThreadsPlaying, ProfilesSwitchWhileTheEnginePlays) {
    std::vector<int16_t> samples;
    unsigned seed = 5;
    for (int32_t i = 0; i < kSourcePairs; ++i) {
        for (int c = 0; c < 2; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 600.0;
            samples.push_back(static_cast<int16_t>(8000 * std::sin(i * (0.05 + 0.01 * c)) + hiss));
        }
    }

    // Every round switches the profile; now and then a fingerprint is taken as well.
    const test::SettingsChange switchProfile = [](ChainSlots& slots, int round) {
        const bool accepted = slots.SetEffectParam(0, "profile", round % 2 == 0 ? "pink" : "white");
        if (round % 10 == 5) {
            slots.SetEffectParam(0, "learn", "start");
            std::this_thread::yield();
            slots.SetEffectParam(0, "learn", "stop");
        }
        return accepted;
    };
    test::PlayedWhileChanging run;
    ASSERT_NO_FATAL_FAILURE(test::PlayWhileChanging("denoise", samples, 60, switchProfile, run));
    EXPECT_EQ(run.accepted, 60);

    // The tone comes through: the played audio after the device's silent queue and the
    // chain's delay carries most of the source's energy, and no sample went wild.
    EXPECT_GT(run.playedEnergy, 0.5 * run.sourceEnergy);
    EXPECT_LT(run.playedEnergy, 1.5 * run.sourceEnergy);
}

} // namespace
} // namespace lumisett::host
