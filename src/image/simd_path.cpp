// Which vector paths this CPU runs. Asked on the first call and kept: the
// library runs no code when it is loaded, and a race here only asks twice.
#include <atomic>

#include "remap_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

#if defined(__x86_64__) || defined(__i386__)
// AVX2 needs the instructions and an operating system that saves the
// 256-bit registers (XCR0 bits 1 and 2).
bool crCpuHasAvx2() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
    const bool hasAvx = (c & bit_OSXSAVE) != 0 && (c & bit_AVX) != 0 && (c & bit_SSE4_1) != 0;
    if (!hasAvx) return false;
    unsigned xcr0 = 0, xcr0High = 0;
    __asm__("xgetbv" : "=a"(xcr0), "=d"(xcr0High) : "c"(0));
    if ((xcr0 & 6u) != 6u) return false;
    if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
    return (b & bit_AVX2) != 0;
}
#endif

// Bit per CrSimdPath; 0 until asked.
int crAskAvailablePaths() {
    int paths = 1 << static_cast<int>(CrSimdPath::kScalar);
#if defined(__x86_64__) || defined(__i386__)
    paths |= 1 << static_cast<int>(CrSimdPath::kSse2);
    if (crCpuHasAvx2()) paths |= 1 << static_cast<int>(CrSimdPath::kAvx2);
#elif defined(__aarch64__)
    paths |= 1 << static_cast<int>(CrSimdPath::kNeon);
#endif
    return paths;
}

int crAvailablePaths() {
    static std::atomic<int> known{0};
    int paths = known.load(std::memory_order_relaxed);
    if (paths == 0) {
        paths = crAskAvailablePaths();
        known.store(paths, std::memory_order_relaxed);
    }
    return paths;
}

}  // namespace

bool crSimdPathAvailable(CrSimdPath path) {
    return path == CrSimdPath::kBest || (crAvailablePaths() >> static_cast<int>(path) & 1) != 0;
}
