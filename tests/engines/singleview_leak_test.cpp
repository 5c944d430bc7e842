// Single-view engine sessions that rebuild every table and picture; run under
// valgrind's leak checker, so anything the state forgets to free fails here.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "singleview_support.h"

namespace {

TEST(SingleviewLeaks, ResizedPicturesAndTablesAreAllReleased) {
    SingleviewRig rig;
    rig.view.flags = CR_VIEW_LENS | CR_VIEW_OVERLAY | CR_VIEW_BILINEAR;
    const std::string path = ::testing::TempDir() + "camrig_singleview_leak.out";
    EngineHandle* h = crSingleviewCreate(0);
    ASSERT_NE(h, nullptr);
    PackedPicture frame = crTestFrame(rig.cam);
    for (int size = 0; size < 3; ++size) {
        PackedPicture picture(20 + size, 10, 90), overlay(8 + size, 8, 40);
        crSingleviewSetImage(h, picture.width, picture.height, picture.bytes.data(), 0);
        crSingleviewSetOverlay(h, overlay.width, overlay.height, overlay.bytes.data());
        rig.view.outWidth = 48 + 8 * size;
        EXPECT_EQ(crSingleviewInit(h, &rig.view), 0);
        EXPECT_EQ(crSingleviewInit(h, &rig.view), 0);
        PackedPicture out(rig.view.outWidth, rig.view.outHeight);
        EXPECT_EQ(crSingleviewApply(h, frame.bytes.data(), out.bytes.data()), 0);
        int len = 0;
        crSingleviewGetLUTLen(h, &len);
        std::vector<unsigned char> table(len);
        EXPECT_EQ(crSingleviewGetLUT(h, table.data(), len), 0);
        EXPECT_EQ(crSingleviewGetMaskLen(h, &len, 800), 0);
        std::vector<unsigned char> mask(len);
        EXPECT_EQ(crSingleviewGetMask(h, mask.data(), len), 0);
        EXPECT_EQ(crSingleviewSaveLUT(h, path.c_str()), 0);
        EXPECT_EQ(crSingleviewSaveImage(h, path.c_str()), 0);
    }
    EXPECT_EQ(crSingleviewSetImage(h, 20, 10, nullptr, 1), 0);
    EXPECT_EQ(crSingleviewRelease(&h), 0);
    EXPECT_EQ(h, nullptr);
    std::remove(path.c_str());
}

}  // namespace
