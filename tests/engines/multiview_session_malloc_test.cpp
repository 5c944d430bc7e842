// Counting allocator: a whole multi-view session, from create to release,
// with each of its allocations failing in turn, leaves nothing allocated.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bowlview_fixture.h"
#include "support/counting_malloc.h"
#include "support/emulation.h"

namespace {

// Every operation that allocates: Init (twice, the second re-using the
// buffers), a placed and a car picture, Apply, the tables, both files, a pose
// adjustment, release. Buffers are made up front, outside the count.
struct Session {
    MultiviewParam* param;
    int type;
    TestPicture picture{20, 10, 90, 90, 90};
    std::vector<unsigned char> frame, out, table;
    std::string path = ::testing::TempDir() + "camrig_session_" + std::to_string(getpid());
    Session(MultiviewParam* p, int t)
        : param(p),
          type(t),
          frame(size_t(crPackedStride(320)) * p->cameras[0].imageHeight, 60),
          out(size_t(crPackedStride(p->viewWidth)) * p->viewHeight),
          table(size_t(16) * p->viewWidth * p->viewHeight) {}
    void run() {
        const float offsets[6] = {1.0f, 0.0f, 0.0f, 0.5f, 0.0f, 0.0f};
        const unsigned char* f = frame.data();
        int len = 0;
        EngineHandle* h = crMultiviewCreate(type);
        crMultiviewInit(h, param), crMultiviewInit(h, param);
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), 0, 3, 4, 30, 12);
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), CR_CAR_PICTURE, 0, 0, 0, 0);
        crMultiviewApply(h, f, f, f, f, out.data());
        crMultiviewGetLUTLen(h, &len), crMultiviewGetLUT(h, table.data(), len, CR_SLOT_LEFT);
        crMultiviewGetMaskLen(h, &len, 2), crMultiviewGetMask(h, table.data(), len, 2);
        crMultiviewSaveLUT(h, path.c_str(), CR_SLOT_REAR), crMultiviewSaveImage(h, path.c_str());
        crMultiviewAdjustCameraPose(h, param, offsets, CR_SLOT_RIGHT);
        crMultiviewRelease(&h), std::remove(path.c_str());
    }
};

// Fails allocations 0, step, 2 step, ... of a session (every one when step
// is 1; sessions that repeat the same sites thousands of times are sampled).
void crSweepSession(Session& session, size_t maxCases) {
    CrAllocationCounter valid;
    session.run();
    const size_t total = valid.count();
    ASSERT_GT(total, 10u);
    ASSERT_EQ(valid.live(), 0);
    const size_t step = total > maxCases ? total / maxCases : 1;
    for (size_t n = 0; n < total; n += step) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(static_cast<long>(n));
        session.run();
        crTestFailAllocationAfter(-1);
        EXPECT_EQ(counter.live(), 0) << "allocation " << n << " of " << total << " fails";
    }
}

TEST_F(TopviewTest, EveryFailedAllocationOfASessionLeavesNothingLive) {
    setView(40, 60, 20.0f, 30.0f, 10.0f);
    for (int mode : {1, 2}) {
        param.mode = mode;
        Session session(&param, 0);
        crSweepSession(session, crSweepCases(1500, 300));
    }
}

TEST_F(BowlviewTest, EveryFailedAllocationOfASessionLeavesNothingLive) {
    setView(24, 16);
    for (CameraParam& c : cams) c.imageHeight = 24;
    for (int type : {1, 2}) {
        Session session(&param, type);
        crSweepSession(session, crSweepCases(300, 100));
    }
}

}  // namespace
