// crRemapAlpha: overlay sampling where one colour marks transparent source
// pixels. Keying is per channel, so a key-coloured neighbour never pulls the
// mix towards the key colour.
#include "remap_simd.h"
#include "sampling.h"

namespace {

// A top-left tap that holds the key yields the key; neighbours that hold it
// stand in as the top-left tap.
inline unsigned char crKeyedByte(unsigned char p00, unsigned char p01, unsigned char p10, unsigned char p11,
                                 unsigned char key, const TapWeights& wx, const TapWeights& wy) {
    if (p00 == key) return key;
    return crBilinearByte(p00, p01 == key ? p00 : p01, p10 == key ? p00 : p10, p11 == key ? p00 : p11, wx, wy);
}

template <int N> void crKeyedBilinearRows(const Image* src, Image* dst, float** lut, const unsigned char* key) {
    const int n = N ? N : dst->channels;
    auto mix = [=](unsigned char* out, const unsigned char* top, const unsigned char* bottom, const TapWeights& wx,
                   const TapWeights& wy) {
        for (int k = 0; k < n; ++k) out[k] = crKeyedByte(top[k], top[k + n], bottom[k], bottom[k + n], key[k], wx, wy);
    };
    crForEachBilinearSample<N>(src, dst, lut, key, mix);
}

}  // namespace

void crKeyedBilinearScalar(const CrRemapJob& job) {
    float** lut = job.lut;
    crWithChannelCount(job.dst->channels,
                       [&](auto ch) { crKeyedBilinearRows<decltype(ch)::value>(job.src, job.dst, lut, job.fill); });
}

// Only bit 0 of flags counts: keyed bilinear, else nearest with key as fill.
int crRemapAlpha(const Image* src, Image* dst, float** lut, int flags, const unsigned char* key) {
    if (!crCanSample(src, dst)) return 0;
    const CrSampler sampler = (flags & 0x1) ? CrSampler::kKeyedBilinear : CrSampler::kNearest;
    crRunRemap({src, dst, lut, sampler, key}, CrSimdPath::kBest);
    return 0;
}
