// The vector samplers on x86 with AVX2. This file alone is compiled with AVX2
// enabled, and the library calls it only on CPUs that report AVX2; all its
// code has internal linkage, so no function compiled here serves another file.
//
// Where the source's rows lie one stride apart (every picture the library
// makes, and any caller's single block), eight pixels go through each step
// together: each pixel's taps are read as 16 bytes of each footprint row (a
// 3-byte nearest pixel is gathered), turned into 4-byte words of eight
// pixels, and each channel's arithmetic runs in eight lanes, one per pixel,
// with the scalar operations in the scalar order. Blocks with a pixel whose
// reads would leave the source's rows, and other sources, take the
// pixel-by-pixel path.
#include "remap_simd.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "remap_tables.h"

namespace {
#include "remap_lanes_x86.h"
using V = CrX86Lanes;
#include "remap_kernels.h"

constexpr int kLanes = 8;

// A source addressed by 32-bit byte offsets from its first row.
struct CrStridedSource {
    const int* base;  // the first row, as the gathers take it
    __m256i stride;
    int strideBytes;
};

// Whether every row lies `stride` bytes after the previous one (looked at
// unless the job says so) and every pixel's offset fits 31 bits; the source
// is then addressed from its first row.
bool crFindStride(const CrRemapJob& job, int channels, CrStridedSource* out) {
    const Image* src = job.src;
    const int w = src->width, h = src->height;
    if (w < 2 || h < 1) return false;
    const uintptr_t first = reinterpret_cast<uintptr_t>(src->data[0]);
    const uintptr_t stride = h > 1 ? reinterpret_cast<uintptr_t>(src->data[1]) - first : 0;
    const int64_t span = static_cast<int64_t>(stride) * (h - 1) + static_cast<int64_t>(w) * channels;
    if (stride > INT32_MAX || span > INT32_MAX) return false;
    for (int r = 2; r < h && !job.srcRowsInOneBlock; ++r)
        if (reinterpret_cast<uintptr_t>(src->data[r]) != first + stride * static_cast<uintptr_t>(r)) return false;
    out->base = reinterpret_cast<const int*>(src->data[0]);
    out->strideBytes = static_cast<int>(stride);
    out->stride = _mm256_set1_epi32(out->strideBytes);
    return true;
}

// Eight LUT pairs as x and y vectors in pixel order.
// Eight pairs held in a (pairs 0..3) and b (4..7) as their first and second
// members, each in pair order.
void crSplitPairs(__m256 a, __m256 b, __m256* first, __m256* second) {
    // Per 128-bit half: 0 1 4 5 | 2 3 6 7, then the 64-bit pieces put in order.
    const int order = _MM_SHUFFLE(3, 1, 2, 0);
    const __m256 firsts = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
    const __m256 seconds = _mm256_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1));
    *first = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(firsts), order));
    *second = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(seconds), order));
}

void crLoadPositions(const float* pos, __m256* x, __m256* y) {
    crSplitPairs(_mm256_loadu_ps(pos), _mm256_loadu_ps(pos + kLanes), x, y);
}

// Lanes with low <= v < high.
__m256i crWithin(__m256i v, int low, int high) {
    return _mm256_andnot_si256(_mm256_cmpgt_epi32(_mm256_set1_epi32(low), v),
                               _mm256_cmpgt_epi32(_mm256_set1_epi32(high), v));
}

int crLaneMask(__m256i lanes) { return _mm256_movemask_ps(_mm256_castsi256_ps(lanes)); }

__m256i crGather(const CrStridedSource& s, __m256i offsets) { return _mm256_i32gather_epi32(s.base, offsets, 1); }

// Byte J (0..3) of each 32-bit lane, as floats: one byte shuffle moves it to
// the lane's low byte and clears the others.
template <int J> __m256 crByteLane(__m256i words) {
    const __m256i pick = _mm256_setr_epi8(J, -1, -1, -1, 4 + J, -1, -1, -1, 8 + J, -1, -1, -1, 12 + J, -1, -1, -1, J,
                                          -1, -1, -1, 4 + J, -1, -1, -1, 8 + J, -1, -1, -1, 12 + J, -1, -1, -1);
    return _mm256_cvtepi32_ps(J == 3 ? _mm256_srli_epi32(words, 24) : _mm256_shuffle_epi8(words, pick));
}

