// Vector paths of the samplers. Each path performs, lane by lane, exactly the
// float operations of the scalar samplers in sampling.h, in the same order,
// so every path writes the same bytes; the scalar code stays the reference
// and serves every case a path leaves out.
#pragma once

#include "image.h"

enum class CrSampler { kNearest, kBilinear, kBicubic, kKeyedBilinear };

// Instruction sets a sampler can run on. kBest is whatever this CPU offers.
enum class CrSimdPath { kScalar, kSse2, kAvx2, kNeon, kBest };

// One remap call, its records checked by the caller (crCanSample). fill is
// the colour of pixels without a source (null: they keep their bytes); for the
// keyed sampler it is the key.
struct CrRemapJob {
    const Image* src;
    Image* dst;
    float** lut;
    CrSampler sampler;
    const unsigned char* fill;
    // True when the source's rows are known to lie one stride apart (a
    // picture from crCreateImage), which spares the widest paths a look at
    // every row pointer: callers that sample one row at a time set it.
    bool srcRowsInOneBlock = false;
};

// The sampler crRemap's flags choose: bit 1 bicubic, else bit 0 bilinear,
// else nearest.
inline CrSampler crSamplerFromFlags(int flags) {
    return (flags & 0x2) ? CrSampler::kBicubic : (flags & 0x1) ? CrSampler::kBilinear : CrSampler::kNearest;
}

// Whether this CPU runs the path (kScalar and kBest always).
bool crSimdPathAvailable(CrSimdPath path);

// Runs the job on the path, or on the scalar reference where the path has no
// kernel for the job's sampler and channel count (or the CPU lacks it).
void crRunRemap(const CrRemapJob& job, CrSimdPath path);

// The kernels of each instruction set: false, with nothing written, where
// they leave the job to the scalar reference.
bool crRemapSse2(const CrRemapJob& job);
bool crRemapAvx2(const CrRemapJob& job);
bool crRemapNeon(const CrRemapJob& job);
void crRemapScalar(const CrRemapJob& job);
void crKeyedBilinearScalar(const CrRemapJob& job);
