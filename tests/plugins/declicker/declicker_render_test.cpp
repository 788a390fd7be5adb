// The built plug-in in the headless render, the way batch users run it: quorvex --render with
// --chain declicker and its --set keys, in a temporary program directory.

#include "tests/support/headless_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace lumisett::host {
namespace {

constexpr int kPairs = 3 * 44100;

// Two tones per channel over a little noise, as a transfer has it, and the same with a
// one-sample click every 4410 frames.
std::vector<int16_t> Clean() {
    unsigned seed = 1;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>(seed >> 26) - 32;
    };
    std::vector<int16_t> samples;
    for (int i = 0; i < kPairs; ++i) {
        samples.push_back(static_cast<int16_t>(std::lround(6000 * std::sin(i * 0.013) + 2000 * std::sin(i * 0.041)) + noise()));
        samples.push_back(static_cast<int16_t>(std::lround(5000 * std::sin(i * 0.011 + 1) + 2500 * std::sin(i * 0.037)) + noise()));
    }
    return samples;
}

std::vector<int16_t> Clicked(std::vector<int16_t> samples) {
    for (int at = 2205; at < kPairs; at += 4410) {
        samples[2 * at] = static_cast<int16_t>(samples[2 * at] + (at % 3 == 0 ? 9000 : -9000));
        samples[2 * at + 1] = static_cast<int16_t>(samples[2 * at + 1] + 7000);
    }
    return samples;
}

// Energy of the difference near the clicks or away from them. The first and the last block
// are left out: the stream starts after silence and ends in the silence that flushes the delay,
// and the tones' sudden start and end are themselves repaired as clicks.
double ErrorEnergy(const std::vector<int16_t>& a, const std::vector<int16_t>& b, bool nearClicks) {
    double energy = 0;
    for (std::size_t i = 2 * 4096; i + 2 * 4096 < a.size() && i < b.size(); ++i) {
        const int offset = static_cast<int>(i / 2) % 4410; // 2205 at a click
        const bool near = offset > 2205 - 1000 && offset < 2205 + 1000;
        if (near == nearClicks) {
            const double e = a[i] - b[i];
            energy += e * e;
        }
    }
    return energy;
}

class DeclickerRender : public test::PluginRenderTest {
protected:
    DeclickerRender() : PluginRenderTest("declicker", WavAudio{2, 44100, Clicked(Clean())}) {}
};

TEST_F(DeclickerRender, ClicksAreRepairedInPlaceAndTheDelayIsTakenOut) {
    const RenderResult result = Render({"--set", "declicker.declick=25", "--set", "declicker.deplop=1"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(result.latency, 512);
    const std::vector<int16_t> out = Output();
    ASSERT_EQ(out.size(), 2u * kPairs);
    // A repair spans the monotone runs into and out of its click, which on slow tones like
    // these reach tens of frames: the line across them costs some of the gain.
    EXPECT_EQ(ErrorEnergy(out, Clean(), false), 0.0) << "away from the clicks, in place";
    const double damaged = ErrorEnergy(Clicked(Clean()), Clean(), true);
    const double repaired = ErrorEnergy(out, Clean(), true);
    EXPECT_LT(repaired, damaged / 4) << "at least 6 dB better";
    EXPECT_FALSE(dir_.Exists("declicker.par")) << "a render writes no parameter file";
}

TEST_F(DeclickerRender, AnInvalidValueStopsTheRenderBeforeItBegins) {
    for (const char* setting : {"declicker.declick=101", "declicker.mono=on", "declicker.decrackle="}) {
        const RenderResult result = Render({"--set", setting});
        EXPECT_FALSE(result.ok) << setting;
        EXPECT_FALSE(dir_.Exists("out.wav")) << setting;
    }
}

} // namespace
} // namespace lumisett::host
