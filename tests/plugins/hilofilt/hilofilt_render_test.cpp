// The built plug-in in the headless render, the way batch users run it: quorvex --render with
// --chain hilofilt and its --set keys, in a temporary program directory.

#include "tests/support/headless_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace lumisett::host {
namespace {

constexpr int kRate = 44100;
constexpr int kPairs = 4 * kRate;

// A 20 Hz rumble and a 1 kHz tone, each at a quarter of full scale, on both channels.
std::vector<int16_t> RumbleAndTone() {
    std::vector<int16_t> samples;
    for (int i = 0; i < kPairs; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double v = 8000 * std::sin(2 * std::numbers::pi * 20 * t) + 8000 * std::sin(2 * std::numbers::pi * 1000 * t);
        samples.push_back(static_cast<int16_t>(std::lround(v)));
        samples.push_back(static_cast<int16_t>(std::lround(v)));
    }
    return samples;
}

// The amplitude of the frequency `hz` in one channel, over whole seconds away from the ends.
double Amplitude(const std::vector<int16_t>& samples, int channel, double hz) {
    double re = 0;
    double im = 0;
    const int from = kRate;
    const int to = 3 * kRate;
    for (int i = from; i < to; ++i) {
        const double phase = 2 * std::numbers::pi * hz * i / kRate;
        const double v = samples[2 * static_cast<std::size_t>(i) + static_cast<std::size_t>(channel)];
        re += v * std::cos(phase);
        im += v * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / (to - from);
}

class HilofiltRender : public test::PluginRenderTest {
protected:
    HilofiltRender() : PluginRenderTest("hilofilt", WavAudio{2, kRate, RumbleAndTone()}) {}
};

TEST_F(HilofiltRender, TheRumbleIsTakenDownAndTheToneComesThrough) {
    // A long transform resolves 20 Hz; a 40 Hz corner at 24 dB/oct puts it an octave down.
    const RenderResult result = Render({"--block", "8192", "--fft", "8192", "--set", "hilofilt.hp_freq=40",
                                        "--set", "hilofilt.hp_slope=24"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    const std::vector<int16_t> out = Output();
    ASSERT_EQ(out.size(), 2u * kPairs);
    const std::vector<int16_t> in = RumbleAndTone();
    for (int channel = 0; channel < 2; ++channel) {
        const double rumble = 20 * std::log10(Amplitude(out, channel, 20) / Amplitude(in, channel, 20));
        const double tone = 20 * std::log10(Amplitude(out, channel, 1000) / Amplitude(in, channel, 1000));
        EXPECT_LT(rumble, -12.0) << "channel " << channel;
        EXPECT_NEAR(tone, 0.0, 0.2) << "channel " << channel;
    }
    EXPECT_FALSE(dir_.Exists("hilofilt.par")) << "a render writes no parameter file";
}

TEST_F(HilofiltRender, FlatPassesTheSignalAndARefusedValueStopsTheRender) {
    ASSERT_TRUE(Render({"--set", "hilofilt.flat=1"}).ok);
    const std::vector<int16_t> out = Output();
    const std::vector<int16_t> in = RumbleAndTone();
    ASSERT_EQ(out.size(), in.size());
    int largest = 0;
    for (std::size_t i = 2 * kRate; i < 6 * static_cast<std::size_t>(kRate); ++i) {
        largest = std::max(largest, std::abs(out[i] - in[i]));
    }
    EXPECT_LE(largest, 2) << "flat is the identity, up to rounding";

    for (const char* setting : {"hilofilt.hp_freq=10", "hilofilt.lp_slope=30", "hilofilt.flat=0"}) {
        std::filesystem::remove(dir_.File("out.wav"));
        EXPECT_FALSE(Render({"--set", setting}).ok) << setting;
        EXPECT_FALSE(dir_.Exists("out.wav")) << setting;
    }
}

} // namespace
} // namespace lumisett::host
