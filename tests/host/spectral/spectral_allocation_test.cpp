// The spectral stage allocates nothing per block, also while it adopts a new shape or
// switches between stereo and mono frames. A program of its own: it counts every allocation.

#include "host/chain/spectral_stage.h"
#include "tests/support/allocation_counter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace lumisett::host {
namespace {

TEST(SpectralStageAllocations, NoneWhileBlocksAreProcessed) {
    if (!test::CountingAvailable()) {
        GTEST_SKIP() << "allocations are not counted under a sanitizer";
    }
    constexpr int32_t kBlock = 4096;
    PluginRegistry registry;
    int32_t statusWord = 0;
    ChainSlots slots(registry, "/nonexistent/", &statusWord);
    ChainControls controls;
    OverlapAddSpectralStage stage(slots, controls);
    ASSERT_TRUE(stage.Start(kBlock));
    std::vector<int16_t> block(2 * kBlock);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<int16_t>(10000.0 * std::sin(0.01 * static_cast<double>(i)));
    }

    test::StartCountingAllocations();
    for (int b = 0; b < 24; ++b) {
        if (b == 6) stage.SetupTransform(2048, 0.1f);
        if (b == 12) stage.SetupTransform(128, 1.0f);
        controls.spectralMono = b >= 18;
        stage.ProcessBlock(block.data(), kBlock, 44100, b % 3 == 0 ? 2 : 0, b % 4 == 0);
    }
    EXPECT_EQ(test::StopCountingAllocations(), 0);
}

} // namespace
} // namespace lumisett::host