// Offsets of the pixels at (x, y).
template <int N> __m256i crPixelOffsets(const CrStridedSource& s, __m256i x, __m256i y) {
    return _mm256_add_epi32(_mm256_mullo_epi32(y, s.stride), _mm256_mullo_epi32(x, _mm256_set1_epi32(N)));
}

// Eight pixels, their bytes in the low N bytes of each lane, stored packed.
template <int N> void crStorePixels(unsigned char* out, __m256i pixels) {
    if (N == 4) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), pixels);
        return;
    }
    // 3 bytes of each lane, 12 per 128-bit half, then the halves end to end.
    const __m256i packed =
        _mm256_shuffle_epi8(pixels, _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0, 1, 2, 4,
                                                     5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1));
    const __m128i low = _mm256_castsi256_si128(packed), high = _mm256_extracti128_si256(packed, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(low, _mm_slli_si128(high, 12)));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm_srli_si128(high, 4));
}

// Channel k's bytes (0..255 in each lane) put into the pixels' words.
void crAddChannel(__m256i* pixels, int channel, __m256i bytes) {
    *pixels = _mm256_or_si256(*pixels, _mm256_slli_epi32(bytes, 8 * channel));
}

// Split positions of eight pixels; inside marks those whose footprint lies
// in the source.
struct CrLanePos {
    __m256i x, y, fx, fy;
};

CrLanePos crSplitLanes(__m256 x, __m256 y) {
    const __m256 scale = _mm256_set1_ps(1024.0f);
    const __m256i qx = V::RoundHalfAwayToInt(_mm256_mul_ps(x, scale));
    const __m256i qy = V::RoundHalfAwayToInt(_mm256_mul_ps(y, scale));
    const __m256i mask = _mm256_set1_epi32(kSubpixelMask);
    return {_mm256_srai_epi32(qx, kSubpixelBits), _mm256_srai_epi32(qy, kSubpixelBits), _mm256_and_si256(qx, mask),
            _mm256_and_si256(qy, mask)};
}

// Fractions f as weights f / 1024 (exact) and 1 - f / 1024, the linear
// table's two entries.
void crLinearWeights(__m256i f, __m256* first, __m256* second) {
    *first = _mm256_mul_ps(_mm256_cvtepi32_ps(f), _mm256_set1_ps(1.0f / 1024.0f));
    *second = _mm256_sub_ps(_mm256_set1_ps(1.0f), *first);
}

// For each of eight pixels, the 16 bytes at its offset (rows below the
// offsets' row by `row`) as four 4-byte words, word d of every pixel in one
// register in pixel order: pixels p and p + 4 share a register, whose two
// halves a 4 x 4 word transpose turns around. kWords: how many words are kept.
template <int kWords> void crLoadWords(const CrStridedSource& s, const int* at, int row, __m256i* words) {
    const unsigned char* base =
        reinterpret_cast<const unsigned char*>(s.base) + static_cast<std::ptrdiff_t>(row) * s.strideBytes;
    __m256 v[4];
    for (int p = 0; p < 4; ++p)
        v[p] = _mm256_loadu2_m128(reinterpret_cast<const float*>(base + at[p + 4]),
                                  reinterpret_cast<const float*>(base + at[p]));
    const __m256 t0 = _mm256_unpacklo_ps(v[0], v[1]), t1 = _mm256_unpacklo_ps(v[2], v[3]);
    words[0] = _mm256_castps_si256(_mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(1, 0, 1, 0)));
    words[1] = _mm256_castps_si256(_mm256_shuffle_ps(t0, t1, _MM_SHUFFLE(3, 2, 3, 2)));
    if constexpr (kWords > 2) {
        const __m256 t2 = _mm256_unpackhi_ps(v[0], v[1]), t3 = _mm256_unpackhi_ps(v[2], v[3]);
        words[2] = _mm256_castps_si256(_mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(1, 0, 1, 0)));
        words[3] = _mm256_castps_si256(_mm256_shuffle_ps(t2, t3, _MM_SHUFFLE(3, 2, 3, 2)));
    }
}

