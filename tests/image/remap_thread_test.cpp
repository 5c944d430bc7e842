// Concurrent remapping into distinct destinations, starting with the very
// first remap of the process, gives the single-threaded bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "remap_support.h"

namespace {

constexpr int kThreads = 4;
constexpr int kW = 64, kH = 48;

void crPaint(TestImage& src) {
    for (int r = 0; r < kH; ++r)
        for (int i = 0; i < 3 * kW; ++i) src->data[r][i] = static_cast<unsigned char>((r * 13 + i * 29) % 251);
}

void crWarp(TestLut& lut) {
    for (int r = 0; r < kH; ++r)
        for (int c = 0; c < kW; ++c) lut.set(c, r, c * 0.91f + r * 0.13f - 2.3f, r * 1.07f - c * 0.05f + 0.7f);
}

// Thread t runs mode t % 4: nearest, bilinear, bicubic, keyed bilinear.
void crRunMode(int mode, TestImage& src, TestLut& lut, TestImage& dst) {
    const unsigned char fill[3] = {1, 2, 3};
    if (mode == 3)
        crRemapAlpha(src, dst, lut, 1, fill);
    else
        crRemap(src, dst, lut, mode, fill);
}

TEST(RemapThreads, ConcurrentFirstCallsMatchSequentialResults) {
    TestImage src(3, kW, kH);
    TestLut lut(kW, kH);
    crPaint(src);
    crWarp(lut);

    std::vector<std::unique_ptr<TestImage>> results;
    for (int t = 0; t < kThreads * 2; ++t) results.push_back(std::make_unique<TestImage>(3, kW, kH));
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads * 2; ++t)
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads * 2) std::this_thread::yield();
            for (int round = 0; round < 3; ++round) crRunMode(t % 4, src, lut, *results[t]);
        });
    for (auto& th : threads) th.join();

    for (int t = 0; t < kThreads * 2; ++t) {
        TestImage expected(3, kW, kH);
        crRunMode(t % 4, src, lut, expected);
        for (int r = 0; r < kH; ++r)
            for (int i = 0; i < 3 * kW; ++i)
                ASSERT_EQ(results[t]->img->data[r][i], expected->data[r][i]) << "thread " << t << " row " << r;
    }
}

}  // namespace
