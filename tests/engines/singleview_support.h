// A 64 x 48 fisheye 40 units up (focal 40), its neutral view, packed pictures and a whole engine session.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "camrig.h"
#include "numerics/rounding.h"
#include "views/view_support.h"

struct PackedPicture {  // 3-channel rows padded to 4 bytes
    int stride;
    std::vector<unsigned char> bytes;
    PackedPicture(int w, int h, unsigned char fill = 0) : stride(crPackedStride(w)), bytes(size_t(stride) * h, fill) {}
    unsigned char* pixel(int c, int r) { return &bytes[size_t(r) * stride + 3 * c]; }
};

// Every buffer is made up front, so that only the engine meets an injecting allocator's failures.
struct SingleviewRig {
    CameraParam cam = crTestFisheye(40.0f, 64, 48);
    ViewParam view = crNeutralView(&cam);
    PackedPicture frame{64, 48}, out{64, 48}, picture{20, 10, 90}, overlay{8, 8};  // frame (c, r) holds (c, r, c + r)
    std::vector<unsigned char> table = std::vector<unsigned char>(64 * 48 * 4);
    std::string path = ::testing::TempDir() + "camrig_singleview_" + std::to_string(getpid());
    explicit SingleviewRig(uint32_t flags = 0) {
        view.flags = flags, overlay.pixel(3, 3)[1] = 200;
        for (int i = 0; i < 64 * 48; ++i) {
            unsigned char* p = frame.pixel(i % 64, i / 64);
            p[0] = i % 64, p[1] = i / 64, p[2] = i % 64 + i / 64;
        }
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
