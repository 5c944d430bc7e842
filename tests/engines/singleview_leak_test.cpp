// Single-view sessions under valgrind's leak checker: re-Init at the same and another size, Release twice.
#include "singleview_support.h"

TEST(SingleviewLeaks, SessionsWithAndWithoutOverlaysReleaseEverything) {
    for (uint32_t flags : {0u, CR_VIEW_LENS | CR_VIEW_OVERLAY | CR_VIEW_BILINEAR}) {
        SingleviewRig rig(flags);
        rig.runSession();
        rig.view.outWidth = 40;  // every view-size table again, at another size
        rig.runSession();
    }
    EngineHandle* h = crSingleviewCreate(0);
    EXPECT_EQ(crSingleviewRelease(&h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(crSingleviewRelease(&h), 0);
}
