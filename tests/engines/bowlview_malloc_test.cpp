// Counting allocator: Apply allocates nothing; a failed allocation of the engine's buffers in Init leaves an engine
// that waits for the next Init, then renders as one that never failed; no leaks.
#include "bowlview_fixture.h"
#include "support/counting_malloc.h"

namespace {

TEST_F(BowlviewTest, ApplyAllocatesNothingAndAFailedBufferAllocationLeavesASafeEngine) {
    const std::vector<unsigned char> frame(size_t(crPackedStride(320)) * 24, 77);
    const auto apply = [&](EngineHandle* engine, std::vector<unsigned char>& out) {
        crMultiviewApply(engine, frame.data(), frame.data(), frame.data(), frame.data(), out.data());
    };
    setView(24, 16);  // small pictures keep the number of allocations, and so of cases, low
    for (CameraParam& c : cams) c.imageHeight = 24;
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        std::vector<unsigned char> reference(size_t(72) * 16, 0xAB), out = reference;
        const std::vector<unsigned char> untouched = reference;
        size_t fresh = 0, again = 0;  // allocations of a first Init and of one that reuses the buffers
        h = crMultiviewCreate(type);
        {
            CrAllocationCounter counter;
            init(type, CR_MULTI_TINT), fresh = counter.count();
        }
        {
            CrAllocationCounter counter;
            init(type, CR_MULTI_TINT), again = counter.count();
            apply(h, reference);
            EXPECT_EQ(counter.count(), again);  // Apply allocated nothing
        }
        ASSERT_GT(fresh, again + 10);
        for (size_t n = 0; n < fresh - again; ++n) {  // the buffers come first, before any table is computed
            SCOPED_TRACE(testing::Message() << "allocation " << n << " fails");
            CrAllocationCounter counter;
            EngineHandle* engine = crMultiviewCreate(type);
            crTestFailAllocationAfter(static_cast<long>(n));
            EXPECT_EQ(crMultiviewInit(engine, &param), 0);
            crTestFailAllocationAfter(-1);
            EXPECT_FALSE(crHasViewBuffers(crBowlviewState(engine)));
            apply(engine, out = untouched);
            EXPECT_EQ(out, untouched);
            crMultiviewInit(engine, &param), apply(engine, out = untouched);
            EXPECT_EQ(out, reference);
            crMultiviewRelease(&engine);
            EXPECT_EQ(counter.live(), 0);
        }
        crMultiviewRelease(&h);
    }
}

}  // namespace
