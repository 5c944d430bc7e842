// Row loops of the vector samplers, written once over a backend V that
// supplies four float lanes and the coordinate arithmetic of one instruction
// set. Included only by the per-instruction-set files, inside an anonymous
// namespace there: the code is compiled for that set alone and no copy of it
// is shared with other files.
//
// A pixel's channels (3 or 4) fill the lanes; each lane then performs the
// scalar sampler's operations for its channel in the scalar order:
//   bilinear: top = p00 * wx.second + p01 * wx.first (bottom alike), then
//             top * wy.second + bottom * wy.first, rounded half up;
//   bicubic:  each row ((t0 * w0 + t1 * w1) + t2 * w2) + t3 * w3, then
//             ((a.first * r1 + a.second * r0) + b.first * r2) + b.second * r3,
//             rounded half away from zero and limited to 0..255.
// Coordinates are split into whole pixels and 1/1024 fractions several
// pixels at a time with the scalar rounding (out of range and NaN give
// INT_MIN); the weights come from the scalar samplers' own tables.
//
// Needs, before inclusion: <cstring>, <cstdint>, remap_simd.h,
// remap_tables.h, and the backend V.

// Four bytes from p, the first in the low byte (every supported target is
// little-endian).
inline uint32_t crLoadBytes(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// The tap of N bytes at p, its bytes in the low lanes. A 3-byte tap is read
// as the four bytes that end with it (p - 1 is the previous tap's last byte),
// so no byte past the tap is touched.
template <int N> inline uint32_t crLoadLastTap(const unsigned char* p) {
    if (N == 4) return crLoadBytes(p);
    return crLoadBytes(p - 1) >> 8;
}

template <int N> inline void crStoreBytes(unsigned char* out, uint32_t v) { std::memcpy(out, &v, N); }

// Geometry of one job, shared by the row loops.
struct CrRowSource {
    const unsigned char* const* rows;
    unsigned width, height;  // nearest: the tap lies before these
    unsigned lastX, lastY;   // bilinear: the top-left tap lies before these
    unsigned spanX, spanY;   // bicubic: the tap before the sample lies in 0 .. span - 1
};

// A pixel's LUT position split into whole source pixels and 1/1024
// fractions (nearest: the rounded position, no fraction).
struct CrSplitPos {
    int x, y, fx, fy;
};

// Calls pixel(c, position) for every pixel c of a row, splitting the
// positions V::kBlock pixels at a time: rounded to whole pixels for the
// nearest sampler, into 1/1024 steps for the others.
template <bool kNearest, typename Pixel> void crForEachSplitPos(const float* pos, int width, Pixel&& pixel) {
    constexpr int kBlock = V::kBlock;
    alignas(32) int whole[2 * kBlock];
    alignas(32) int fraction[2 * kBlock] = {};
    auto split = [&](const float* at) {
        if constexpr (kNearest)
            V::Nearest(at, whole);
        else
            V::Subpixel(at, whole, fraction);
    };
    auto visit = [&](int c, int count) {
        for (int i = 0; i < count; ++i) {
            const size_t at = 2 * static_cast<size_t>(i);
            pixel(c + i, CrSplitPos{whole[at], whole[at + 1], fraction[at], fraction[at + 1]});
        }
    };
    int c = 0;
    for (; c + kBlock <= width; c += kBlock) {
        split(pos + 2 * static_cast<size_t>(c));
        visit(c, kBlock);
    }
    if (c == width) return;
    alignas(32) float tail[2 * kBlock] = {};
    std::memcpy(tail, pos + 2 * static_cast<size_t>(c), sizeof(float) * 2 * static_cast<size_t>(width - c));
    split(tail);
    visit(c, width - c);
}

template <int N>
void crBilinearPixelV(const CrRowSource& s, CrSplitPos p, unsigned char* px, const unsigned char* fill) {
    const unsigned x = static_cast<unsigned>(p.x), y = static_cast<unsigned>(p.y);
    if (x < s.lastX && y < s.lastY) {
        const unsigned char* top = s.rows[y] + static_cast<size_t>(x) * N;
        const unsigned char* bottom = s.rows[y + 1] + static_cast<size_t>(x) * N;
        const TapWeights& wx = kLinearWeights[p.fx];
        const TapWeights& wy = kLinearWeights[p.fy];
        const typename V::F xs = V::Splat(&wx.second), xf = V::Splat(&wx.first);
        const typename V::F t =
            V::Add(V::Mul(V::Taps(crLoadBytes(top)), xs), V::Mul(V::Taps(crLoadLastTap<N>(top + N)), xf));
        const typename V::F b =
            V::Add(V::Mul(V::Taps(crLoadBytes(bottom)), xs), V::Mul(V::Taps(crLoadLastTap<N>(bottom + N)), xf));
        const typename V::F v = V::Add(V::Mul(t, V::Splat(&wy.second)), V::Mul(b, V::Splat(&wy.first)));
        crStoreBytes<N>(px, V::RoundUpToBytes(v));
    } else if (fill) {
        std::memcpy(px, fill, N);
    }
}

// Keyed mix: a lane whose top-left tap holds the key gives the key; other
// taps that hold it stand in as the top-left tap. key is never null.
template <int N> void crKeyedPixelV(const CrRowSource& s, CrSplitPos p, unsigned char* px, const unsigned char* key) {
    const unsigned x = static_cast<unsigned>(p.x), y = static_cast<unsigned>(p.y);
    if (x >= s.lastX || y >= s.lastY) {
        std::memcpy(px, key, N);
        return;
    }
    uint32_t keyBytes = 0;  // assembled in a register: a copy through memory would stall the next read
    for (int i = 0; i < N; ++i) keyBytes |= static_cast<uint32_t>(key[i]) << (8 * i);
    const typename V::F k = V::Taps(keyBytes);
    const unsigned char* top = s.rows[y] + static_cast<size_t>(x) * N;
    const unsigned char* bottom = s.rows[y + 1] + static_cast<size_t>(x) * N;
    const typename V::F p00 = V::Taps(crLoadBytes(top));
    const typename V::F p01 = V::KeyedTap(V::Taps(crLoadLastTap<N>(top + N)), k, p00);
    const typename V::F p10 = V::KeyedTap(V::Taps(crLoadBytes(bottom)), k, p00);
    const typename V::F p11 = V::KeyedTap(V::Taps(crLoadLastTap<N>(bottom + N)), k, p00);
    const TapWeights& wx = kLinearWeights[p.fx];
    const TapWeights& wy = kLinearWeights[p.fy];
    const typename V::F xs = V::Splat(&wx.second), xf = V::Splat(&wx.first);
    const typename V::F t = V::Add(V::Mul(p00, xs), V::Mul(p01, xf));
    const typename V::F b = V::Add(V::Mul(p10, xs), V::Mul(p11, xf));
    const typename V::F v = V::Add(V::Mul(t, V::Splat(&wy.second)), V::Mul(b, V::Splat(&wy.first)));
    const uint32_t mixed = V::RoundUpToBytes(v);
    const uint32_t keyed = V::KeyLanes(p00, k);  // 0xFF in each byte whose top-left tap is the key
    crStoreBytes<N>(px, (mixed & ~keyed) | (keyBytes & keyed));
}

// One source row of the 4 x 4 footprint at p, summed in column order.
template <int N> inline typename V::F crCubicRowV(const unsigned char* p, const typename V::F* w) {
    constexpr size_t kTap = N;
    typename V::F sum = V::Add(V::Mul(V::Taps(crLoadBytes(p)), w[0]), V::Mul(V::Taps(crLoadBytes(p + kTap)), w[1]));
    sum = V::Add(sum, V::Mul(V::Taps(crLoadBytes(p + 2 * kTap)), w[2]));
    return V::Add(sum, V::Mul(V::Taps(crLoadLastTap<N>(p + 3 * kTap)), w[3]));
}

template <int N>
void crBicubicPixelV(const CrRowSource& s, CrSplitPos p, unsigned char* px, const unsigned char* fill) {
    const unsigned x = static_cast<unsigned>(p.x) - 1u, y = static_cast<unsigned>(p.y) - 1u;
    if (x >= s.spanX || y >= s.spanY) {
        if (fill) std::memcpy(px, fill, N);
        return;
    }
    const TapWeights& before = kCubicWeights[p.fx];
    const TapWeights& after = kCubicWeights[kSubpixelSteps - p.fx];
    const typename V::F wx[4] = {V::Splat(&before.second), V::Splat(&before.first), V::Splat(&after.first),
                                 V::Splat(&after.second)};
    const TapWeights& above = kCubicWeights[p.fy];
    const TapWeights& below = kCubicWeights[kSubpixelSteps - p.fy];
    const size_t left = static_cast<size_t>(x) * N;
    const typename V::F r0 = crCubicRowV<N>(s.rows[y] + left, wx);
    const typename V::F r1 = crCubicRowV<N>(s.rows[y + 1] + left, wx);
    const typename V::F r2 = crCubicRowV<N>(s.rows[y + 2] + left, wx);
    const typename V::F r3 = crCubicRowV<N>(s.rows[y + 3] + left, wx);
    typename V::F v = V::Add(V::Mul(V::Splat(&above.first), r1), V::Mul(V::Splat(&above.second), r0));
    v = V::Add(v, V::Mul(V::Splat(&below.first), r2));
    v = V::Add(v, V::Mul(V::Splat(&below.second), r3));
    crStoreBytes<N>(px, V::RoundHalfAwayToBytes(v));
}

template <int N>
void crNearestPixelV(const CrRowSource& s, CrSplitPos p, unsigned char* px, const unsigned char* fill) {
    const unsigned x = static_cast<unsigned>(p.x), y = static_cast<unsigned>(p.y);
    if (x < s.width && y < s.height)
        std::memcpy(px, s.rows[y] + static_cast<size_t>(x) * N, N);
    else if (fill)
        std::memcpy(px, fill, N);
}

// One pixel of the job's sampler.
template <int N> void crSamplePixelV(CrSampler sampler, const CrRowSource& s, CrSplitPos p, unsigned char* px,
                                     const unsigned char* fill) {
    switch (sampler) {
    case CrSampler::kNearest: crNearestPixelV<N>(s, p, px, fill); break;
    case CrSampler::kBilinear: crBilinearPixelV<N>(s, p, px, fill); break;
    case CrSampler::kBicubic: crBicubicPixelV<N>(s, p, px, fill); break;
    case CrSampler::kKeyedBilinear: crKeyedPixelV<N>(s, p, px, fill); break;
    }
}

// A row of the job's sampler, pixel by pixel. The sampler's switch is
// resolved per row by instantiating the loop for each.
template <int N, CrSampler kSampler>
void crSampleRowV(const CrRowSource& s, const float* pos, unsigned char* out, int width, const unsigned char* fill) {
    auto pixel = [&](int c, CrSplitPos p) {
        crSamplePixelV<N>(kSampler, s, p, out + static_cast<size_t>(c) * N, fill);
    };
    crForEachSplitPos<kSampler == CrSampler::kNearest>(pos, width, pixel);
}

template <int N> void crRunRowsV(const CrRemapJob& job, const CrRowSource& s) {
    const Image* dst = job.dst;
    for (int r = 0; r < dst->height; ++r) {
        const float* pos = job.lut[r];
        unsigned char* out = dst->data[r];
        switch (job.sampler) {
        case CrSampler::kNearest: crSampleRowV<N, CrSampler::kNearest>(s, pos, out, dst->width, job.fill); break;
        case CrSampler::kBilinear: crSampleRowV<N, CrSampler::kBilinear>(s, pos, out, dst->width, job.fill); break;
        case CrSampler::kBicubic: crSampleRowV<N, CrSampler::kBicubic>(s, pos, out, dst->width, job.fill); break;
        case CrSampler::kKeyedBilinear:
            crSampleRowV<N, CrSampler::kKeyedBilinear>(s, pos, out, dst->width, job.fill);
            break;
        }
    }
}

// v - less, or 0 when that is not positive.
inline unsigned crExcess(int v, int less) { return v > less ? static_cast<unsigned>(v - less) : 0u; }

inline CrRowSource crRowSource(const CrRemapJob& job) {
    const int w = job.src->width, h = job.src->height;
    return {job.src->data,  crExcess(w, 0), crExcess(h, 0), crExcess(w, 1),
            crExcess(h, 1), crExcess(w, 3), crExcess(h, 3)};
}

// The jobs the vector rows take: 3- and 4-channel pictures in every sampler
// (the keyed one with a key).
inline bool crRunJobV(const CrRemapJob& job) {
    const int n = job.dst->channels;
    if ((n != 3 && n != 4) || (job.sampler == CrSampler::kKeyedBilinear && !job.fill)) return false;
    if (n == 3)
        crRunRowsV<3>(job, crRowSource(job));
    else
        crRunRowsV<4>(job, crRowSource(job));
    return true;
}