// The cubic table's entries f (first, second) for each lane's f, read as
// 8-byte words.
void crCubicEntries(__m256i f, __m256* first, __m256* second) {
    alignas(32) int at[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), _mm256_slli_epi32(f, 3));
    const unsigned char* base = reinterpret_cast<const unsigned char*>(kCubicWeights.data());
    auto two = [&](int i) {
        const __m128d one = _mm_castsi128_pd(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(base + at[i])));
        return _mm_castpd_ps(_mm_loadh_pd(one, reinterpret_cast<const double*>(base + at[i + 1])));
    };
    crSplitPairs(_mm256_set_m128(two(2), two(0)), _mm256_set_m128(two(6), two(4)), first, second);
}

// Byte I (0..7) of 8-byte words held as low and high halves, as floats.
template <int I> __m256 crWordByte(__m256i low, __m256i high) { return crByteLane<I % 4>(I < 4 ? low : high); }

// (b == key) ? a : b, lane by lane.
__m256 crUnlessKey(__m256 b, __m256 key, __m256 a) { return _mm256_blendv_ps(b, a, _mm256_cmp_ps(b, key, _CMP_EQ_OQ)); }

// Bilinear, every footprint inside and followed by at least 16 - 2N bytes of
// its row: the taps p00, p01 of a row are read within 16 bytes. Keyed: key is
// the key colour (see the pixel-by-pixel keyed sampler); else null.
template <int N> __m256i crBilinearLanes(const CrStridedSource& s, const CrLanePos& p, const unsigned char* key) {
    alignas(32) int at[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), crPixelOffsets<N>(s, p.x, p.y));
    __m256i top[2], bottom[2];
    crLoadWords<2>(s, at, 0, top);
    crLoadWords<2>(s, at, 1, bottom);
    __m256 xf, xs, yf, ys;
    crLinearWeights(p.fx, &xf, &xs);
    crLinearWeights(p.fy, &yf, &ys);
    __m256i pixels = _mm256_setzero_si256();
    auto channel = [&](auto k) {
        constexpr int K = decltype(k)::value;
        const __m256 p00 = crWordByte<K>(top[0], top[1]);
        __m256 p01 = crWordByte<N + K>(top[0], top[1]);
        __m256 p10 = crWordByte<K>(bottom[0], bottom[1]);
        __m256 p11 = crWordByte<N + K>(bottom[0], bottom[1]);
        __m256 keyed = _mm256_setzero_ps();
        if (key) {
            const __m256 keyLane = _mm256_set1_ps(static_cast<float>(key[K]));
            p01 = crUnlessKey(p01, keyLane, p00);
            p10 = crUnlessKey(p10, keyLane, p00);
            p11 = crUnlessKey(p11, keyLane, p00);
            keyed = _mm256_cmp_ps(p00, keyLane, _CMP_EQ_OQ);
        }
        const __m256 t = _mm256_add_ps(_mm256_mul_ps(p00, xs), _mm256_mul_ps(p01, xf));
        const __m256 u = _mm256_add_ps(_mm256_mul_ps(p10, xs), _mm256_mul_ps(p11, xf));
        const __m256 v = _mm256_add_ps(_mm256_mul_ps(t, ys), _mm256_mul_ps(u, yf));
        // A top-left tap holding the key gives the key (p00 itself).
        const __m256 mixed = _mm256_blendv_ps(_mm256_add_ps(v, _mm256_set1_ps(0.5f)), p00, keyed);
        crAddChannel(&pixels, K, _mm256_cvttps_epi32(mixed));
    };
    channel(std::integral_constant<int, 0>{});
    channel(std::integral_constant<int, 1>{});
    channel(std::integral_constant<int, 2>{});
    if constexpr (N == 4) channel(std::integral_constant<int, 3>{});
    return pixels;
}

// Tap j of channel k in a footprint row read as N 4-byte words.
template <int N, int J, int K> __m256 crCubicTap(const __m256i* words) {
    constexpr int kByte = N * J + K;
    return crByteLane<kByte % 4>(words[kByte / 4]);
}

