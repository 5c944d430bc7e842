// The vector samplers on 64-bit ARM, whose NEON unit every such CPU has.
#include "remap_simd.h"

#if defined(__aarch64__)
#include <arm_neon.h>

#include <cstdint>
#include <cstring>

#include "remap_tables.h"

namespace {
#include "remap_lanes_neon.h"
using V = CrNeonLanes;
#include "remap_kernels.h"
}  // namespace

bool crRemapNeon(const CrRemapJob& job) { return crRunJobV(job); }
#else
bool crRemapNeon(const CrRemapJob&) { return false; }
#endif
