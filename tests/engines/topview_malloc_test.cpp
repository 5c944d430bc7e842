// Top view under the counting allocator: Apply allocates nothing, and an
// allocation that fails anywhere inside Init leaves an engine that ignores
// Apply until the next Init, without leaking.
#include "support/counting_malloc.h"
#include "topview_fixture.h"

namespace {

class TopviewMallocTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        param.mode = 0;
        param.flags = CR_MULTI_BILINEAR;
        for (int i = 0; i < 4; ++i) {
            frames[i].assign(static_cast<size_t>(crPackedStride(320)) * 240, 0);
            for (size_t b = 0; b < frames[i].size(); ++b) frames[i][b] = static_cast<unsigned char>(b * (i + 3) % 251);
        }
    }
    std::vector<unsigned char> apply(EngineHandle* engine) {
        std::vector<unsigned char> out(static_cast<size_t>(crPackedStride(param.viewWidth)) * param.viewHeight, 0xAB);
        crMultiviewApply(engine, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.data());
        return out;
    }
    std::vector<unsigned char> frames[4];
};

TEST_F(TopviewMallocTest, ApplyAllocatesNothing) {
    for (uint32_t flags : {CR_MULTI_BILINEAR, CR_MULTI_TURNED | CR_MULTI_TINT | CR_MULTI_BICUBIC}) {
        param.flags = flags;
        crMultiviewInit(h, &param);
        std::vector<unsigned char> out(static_cast<size_t>(crPackedStride(200)) * 300);
        CrAllocationCounter counter;
        crMultiviewApply(h, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.data());
        crMultiviewApply(h, nullptr, frames[1].data(), nullptr, nullptr, out.data());
        EXPECT_EQ(counter.count(), 0u) << flags;
    }
}

TEST_F(TopviewMallocTest, FailedAllocationInInitLeavesASafeEngine) {
    // A small view keeps the number of allocations, and so of cases, low.
    setView(20, 30, 10.0f, 15.0f, 20.0f);
    crMultiviewInit(h, &param);
    const std::vector<unsigned char> reference = apply(h);
    size_t initAllocations = 0;
    {
        EngineHandle* probe = crMultiviewCreate(0);
        CrAllocationCounter counter;
        crMultiviewInit(probe, &param);
        initAllocations = counter.count();
        crMultiviewRelease(&probe);
    }
    ASSERT_GT(initAllocations, 10u);
    for (size_t n = 0; n < initAllocations; ++n) {
        CrAllocationCounter counter;
        EngineHandle* engine = crMultiviewCreate(0);
        crTestFailAllocationAfter(static_cast<long>(n));
        EXPECT_EQ(crMultiviewInit(engine, &param), 0);
        crTestFailAllocationAfter(-1);
        const bool ready = static_cast<TopviewState*>(engine->state)->blendMap != nullptr;
        EXPECT_FALSE(ready) << "allocation " << n << " failed, yet the engine reads as initialised";
        {
            const std::vector<unsigned char> untouched = apply(engine);
            EXPECT_EQ(std::count(untouched.begin(), untouched.end(), 0xAB), static_cast<long>(untouched.size())) << n;
        }

        crMultiviewInit(engine, &param);
        EXPECT_EQ(apply(engine), reference) << "after failing allocation " << n;
        crMultiviewRelease(&engine);
        EXPECT_EQ(counter.live(), 0) << "leak after failing allocation " << n;
    }
}

}  // namespace
