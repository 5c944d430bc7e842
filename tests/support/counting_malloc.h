// Test allocator for programs named *_malloc_test: the C allocator (and, by
// replacement, operator new) is wrapped so that a test can count allocations
// and make the N-th one fail.
#pragma once

#include <cstddef>

// Number of successful malloc/calloc/realloc calls since the last reset.
size_t crTestAllocations();
void crTestResetAllocations();  // also resets the release count

// Number of blocks given back since the last reset: frees of non-null
// pointers and blocks that realloc moved or released. Allocations minus
// releases is the number of blocks still live.
size_t crTestReleases();

// Makes the allocation after `successes` more successful ones return null
// (once); a negative value switches injection off.
void crTestFailAllocationAfter(long successes);

// Counts the allocations made while it is alive.
class CrAllocationCounter {
public:
    CrAllocationCounter() { crTestResetAllocations(); }
    size_t count() const { return crTestAllocations(); }
    // Blocks allocated while it is alive and not yet freed (blocks obtained
    // earlier and freed meanwhile make this smaller).
    long live() const { return static_cast<long>(crTestAllocations()) - static_cast<long>(crTestReleases()); }
};
