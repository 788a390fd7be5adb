// The FFT Properties window's settings, without the window: what each change does to the
// settings record, the chain's controls and the stage's transform.

#include "host/chain/spectral_settings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace lumisett::host {
namespace {

class SpectralSettingsTest : public testing::Test {
protected:
    SpectralSettingsTest()
        : control(settings, controls, [this](int32_t k, float v) { setups.emplace_back(k, v); }) {}

    HostSettings settings; // S = 4096, K = 1024, v = 0.5
    ChainControls controls;
    std::vector<std::pair<int32_t, float>> setups;
    SpectralSettingsControl control;
};

TEST_F(SpectralSettingsTest, ASizeIsTakenOnlyWhenTheDeviceBufferHoldsIt) {
    struct Case {
        int32_t bufferPairs;
        int32_t chosen;
        int32_t inForce;
    };
    for (const Case& c : {Case{4096, 8192, 2048}, Case{4096, 4096, 4096}, Case{4096, 256, 256},
                          Case{2048, 4096, 2048}, Case{8192, 8192, 8192}, Case{8192, 1000, 2048}}) {
        settings.bufferPairs = static_cast<int16_t>(c.bufferPairs);
        settings.halfTransform = 1024;
        setups.clear();
        EXPECT_EQ(control.ChooseTransformSize(c.chosen), c.inForce) << c.bufferPairs << " " << c.chosen;
        EXPECT_EQ(settings.halfTransform, c.inForce / 2);
        // The transform is set up again even when the size was refused.
        EXPECT_EQ(setups, (std::vector<std::pair<int32_t, float>>{{c.inForce / 2, 0.5f}}));
    }
}

TEST_F(SpectralSettingsTest, OverlapStaysInItsRangeAndMonoReachesTheChain) {
    control.SetOverlap(0.25f);
    control.SetOverlap(0.01f);
    control.SetOverlap(1.5f);
    EXPECT_EQ(setups, (std::vector<std::pair<int32_t, float>>{{1024, 0.25f}, {1024, 0.1f}, {1024, 1.0f}}));
    EXPECT_EQ(control.overlap(), 1.0f);

    control.SetMono(true);
    EXPECT_EQ(settings.spectralMono, 1);
    EXPECT_TRUE(controls.spectralMono.load());
    control.SetMono(false);
    EXPECT_FALSE(control.mono());
    EXPECT_FALSE(controls.spectralMono.load());
}

} // namespace
} // namespace lumisett::host
