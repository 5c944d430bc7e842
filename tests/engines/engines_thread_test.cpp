// Handles of every engine type, two of each, run a whole session at once in
// separate threads, from the process's first remap on: each gives the bytes
// of the same session run alone.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "camrig.h"

namespace {

constexpr int kFrameW = 160, kFrameH = 120, kViewW = 120, kViewH = 160;
constexpr int kStride = (3 * kFrameW + 3) / 4 * 4, kViewStride = (3 * kViewW + 3) / 4 * 4;

// Four equidistant fisheyes 1 m up around the vehicle, a virtual camera 10 m
// up, and eight ground marks per camera so that the bowl views calibrate.
struct Rig {
    CameraParam cams[5];
    MultiviewParam param{};
    ViewParam view{};
    Rig() {
        const float at[4][2] = {{0.0f, -2250.0f}, {0.0f, 2250.0f}, {-900.0f, 0.0f}, {900.0f, 0.0f}};
        for (int i = 0; i < 5; ++i) {
            CameraParam& c = cams[i] = CameraParam{};
            c.focalLength = c.distortion[0] = c.undistortion[1] = 1.0f, c.pixelScaleX = c.pixelScaleY = 50.0f;
            c.principalX = kFrameW / 2.0f, c.principalY = kFrameH / 2.0f, c.imageWidth = kFrameW,
            c.imageHeight = kFrameH;
            if (i == 4) continue;
            c.positionX = at[i][0], c.positionY = at[i][1], c.positionZ = -1000.0f;
            c.pointCount = 8;
            for (int k = 0; k < 8; ++k)
                // NOLINTNEXTLINE(bugprone-integer-division): k / 4 is the row of a 4 x 2 grid
                c.worldPoints[k] = {at[i][0] + 300.0f * (k % 4) - 450.0f, at[i][1] + 400.0f * (k / 4) - 200.0f};
            crWorldToImage2D(&c, c.worldPoints, c.imagePoints, 8);
        }
        cams[4].pixelScaleX = cams[4].pixelScaleY = 100.0f, cams[4].positionZ = -10000.0f;
        param.carWidth = 1800, param.carLength = 4500, param.frontFov = param.rearFov = 180.0f;
        param.blendAngle = 10.0f, param.mode = 1, param.flags = CR_MULTI_BILINEAR, param.cameras = cams;
        param.bowlFloorY = 6000.0f, param.bowlWallX = param.bowlWallY = 2000.0f, param.bowlHeight = 2000.0f;
        param.viewWidth = kViewW, param.viewHeight = kViewH, param.scale = 60.0f;
        param.viewCenterX = kViewW / 2.0f, param.viewCenterY = kViewH / 2.0f;
        view.flags = CR_VIEW_LENS | CR_VIEW_BICUBIC, view.camera = &cams[0];
        view.zoomX = view.zoomY = view.overlayScale = 1.0f, view.outWidth = kFrameW, view.outHeight = kFrameH;
        view.centerX = cams[0].principalX, view.centerY = cams[0].principalY;
    }
};

// One session: Init, three frames, the tables; everything the caller sees.
std::vector<unsigned char> crRunSession(int kind) {  // 0 single view, 1..3 multi-view type kind - 1
    Rig rig;
    std::vector<unsigned char> frames[4],
        out(size_t(kViewStride) * kViewH > size_t(kStride) * kFrameH ? size_t(kViewStride) * kViewH
                                                                     : size_t(kStride) * kFrameH);
    for (int f = 0; f < 4; ++f) {
        frames[f].resize(size_t(kStride) * kFrameH);
        for (size_t i = 0; i < frames[f].size(); ++i) frames[f][i] = static_cast<unsigned char>(i * (f + 3) % 251);
    }
    std::vector<unsigned char> seen;
    auto keep = [&seen](const unsigned char* p, size_t n) { seen.insert(seen.end(), p, p + n); };
    int len = 0;
    std::vector<unsigned char> table;
    if (kind == 0) {
        EngineHandle* h = crSingleviewCreate(0);
        crSingleviewInit(h, &rig.view);
        for (int round = 0; round < 3; ++round)
            crSingleviewApply(h, frames[round].data(), out.data()), keep(out.data(), out.size());
        crSingleviewGetLUTLen(h, &len), table.resize(len), crSingleviewGetLUT(h, table.data(), len);
        keep(table.data(), table.size());
        crSingleviewRelease(&h);
        return seen;
    }
    EngineHandle* h = crMultiviewCreate(kind - 1);
    crMultiviewInit(h, &rig.param);
    for (int round = 0; round < 3; ++round) {
        crMultiviewApply(h, frames[round].data(), frames[(round + 1) % 4].data(), frames[(round + 2) % 4].data(),
                         frames[(round + 3) % 4].data(), out.data());
        keep(out.data(), out.size());
    }
    crMultiviewGetLUTLen(h, &len), table.resize(len), crMultiviewGetLUT(h, table.data(), len, CR_SLOT_LEFT);
    keep(table.data(), table.size());
    crMultiviewGetMaskLen(h, &len, 3), table.resize(len), crMultiviewGetMask(h, table.data(), len, 3);
    keep(table.data(), table.size());
    keep(reinterpret_cast<const unsigned char*>(rig.cams), sizeof rig.cams);  // the calibrated poses
    crMultiviewRelease(&h);
    return seen;
}

TEST(EngineThreads, EveryEngineTypeTwiceAtOnceMatchesSessionsRunAlone) {
    constexpr int kThreads = 8;
    std::vector<std::vector<unsigned char>> results(kThreads);
    std::vector<std::thread> pool;
    std::atomic<int> ready{0};
    pool.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t)
        pool.emplace_back([&, t] {
            for (++ready; ready.load() < kThreads;) std::this_thread::yield();
            results[t] = crRunSession(t % 4);
        });
    for (auto& th : pool) th.join();
    for (int t = 0; t < kThreads; ++t) {
        const std::vector<unsigned char> alone = crRunSession(t % 4);
        ASSERT_GT(alone.size(), size_t(3 * kStride * kFrameH)) << t;
        EXPECT_TRUE(results[t] == alone) << "engine kind " << t % 4;
    }
}

}  // namespace
