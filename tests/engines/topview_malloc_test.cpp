// Top view under the counting allocator: Apply allocates nothing; a failed allocation in Init leaves an engine that
// ignores Apply until the next Init, without leaking.
#include "support/counting_malloc.h"
#include "topview_fixture.h"

namespace {

class TopviewMallocTest : public TopviewTest {
protected:
    void SetUp() override {
        TopviewTest::SetUp();
        for (int i = 0; i < 4 * 960 * 240; ++i) frames[i / 230400].push_back(static_cast<unsigned char>(i * 7 % 251));
    }
    void apply(EngineHandle* engine, std::vector<unsigned char>& out) {
        crMultiviewApply(engine, frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data(), out.data());
    }
    std::vector<unsigned char> frames[4];
};

TEST_F(TopviewMallocTest, ApplyAllocatesNothing) {
    std::vector<unsigned char> out(600 * 300);
    for (uint32_t flags : {CR_MULTI_BILINEAR, CR_MULTI_TURNED | CR_MULTI_TINT | CR_MULTI_BICUBIC}) {
        init(0, flags);
        CrAllocationCounter counter;
        apply(h, out), crMultiviewApply(h, nullptr, frames[1].data(), nullptr, nullptr, out.data());
        EXPECT_EQ(counter.count(), 0u) << flags;
    }
}

TEST_F(TopviewMallocTest, FailedAllocationInInitLeavesASafeEngine) {
    setView(20, 30, 10.0f, 15.0f, 20.0f);  // a small view keeps the number of allocations, and so of cases, low
    init(0, CR_MULTI_BILINEAR);
    const std::vector<unsigned char> untouched(60 * 30, 0xAB);
    std::vector<unsigned char> reference = untouched, out = untouched;  // out keeps its block across cases
    apply(h, reference);
    EngineHandle* probe = crMultiviewCreate(0);
    CrAllocationCounter probeCounter;
    crMultiviewInit(probe, &param);
    const size_t allocations = probeCounter.count();
    crMultiviewRelease(&probe);
    ASSERT_GT(allocations, 10u);
    for (size_t n = 0; n < allocations; ++n) {
        SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
        CrAllocationCounter counter;
        EngineHandle* engine = crMultiviewCreate(0);
        crTestFailAllocationAfter(static_cast<long>(n));
        EXPECT_EQ(crMultiviewInit(engine, &param), 0);
        crTestFailAllocationAfter(-1);
        EXPECT_FALSE(crTopviewHasView(static_cast<TopviewState*>(engine->state)));
        apply(engine, out = untouched);
        EXPECT_EQ(out, untouched);
        crMultiviewInit(engine, &param), apply(engine, out = untouched);
        EXPECT_EQ(out, reference);
        crMultiviewRelease(&engine);
        EXPECT_EQ(counter.live(), 0);
    }
}

}  // namespace