template <int N, int K> __m256 crCubicRowLanes(const __m256i* words, const __m256* w) {
    __m256 sum =
        _mm256_add_ps(_mm256_mul_ps(crCubicTap<N, 0, K>(words), w[0]), _mm256_mul_ps(crCubicTap<N, 1, K>(words), w[1]));
    sum = _mm256_add_ps(sum, _mm256_mul_ps(crCubicTap<N, 2, K>(words), w[2]));
    return _mm256_add_ps(sum, _mm256_mul_ps(crCubicTap<N, 3, K>(words), w[3]));
}

// Bicubic, every footprint inside, its rows read in 8-byte pieces.
template <int N> __m256i crBicubicLanes(const CrStridedSource& s, const CrLanePos& p) {
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i left = crPixelOffsets<N>(s, _mm256_sub_epi32(p.x, one), _mm256_sub_epi32(p.y, one));
    alignas(32) int at[kLanes];
    _mm256_store_si256(reinterpret_cast<__m256i*>(at), left);
    __m256i words[4][4];
    for (int i = 0; i < 4; ++i) crLoadWords<4>(s, at, i, words[i]);
    const __m256i steps = _mm256_set1_epi32(kSubpixelSteps);
    __m256 beforeFirst, beforeSecond, afterFirst, afterSecond, aboveFirst, aboveSecond, belowFirst, belowSecond;
    crCubicEntries(p.fx, &beforeFirst, &beforeSecond);
    crCubicEntries(_mm256_sub_epi32(steps, p.fx), &afterFirst, &afterSecond);
    crCubicEntries(p.fy, &aboveFirst, &aboveSecond);
    crCubicEntries(_mm256_sub_epi32(steps, p.fy), &belowFirst, &belowSecond);
    const __m256 wx[4] = {beforeSecond, beforeFirst, afterFirst, afterSecond};
    __m256i pixels = _mm256_setzero_si256();
    auto channel = [&](auto k) {
        constexpr int K = decltype(k)::value;
        const __m256 r0 = crCubicRowLanes<N, K>(words[0], wx), r1 = crCubicRowLanes<N, K>(words[1], wx);
        const __m256 r2 = crCubicRowLanes<N, K>(words[2], wx), r3 = crCubicRowLanes<N, K>(words[3], wx);
        __m256 v = _mm256_add_ps(_mm256_mul_ps(aboveFirst, r1), _mm256_mul_ps(aboveSecond, r0));
        v = _mm256_add_ps(v, _mm256_mul_ps(belowFirst, r2));
        v = _mm256_add_ps(v, _mm256_mul_ps(belowSecond, r3));
        const __m256i q = V::RoundHalfAwayToInt(v);
        const __m256i limited = _mm256_min_epi32(_mm256_max_epi32(q, _mm256_setzero_si256()), _mm256_set1_epi32(255));
        crAddChannel(&pixels, K, limited);
    };
    channel(std::integral_constant<int, 0>{});
    channel(std::integral_constant<int, 1>{});
    channel(std::integral_constant<int, 2>{});
    if constexpr (N == 4) channel(std::integral_constant<int, 3>{});
    return pixels;
}

// Nearest, every pixel inside: a 3-byte pixel is read as the word that ends
// with it, except in the first column (where it begins the word, and the
// next pixel follows, the source being at least two wide).
template <int N> __m256i crNearestLanes(const CrStridedSource& s, __m256i x, __m256i y) {
    const __m256i at = crPixelOffsets<N>(s, x, y);
    if (N == 4) return crGather(s, at);
    const __m256i back = _mm256_cmpgt_epi32(x, _mm256_setzero_si256());  // -1 where x > 0
    const __m256i words = crGather(s, _mm256_add_epi32(at, back));
    return _mm256_srlv_epi32(words, _mm256_and_si256(back, _mm256_set1_epi32(8)));
}

