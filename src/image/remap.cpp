// crRemap: nearest, bilinear and bicubic sampling of a source picture
// through a row-form LUT. The scalar loops here are the reference; each call
// runs on the best vector path this CPU offers where one exists for its
// sampler and channel count (remap_simd.h). The sampler and channel count are
// chosen once per call; the loops read weights from constant tables, so no
// pixel costs a division, a transcendental call or an allocation.
#include <cstddef>

#include "remap_simd.h"
#include "sampling.h"

namespace {

template <int N> void crNearestRows(const Image* src, Image* dst, float** lut, const unsigned char* fill) {
    const int n = N ? N : dst->channels;
    const unsigned width = static_cast<unsigned>(std::max(src->width, 0));
    const unsigned height = static_cast<unsigned>(std::max(src->height, 0));
    const unsigned char* const* rows = src->data;
    crForEachLutPixel(dst, lut, n, [=](unsigned char* out, float x, float y) {
        const int xi = crRoundHalfAwayToInt(x);
        const int yi = crRoundHalfAwayToInt(y);
        if (static_cast<unsigned>(xi) < width && static_cast<unsigned>(yi) < height)
            crCopyPixel<N>(out, rows[yi] + static_cast<size_t>(xi) * n, n);
        else if (fill)
            crCopyPixel<N>(out, fill, n);
    });
}

template <int N> void crBilinearRows(const Image* src, Image* dst, float** lut, const unsigned char* fill) {
    const int n = N ? N : dst->channels;
    auto mix = [=](unsigned char* out, const unsigned char* top, const unsigned char* bottom, const TapWeights& wx,
                   const TapWeights& wy) {
        for (int k = 0; k < n; ++k) out[k] = crBilinearByte(top[k], top[k + n], bottom[k], bottom[k + n], wx, wy);
    };
    crForEachBilinearSample<N>(src, dst, lut, fill, mix);
}

// One source row of the 4 x 4 footprint, summed in column order.
inline float crCubicRow(const unsigned char* p, ptrdiff_t n, const float* w) {
    return kByteToFloat[p[0]] * w[0] + kByteToFloat[p[n]] * w[1] + kByteToFloat[p[2 * n]] * w[2] +
           kByteToFloat[p[3 * n]] * w[3];
}

template <int N> void crBicubicRows(const Image* src, Image* dst, float** lut, const unsigned char* fill) {
    const int n = N ? N : dst->channels;
    // x0 - 1 must lie in 0 .. width - 4 so that all four taps are inside.
    const unsigned spanX = static_cast<unsigned>(std::max(src->width - 3, 0));
    const unsigned spanY = static_cast<unsigned>(std::max(src->height - 3, 0));
    const unsigned char* const* rows = src->data;
    crForEachLutPixel(dst, lut, n, [=](unsigned char* out, float px, float py) {
        const SubpixelPos x = crSplitSubpixel(px);
        const SubpixelPos y = crSplitSubpixel(py);
        if (static_cast<unsigned>(x.whole) - 1u >= spanX || static_cast<unsigned>(y.whole) - 1u >= spanY) {
            if (fill) crCopyPixel<N>(out, fill, n);
            return;
        }
        const TapWeights& before = kCubicWeights[x.fraction];
        const TapWeights& after = kCubicWeights[kSubpixelSteps - x.fraction];
        const float wx[4] = {before.second, before.first, after.first, after.second};
        const TapWeights& above = kCubicWeights[y.fraction];
        const TapWeights& below = kCubicWeights[kSubpixelSteps - y.fraction];
        const int left = (x.whole - 1) * n;
        const unsigned char* const* taps = rows + (y.whole - 1);
        for (int k = 0; k < n; ++k) {
            const float r0 = crCubicRow(taps[0] + left + k, n, wx);
            const float r1 = crCubicRow(taps[1] + left + k, n, wx);
            const float r2 = crCubicRow(taps[2] + left + k, n, wx);
            const float r3 = crCubicRow(taps[3] + left + k, n, wx);
            const float v = above.first * r1 + above.second * r0 + below.first * r2 + below.second * r3;
            out[k] = kClampTable[crRoundHalfAway(v) + kClampOffset];
        }
    });
}

}  // namespace

void crRemapScalar(const CrRemapJob& job) {
    const Image* src = job.src;
    Image* dst = job.dst;
    float** lut = job.lut;
    switch (job.sampler) {
    case CrSampler::kNearest:
        crWithChannelCount(dst->channels,
                           [&](auto ch) { crNearestRows<decltype(ch)::value>(src, dst, lut, job.fill); });
        break;
    case CrSampler::kBilinear:
        crWithChannelCount(dst->channels,
                           [&](auto ch) { crBilinearRows<decltype(ch)::value>(src, dst, lut, job.fill); });
        break;
    case CrSampler::kBicubic:
        crWithChannelCount(dst->channels,
                           [&](auto ch) { crBicubicRows<decltype(ch)::value>(src, dst, lut, job.fill); });
        break;
    case CrSampler::kKeyedBilinear: crKeyedBilinearScalar(job); break;
    }
}

void crRunRemap(const CrRemapJob& job, CrSimdPath path) {
    if (path == CrSimdPath::kBest)
        path = crSimdPathAvailable(CrSimdPath::kAvx2)   ? CrSimdPath::kAvx2
               : crSimdPathAvailable(CrSimdPath::kSse2) ? CrSimdPath::kSse2
               : crSimdPathAvailable(CrSimdPath::kNeon) ? CrSimdPath::kNeon
                                                        : CrSimdPath::kScalar;
    if (!crSimdPathAvailable(path)) path = CrSimdPath::kScalar;
    bool done = false;
    switch (path) {
    case CrSimdPath::kSse2: done = crRemapSse2(job); break;
    case CrSimdPath::kAvx2: done = crRemapAvx2(job); break;
    case CrSimdPath::kNeon: done = crRemapNeon(job); break;
    default: break;
    }
    if (!done) crRemapScalar(job);
}

void crRemapNearest(const Image* src, Image* dst, float** lut, const unsigned char* fill) {
    if (crCanSample(src, dst)) crRunRemap({src, dst, lut, CrSampler::kNearest, fill}, CrSimdPath::kBest);
}

// Only the low byte of flags counts (crSamplerFromFlags).
int crRemap(const Image* src, Image* dst, float** lut, int flags, const unsigned char* fill) {
    if (!crCanSample(src, dst)) return 0;
    crRunRemap({src, dst, lut, crSamplerFromFlags(flags), fill}, CrSimdPath::kBest);
    return 0;
}
