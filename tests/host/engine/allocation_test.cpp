// The completion handler allocates nothing once the engine has started: every allocation in
// this program is counted (operator new and the C allocator alike) while completions run.

#include "tests/host/engine/engine_fixture.h"

#include <atomic>
#include <cstdlib>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMISETT_COUNT_ALLOCATIONS 0 // the sanitizers own the allocator
#else
#define LUMISETT_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};
} // namespace

#if LUMISETT_COUNT_ALLOCATIONS
namespace {
void Count() {
    if (g_counting.load(std::memory_order_relaxed)) {
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    }
}
} // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t size) {
    Count();
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    Count();
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
    Count();
    return __libc_realloc(pointer, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    Count();
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** pointer, std::size_t alignment, std::size_t size) {
    Count();
    *pointer = __libc_memalign(alignment, size);
    return *pointer != nullptr ? 0 : ENOMEM;
}
}
#endif

namespace lumisett::host {
namespace {

class EngineAllocations : public EngineFixture {};

TEST_F(EngineAllocations, NoneWhileBuffersAreRefilled) {
    if (!LUMISETT_COUNT_ALLOCATIONS) {
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

    g_counting = true;
    for (int i = 0; i < 40; ++i) {
        device.PlayOne();
        if (i % 5 == 0) transport.Tick();
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
}

} // namespace
} // namespace lumisett::host