// One row, eight pixels at a time; blocks with a pixel outside, and the
// row's last pixels, go pixel by pixel.
template <int N, CrSampler kSampler> void crStridedRow(const CrStridedSource& ss, const CrRowSource& s,
                                                       const float* pos, unsigned char* out, int width,
                                                       const unsigned char* fill) {
    int c = 0;
    for (; c + kLanes <= width; c += kLanes) {
        __m256 x, y;
        crLoadPositions(pos + 2 * static_cast<size_t>(c), &x, &y);
        unsigned char* px = out + static_cast<size_t>(c) * N;
        if constexpr (kSampler == CrSampler::kNearest) {
            const __m256i xi = V::RoundHalfAwayToInt(x), yi = V::RoundHalfAwayToInt(y);
            const __m256i inside = _mm256_and_si256(crWithin(xi, 0, static_cast<int>(s.width)),
                                                    crWithin(yi, 0, static_cast<int>(s.height)));
            if (crLaneMask(inside) == 0xFF) {
                crStorePixels<N>(px, crNearestLanes<N>(ss, xi, yi));
                continue;
            }
        } else {
            const CrLanePos p = crSplitLanes(x, y);
            if constexpr (kSampler == CrSampler::kBilinear || kSampler == CrSampler::kKeyedBilinear) {
                // The 16-byte read of a pair needs 16 - 2N more bytes of the row.
                const int lastX = static_cast<int>(s.lastX) - (N == 4 ? 2 : 4);
                const __m256i inside =
                    _mm256_and_si256(crWithin(p.x, 0, lastX), crWithin(p.y, 0, static_cast<int>(s.lastY)));
                if (crLaneMask(inside) == 0xFF) {
                    const bool keyed = kSampler == CrSampler::kKeyedBilinear;
                    crStorePixels<N>(px, crBilinearLanes<N>(ss, p, keyed ? fill : nullptr));
                    continue;
                }
            } else {
                // A 3-channel row's 16-byte read needs 4 more bytes of the row.
                const int spanX = N == 4 ? static_cast<int>(s.spanX) : static_cast<int>(s.spanX) - 2;
                const __m256i inside =
                    _mm256_and_si256(crWithin(p.x, 1, spanX + 1), crWithin(p.y, 1, static_cast<int>(s.spanY) + 1));
                if (crLaneMask(inside) == 0xFF) {
                    crStorePixels<N>(px, crBicubicLanes<N>(ss, p));
                    continue;
                }
            }
        }
        crSampleRowV<N, kSampler>(s, pos + 2 * static_cast<size_t>(c), px, kLanes, fill);
    }
    if (c < width)
        crSampleRowV<N, kSampler>(s, pos + 2 * static_cast<size_t>(c), out + static_cast<size_t>(c) * N, width - c,
                                  fill);
}

template <int N, CrSampler kSampler> void crStridedRows(const CrRemapJob& job, const CrStridedSource& ss) {
    const CrRowSource s = crRowSource(job);
    const Image* dst = job.dst;
    for (int r = 0; r < dst->height; ++r)
        crStridedRow<N, kSampler>(ss, s, job.lut[r], dst->data[r], dst->width, job.fill);
}

template <int N> void crStridedJob(const CrRemapJob& job, const CrStridedSource& ss) {
    switch (job.sampler) {
    case CrSampler::kNearest: crStridedRows<N, CrSampler::kNearest>(job, ss); break;
    case CrSampler::kBilinear: crStridedRows<N, CrSampler::kBilinear>(job, ss); break;
    case CrSampler::kBicubic: crStridedRows<N, CrSampler::kBicubic>(job, ss); break;
    case CrSampler::kKeyedBilinear: crStridedRows<N, CrSampler::kKeyedBilinear>(job, ss); break;
    }
}

// Strided sources of 3 and 4 channels (the keyed sampler with a key).
bool crRunStrided(const CrRemapJob& job) {
    const int n = job.dst->channels;
    CrStridedSource ss;
    const bool keyless = job.sampler == CrSampler::kKeyedBilinear && !job.fill;
    if ((n != 3 && n != 4) || keyless || !crFindStride(job, n, &ss)) return false;
    if (n == 3)
        crStridedJob<3>(job, ss);
    else
        crStridedJob<4>(job, ss);
    return true;
}

}  // namespace

bool crRemapAvx2(const CrRemapJob& job) { return crRunStrided(job) || crRunJobV(job); }
#else
bool crRemapAvx2(const CrRemapJob&) { return false; }
#endif
