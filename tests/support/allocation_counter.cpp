#include "tests/support/allocation_counter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LUMISETT_COUNT_ALLOCATIONS 0
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

// operator new ends in malloc, so these catch C++ and C allocations alike.
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

namespace lumisett::test {

bool CountingAvailable() {
    return LUMISETT_COUNT_ALLOCATIONS != 0;
}

void StartCountingAllocations() {
    g_allocations.store(0);
    g_counting.store(true);
}

long StopCountingAllocations() {
    g_counting.store(false);
    return g_allocations.load();
}

} // namespace lumisett::test
