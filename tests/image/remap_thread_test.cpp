// Threads remapping into distinct destinations, from the process's first remap on, give the single-threaded bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <thread>

#include "remap_support.h"

namespace {

TEST(RemapThreads, ConcurrentFirstCallsMatchSequentialResults) {
    const int threads = 8, w = 64, h = 48, rowBytes = 3 * w;
    TestImage src(3, w, h);
    TestLut lut(w, h);
    src.paint([](int c, int r, int k) { return (r * 13 + (3 * c + k) * 29) % 251; });
    for (int i = 0, c = 0, r = 0; i < w * h; ++i, c = i % w, r = i / w)
        lut.set(c, r, c * 0.91f + r * 0.13f - 2.3f, r * 1.07f - c * 0.05f + 0.7f);
    auto run = [&](int mode, Image* dst) {  // nearest, bilinear, bicubic, keyed bilinear; fill or key: pixel (0, 0)
        mode == 3 ? crRemapAlpha(src, dst, lut, 1, src->data[0]) : crRemap(src, dst, lut, mode, src->data[0]);
    };
    std::deque<TestImage> results, expected;
    std::vector<std::thread> pool;
    std::atomic<int> ready{0};
    for (int t = 0; t < threads; ++t) results.emplace_back(3, w, h), expected.emplace_back(3, w, h);
    pool.reserve(threads);
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            for (++ready; ready.load() < threads;) std::this_thread::yield();
            for (int round = 0; round < 3; ++round) run(t % 4, results[t]);
        });
    for (auto& th : pool) th.join();
    for (int t = 0; t < threads; ++t) {
        run(t % 4, expected[t]);
        for (int i = 0; i < rowBytes * h; ++i)
            ASSERT_EQ(results[t]->data[i / rowBytes][i % rowBytes], expected[t]->data[i / rowBytes][i % rowBytes]) << t;
    }
}

}  // namespace
