#pragma once
// Counts every allocation the program makes (operator new and the C allocator alike) while
// counting is on. Link allocation_counter.cpp into a test program of its own: it replaces the
// C allocator's entry points for the whole program. Under a sanitizer, which owns the
// allocator, nothing is counted and CountingAvailable() says so.

namespace lumisett::test {

// False when allocations cannot be counted in this build.
bool CountingAvailable();
void StartCountingAllocations();
// Stops counting and returns the allocations made since the start.
long StopCountingAllocations();

} // namespace lumisett::test
