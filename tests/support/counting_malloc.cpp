// Wrapped C allocator with counting and failure injection; linked into the
// *_malloc_test programs with -Wl,--wrap=malloc,... .
#include "counting_malloc.h"

#include <atomic>
#include <cstdlib>
#include <new>

// NOLINTBEGIN(bugprone-reserved-identifier): the real allocator under the names --wrap gives it
extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* p, size_t size);
void __real_free(void* p);
}
// NOLINTEND(bugprone-reserved-identifier)

namespace {

std::atomic<size_t> gAllocations{0};
std::atomic<size_t> gReleases{0};
std::atomic<long> gFailAfter{-1};

// True when this allocation is the one to fail.
bool crTestShouldFail() {
    long left = gFailAfter.load();
    if (left < 0) return false;
    if (left == 0) {
        gFailAfter.store(-1);
        return true;
    }
    gFailAfter.store(left - 1);
    return false;
}

}  // namespace

size_t crTestAllocations() { return gAllocations.load(); }
void crTestResetAllocations() {
    gAllocations.store(0);
    gReleases.store(0);
}
size_t crTestReleases() { return gReleases.load(); }
void crTestFailAllocationAfter(long successes) { gFailAfter.store(successes); }

// NOLINTBEGIN(bugprone-reserved-identifier): the wrappers under the names --wrap expects
extern "C" {

void* __wrap_malloc(size_t size) {
    if (crTestShouldFail()) return nullptr;
    ++gAllocations;
    return __real_malloc(size);
}

void* __wrap_calloc(size_t count, size_t size) {
    if (crTestShouldFail()) return nullptr;
    ++gAllocations;
    return __real_calloc(count, size);
}

void* __wrap_realloc(void* p, size_t size) {
    if (crTestShouldFail()) return nullptr;
    void* moved = __real_realloc(p, size);
    if (moved) ++gAllocations;
    // The old block is gone when realloc succeeded, or when it released p
    // for a size of 0.
    if (p && (moved || size == 0)) ++gReleases;
    return moved;
}

void __wrap_free(void* p) {
    if (p) ++gReleases;
    __real_free(p);
}

}  // extern "C"
// NOLINTEND(bugprone-reserved-identifier)

// operator new goes through the wrapped malloc so that it is counted too.
void* operator new(size_t size) {
    void* p = malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return malloc(size ? size : 1); }
void operator delete(void* p) noexcept { free(p); }
void operator delete[](void* p) noexcept { free(p); }
void operator delete(void* p, size_t) noexcept { free(p); }
void operator delete[](void* p, size_t) noexcept { free(p); }
