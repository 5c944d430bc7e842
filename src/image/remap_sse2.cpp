// The vector samplers on x86 with SSE2, which every x86-64 CPU and the 32-bit
// build assume.
#include "remap_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "remap_tables.h"

namespace {
#include "remap_lanes_x86.h"
using V = CrX86Lanes;
#include "remap_kernels.h"
}  // namespace

bool crRemapSse2(const CrRemapJob& job) { return crRunJobV(job); }
#else
bool crRemapSse2(const CrRemapJob&) { return false; }
#endif
