// Under valgrind: every operation across re-Inits (same and changed sizes, a turned 45 x 60 view), Release twice.
#include <unistd.h>

#include <cstdio>

#include "topview_fixture.h"

namespace {

void crExerciseEveryOperation(EngineHandle* h, MultiviewParam* param) {
    const std::vector<unsigned char> frame(size_t(crPackedStride(320)) * 240, 77);
    std::vector<unsigned char> out(size_t(crPackedStride(param->viewWidth)) * param->viewHeight);
    EXPECT_EQ(crMultiviewApply(h, frame.data(), frame.data(), nullptr, frame.data(), out.data()), 0);
    for (int slot = 0, len = 0; slot < 4; ++slot) {
        crMultiviewGetLUTLen(h, &len);
        std::vector<unsigned char> lut(len), mask((crMultiviewGetMaskLen(h, &len, slot), len));  // exact lengths
        crMultiviewGetLUT(h, lut.data(), int(lut.size()), slot), crMultiviewGetMask(h, mask.data(), len, slot);
    }
    TestPicture picture(30, 20, 40, 50, 60);
    for (int kind : {CR_CAR_PICTURE, 0, CR_REPLACE_MAP})
        crMultiviewSetImage(h, 30, 20, picture.bytes.data(), kind, -5, 40, 17, 9);
    crMultiviewSetImage(h, 0, 0, nullptr, CR_CLEAR_OVERLAY, 0, 0, 0, 0);
    const std::string path = ::testing::TempDir() + "camrig_topview_leak_" + std::to_string(getpid());
    crMultiviewSaveImage(h, path.c_str()), crMultiviewSaveLUT(h, path.c_str(), CR_SLOT_LEFT), std::remove(path.c_str());
    const float offsets[6] = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f};
    param->cameras[CR_SLOT_REAR].pointCount = 3;
    EXPECT_EQ(crMultiviewAdjustCameraPose(h, param, offsets, CR_SLOT_REAR), 0);
}

TEST_F(TopviewTest, ReInitWithTheSameAndAChangedSizeThenReleaseTwice) {
    MultiviewParam noCameras = param;
    noCameras.cameras = nullptr;
    EXPECT_TRUE(crMultiviewInit(h, nullptr) == 0 && crMultiviewInit(h, &noCameras) == 0);
    for (int mode : {0, 1, 2, 3, 5, 4}) init(mode), crExerciseEveryOperation(h, &param);
    param.viewWidth = 120;
    init(4), crExerciseEveryOperation(h, &param);
    setView(45, 60, 22.0f, 30.0f, 6.0f);
    for (int mode : {0, 2, 5}) init(mode, CR_MULTI_TURNED | CR_MULTI_TINT), crExerciseEveryOperation(h, &param);
    cams[CR_SLOT_FRONT].imageWidth = 330;  // a new frame image
    init(4);
    EXPECT_EQ(crMultiviewRelease(&h), 0);
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(crMultiviewRelease(&h), 0);
}

}  // namespace
