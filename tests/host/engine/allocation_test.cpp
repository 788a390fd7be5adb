// The completion handler allocates nothing once the engine has started: every allocation in
// this program is counted while completions run.

#include "tests/host/engine/engine_fixture.h"
#include "tests/support/allocation_counter.h"

namespace lumisett::host {
namespace {

class EngineAllocations : public EngineFixture {};

TEST_F(EngineAllocations, NoneWhileBuffersAreRefilled) {
    if (!test::CountingAvailable()) {
        GTEST_SKIP() << "allocations are not counted under a sanitizer";
    }
    // The DC-offset remover in a slot, so that a plug-in's DoEffect runs too.
    for (const char* file : {"zeroline.so", "zeroline.eff"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    registry.ScanDescriptors(dir.path());
    ASSERT_TRUE(slots.LoadIntoSlot(0, 0));
    slots.SetEffectParam(0, "persist", "0");
    OpenRamp(30 * kBlock);
    controls.difference = true;
    ASSERT_EQ(StartEngine(), kEngineStarted);
    device.PlayOne(); // warm-up: first touches of lazily set-up state are not the handler's

    test::StartCountingAllocations();
    for (int i = 0; i < 40; ++i) {
        device.PlayOne();
        if (i % 5 == 0) transport.Tick();
    }
    EXPECT_EQ(test::StopCountingAllocations(), 0);
}

} // namespace
} // namespace lumisett::host
