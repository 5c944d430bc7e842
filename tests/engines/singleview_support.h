// A 64 x 48 fisheye 40 units up (focal 40), its neutral view, and a whole single-view engine session.
#pragma once

#include <unistd.h>

#include <cstdio>

#include "topview_fixture.h"
#include "views/view_support.h"

// Every buffer is made up front, so that only the engine meets an injecting allocator's failures.
struct SingleviewRig {
    CameraParam cam = crTestFisheye(40.0f, 64, 48);
    ViewParam view = crNeutralView(&cam);
    TestPicture frame{64, 48}, out{64, 48}, picture{20, 10, 90, 90, 90}, overlay{8, 8};  // frame (c, r): (c, r, c + r)
    std::vector<unsigned char> table = std::vector<unsigned char>(size_t(64) * 48 * 4);
    std::string path = ::testing::TempDir() + "camrig_singleview_" + std::to_string(getpid());
    explicit SingleviewRig(uint32_t flags = 0) {
        view.flags = flags, overlay.at(3, 3)[1] = 200;
        for (int i = 0; i < 64 * 48; ++i) frame.set(i % 64, i / 64, i % 64, i / 64, i % 64 + i / 64);
    }
    void runSession() {  // every operation that allocates, from create to release
        EngineHandle* h = crSingleviewCreate(0);
        int len = 0;
        crSingleviewSetImage(h, 20, 10, picture.bytes.data(), 0), crSingleviewSetOverlay(h, 8, 8, overlay.bytes.data());
        crSingleviewInit(h, &view), crSingleviewInit(h, &view);  // the second re-uses the tables
        crSingleviewApply(h, frame.bytes.data(), out.bytes.data());
        crSingleviewGetLUTLen(h, &len), crSingleviewGetLUT(h, table.data(), len);
        crSingleviewGetMaskLen(h, &len, 800), crSingleviewGetMask(h, table.data(), len);
        crSingleviewSaveLUT(h, path.c_str()), crSingleviewSaveImage(h, path.c_str());
        crSingleviewSetImage(h, 20, 10, nullptr, 1), crSingleviewRelease(&h), std::remove(path.c_str());
    }
};
