// Every vector path of the samplers against the scalar reference: the same
// bytes for every sampler, channel count and fill, on LUTs full of edge
// coordinates. Source rows are allocated to their exact length, so a path
// that reads one byte past a row fails under AddressSanitizer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "image/remap_simd.h"
#include "remap_support.h"

namespace {

// A picture whose rows are exactly width x channels bytes: each its own
// block, or end to end in one.
struct TightImage {
    std::vector<std::unique_ptr<unsigned char[]>> blocks;
    std::vector<unsigned char*> rows;
    Image img{};
    TightImage(int n, int w, int h, bool oneBlock, std::mt19937& rng, int levels) : blocks(h), rows(h) {
        const size_t rowBytes = static_cast<size_t>(n) * w;
        if (oneBlock && h > 0) blocks[0].reset(new unsigned char[rowBytes * h]);
        for (int r = 0; r < h; ++r) {
            if (oneBlock)
                rows[r] = blocks[0].get() + rowBytes * r;
            else
                rows[r] = (blocks[r] = std::make_unique<unsigned char[]>(rowBytes)).get();
            // Few levels make key-coloured taps common.
            for (int i = 0; i < n * w; ++i)
                rows[r][i] = static_cast<unsigned char>(rng() % levels * (255 / (levels - 1)));
        }
        img.channels = n, img.width = w, img.height = h, img.stride = n * w, img.data = rows.data();
    }
};

// A coordinate near an edge of a source `size` pixels long, or a hostile
// value, one time in edgeEvery; else one inside or just around the source.
float crEdgeCoordinate(int size, int edgeEvery, std::mt19937& rng) {
    const float inf = std::numeric_limits<float>::infinity();
    const float edges[] = {-1.0f,       -0.5f,         -0.4995f,    0.0f,        0.49951172f,    1.0f - 1.0f / 2048,
                           size - 3.0f, size - 2.0f,   size - 1.5f, size - 1.0f, size - 0.9995f, size - 0.5f,
                           size + 0.0f, 1e10f,         -1e10f,      inf,         -inf,           std::nanf(""),
                           2.1e9f,      -2147483648.0f};
    if (rng() % edgeEvery == 0) return edges[rng() % (sizeof edges / sizeof edges[0])];
    return std::uniform_real_distribution<float>(-0.2f, size - 0.8f)(rng);
}

struct Case {
    int srcWidth, srcHeight;
    bool oneBlock;  // rows one stride apart, which the widest paths need
    int edgeEvery;
};

TEST(RemapSimd, EveryPathWritesTheScalarBytes) {
    const CrSimdPath paths[] = {CrSimdPath::kSse2, CrSimdPath::kAvx2, CrSimdPath::kNeon};
    const CrSampler samplers[] = {CrSampler::kNearest, CrSampler::kBilinear, CrSampler::kBicubic,
                                  CrSampler::kKeyedBilinear};
    // Sources too small for any footprint, just big enough, and roomy; LUTs
    // mostly at edges, and mostly inside (whole blocks of pixels inside).
    const Case cases[] = {{1, 1, false, 2},   {2, 2, false, 2},   {4, 4, true, 2},  {5, 3, false, 2},
                          {9, 7, true, 2},    {0, 0, false, 2},   {2, 2, true, 40}, {4, 4, true, 40},
                          {40, 30, true, 40}, {40, 30, false, 40}};
    const unsigned char fillColour[5] = {255, 0, 127, 255, 9};
    std::mt19937 rng(7);
    int compared = 0;
    for (const CrSimdPath path : paths) {
        if (!crSimdPathAvailable(path)) continue;
        for (const Case& k : cases)
            for (int n = 1; n <= 5; ++n)
                for (const CrSampler sampler : samplers)
                    for (const unsigned char* fill : {static_cast<const unsigned char*>(nullptr), fillColour}) {
                        if (sampler == CrSampler::kKeyedBilinear && !fill) continue;
                        TightImage src(n, k.srcWidth, k.srcHeight, k.oneBlock, rng, 3);
                        const int w = 37, h = 3;  // odd: every block size leaves a tail
                        TestLut lut(w, h);
                        for (int r = 0; r < h; ++r)
                            for (int c = 0; c < w; ++c)
                                lut.set(c, r, crEdgeCoordinate(k.srcWidth, k.edgeEvery, rng),
                                        crEdgeCoordinate(k.srcHeight, k.edgeEvery, rng));
                        TestImage expected(n, w, h), actual(n, w, h);
                        expected.paint([&](int, int, int) { return rng() % 256; });
                        for (int r = 0; r < h; ++r) std::copy_n(expected->data[r], n * w, actual->data[r]);
                        crRemapScalar({&src.img, expected, lut, sampler, fill});
                        crRunRemap({&src.img, actual, lut, sampler, fill}, path);
                        for (int r = 0; r < h; ++r)
                            ASSERT_TRUE(
                                std::equal(expected->data[r], expected->data[r] + size_t(n) * w, actual->data[r]))
                                << "path " << static_cast<int>(path) << " sampler " << static_cast<int>(sampler)
                                << " channels " << n << " source " << k.srcWidth << "x" << k.srcHeight << " row " << r
                                << (fill ? " fill" : " no fill");
                        ++compared;
                    }
    }
    if (compared == 0) GTEST_SKIP() << "no vector path on this CPU";
}

}  // namespace
