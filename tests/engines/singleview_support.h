// A small camera, its view record, packed pictures and a whole engine
// session for the single-view engine tests.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "camrig.h"
#include "numerics/rounding.h"
#include "views/view_support.h"

// A packed 3-channel picture (rows padded to 4 bytes), filled with `fill`.
struct PackedPicture {
    int width, height, stride;
    std::vector<unsigned char> bytes;
    PackedPicture(int w, int h, unsigned char fill = 0)
        : width(w), height(h), stride(crPackedStride(w)), bytes(static_cast<size_t>(stride) * h, fill) {}
    unsigned char* pixel(int c, int r) { return &bytes[static_cast<size_t>(r) * stride + 3 * c]; }
};

// A 64 x 48 equidistant fisheye 40 units above the ground with focal length
// 40, a neutral view of it, and every buffer a session needs, made up front
// (so that only the engine meets the failures of an injecting allocator).
struct SingleviewRig {
    CameraParam cam = crTestFisheye(40.0f, 64, 48);
    ViewParam view = crNeutralView(&cam);
    PackedPicture frame{64, 48};  // pixel (c, r) holds (c, r, c + r)
    PackedPicture out{64, 48};
    PackedPicture picture{20, 10, 90};
    PackedPicture overlay{8, 8};
    std::vector<unsigned char> table = std::vector<unsigned char>(64 * 48 * 4);
    // Tests run as parallel processes: one file name each.
    std::string path = ::testing::TempDir() + "camrig_singleview_" + std::to_string(getpid()) + ".out";

    explicit SingleviewRig(uint32_t flags = 0) {
        view.flags = flags;
        for (int r = 0; r < 48; ++r)
            for (int c = 0; c < 64; ++c) {
                unsigned char* p = frame.pixel(c, r);
                p[0] = static_cast<unsigned char>(c), p[1] = static_cast<unsigned char>(r);
                p[2] = static_cast<unsigned char>(c + r);
            }
        overlay.pixel(3, 3)[1] = 200;
    }

    // Every operation that allocates, from create to release.
    void runSession() {
        EngineHandle* h = crSingleviewCreate(0);
        crSingleviewSetImage(h, 20, 10, picture.bytes.data(), 0);
        crSingleviewSetOverlay(h, 8, 8, overlay.bytes.data());
        for (int i = 0; i < 2; ++i) crSingleviewInit(h, &view);  // the second re-uses the tables
        crSingleviewApply(h, frame.bytes.data(), out.bytes.data());
        int len = 0;
        crSingleviewGetLUTLen(h, &len);
        crSingleviewGetLUT(h, table.data(), len);
        crSingleviewGetMaskLen(h, &len, 800);
        crSingleviewGetMask(h, table.data(), len);
        crSingleviewSaveLUT(h, path.c_str());
        crSingleviewSaveImage(h, path.c_str());
        crSingleviewSetImage(h, 20, 10, nullptr, 1);
        crSingleviewRelease(&h);
        std::remove(path.c_str());
    }
};
