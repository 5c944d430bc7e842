// Test allocator for programs named *_malloc_test: the C allocator (and, by
// replacement, operator new) is wrapped so that a test can count allocations
// and make the N-th one fail.
#pragma once

#include <cstddef>

// Number of successful malloc/calloc/realloc calls since the last reset.
size_t crTestAllocations();
void crTestResetAllocations();

// Makes the allocation after `successes` more successful ones return null
// (once); a negative value switches injection off.
void crTestFailAllocationAfter(long successes);

// Counts the allocations made while it is alive.
class CrAllocationCounter {
public:
    CrAllocationCounter() { crTestResetAllocations(); }
    size_t count() const { return crTestAllocations(); }
};
