// Counting allocator: Apply allocates nothing; after a failed allocation in Init, Apply waits for an Init; no leaks.
#include "support/counting_malloc.h"
#include "topview_fixture.h"

namespace {

TEST_F(TopviewTest, ApplyAllocatesNothingAndAFailedAllocationInInitLeavesASafeEngine) {
    std::vector<unsigned char> frames[4], out(size_t(600) * 300);
    for (int i = 0; i < 4 * 960 * 240; ++i) frames[i / 230400].push_back(static_cast<unsigned char>(i * 7 % 251));
    const auto apply = [&](EngineHandle* engine, const unsigned char* left, std::vector<unsigned char>& to) {
        crMultiviewApply(engine, frames[0].data(), left, frames[2].data(), frames[3].data(), to.data());
    };
    for (uint32_t flags : {CR_MULTI_BILINEAR, CR_MULTI_TURNED | CR_MULTI_TINT | CR_MULTI_BICUBIC}) {
        init(0, flags);
        CrAllocationCounter counter;
        apply(h, frames[1].data(), out), apply(h, nullptr, out);
        EXPECT_EQ(counter.count(), 0u) << flags;
    }
    setView(20, 30, 10.0f, 15.0f, 20.0f);  // a small view keeps the number of allocations, and so of cases, low
    init(0, CR_MULTI_BILINEAR);
    const std::vector<unsigned char> untouched(size_t(60) * 30, 0xAB);
    std::vector<unsigned char> reference = untouched;
    apply(h, frames[1].data(), reference), out = untouched;  // out keeps its block across the cases
    size_t allocations = 0;
    for (EngineHandle* probe = crMultiviewCreate(0); probe; crMultiviewRelease(&probe)) {
        CrAllocationCounter counter;
        crMultiviewInit(probe, &param), allocations = counter.count();
    }
    ASSERT_GT(allocations, 10u);
    for (size_t n = 0; n < allocations; ++n) {
        SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
        CrAllocationCounter counter;
        EngineHandle* engine = crMultiviewCreate(0);
        crTestFailAllocationAfter(static_cast<long>(n));
        EXPECT_EQ(crMultiviewInit(engine, &param), 0);
        crTestFailAllocationAfter(-1);
        EXPECT_FALSE(crHasViewBuffers(crTopviewState(engine)));
        apply(engine, frames[1].data(), out = untouched);
        EXPECT_EQ(out, untouched);
        crMultiviewInit(engine, &param), apply(engine, frames[1].data(), out = untouched);
        EXPECT_EQ(out, reference);
        crMultiviewRelease(&engine);
        EXPECT_EQ(counter.live(), 0);
    }
}

}  // namespace
