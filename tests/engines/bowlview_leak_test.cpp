// Under valgrind: every operation of both types across re-Inits of one size and another, with and without a blend
// map (mode 4), a new frame size, Apply with null frames, Release twice.
#include <unistd.h>

#include <cstdio>

#include "bowlview_fixture.h"

namespace {

void crExerciseEveryOperation(EngineHandle* h, const MultiviewParam& param) {
    const std::vector<unsigned char> frame(size_t(crPackedStride(320)) * 240, 77);
    std::vector<unsigned char> out(size_t(crPackedStride(param.viewWidth)) * param.viewHeight);
    EXPECT_EQ(crMultiviewApply(h, frame.data(), nullptr, frame.data(), frame.data(), out.data()), 0);
    EXPECT_EQ(crMultiviewApply(h, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
    for (int slot = 0, len = 0; slot < 4; ++slot) {
        crMultiviewGetLUTLen(h, &len);
        std::vector<unsigned char> lut(len), mask((crMultiviewGetMaskLen(h, &len, slot), len));  // exact lengths
        crMultiviewGetLUT(h, lut.data(), 0, slot), crMultiviewGetMask(h, mask.data(), len, slot);
    }
    TestPicture picture(30, 20, 40, 50, 60);
    for (int kind : {0, CR_CLEAR_OVERLAY, CR_CAR_PICTURE, CR_REPLACE_MAP})
        crMultiviewSetImage(h, 30, 20, picture.bytes.data(), kind, -5, 40, 17, 9);
    const std::string path = ::testing::TempDir() + "camrig_bowlview_leak_" + std::to_string(getpid());
    crMultiviewSaveImage(h, path.c_str()), crMultiviewSaveLUT(h, path.c_str(), CR_SLOT_LEFT), std::remove(path.c_str());
}

TEST_F(BowlviewTest, EveryOperationAcrossReInitsThenReleaseTwice) {
    MultiviewParam noCameras = param;
    noCameras.cameras = nullptr;
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        h = crMultiviewCreate(type);
        crExerciseEveryOperation(h, param);  // before Init: nothing to do
        EXPECT_TRUE(crMultiviewInit(h, nullptr) == 0 && crMultiviewInit(h, &noCameras) == 0);
        for (auto [width, height, mode] : {std::tuple{160, 160, 0}, {160, 160, 4}, {90, 60, 4}, {90, 60, 0}}) {
            setView(width, height), param.mode = mode;
            init(type, CR_MULTI_BILINEAR | CR_MULTI_TINT), crExerciseEveryOperation(h, param);
        }
        cams[CR_SLOT_FRONT].imageWidth = 330, init(type), cams[CR_SLOT_FRONT].imageWidth = 320;  // new frame images
        EXPECT_EQ(crMultiviewRelease(&h), 0);
        EXPECT_EQ(h, nullptr);
        EXPECT_EQ(crMultiviewRelease(&h), 0);
    }
}

}  // namespace
