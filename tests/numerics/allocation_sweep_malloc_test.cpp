// Every allocation of the calibration, mapping, view and feature operations failed in turn: nothing leaks and the
// outputs are left as each operation promises.
#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "camera/camera.h"
#include "support/calibration_scene.h"
#include "support/counting_malloc.h"
#include "support/same_bytes.h"
#include "views/views.h"

namespace {

struct Sweep {
    const char* name;
    std::function<void()> reset;  // fresh inputs and outputs, outside the count
    std::function<void()> call;
    std::function<bool()> defined;  // the promised outputs after a failed allocation
};

bool AllAre(const std::vector<float>& v, float x) {
    for (float e : v)
        if (!(e == x)) return false;
    return true;
}

void Fill(Matrix* m, float x) {
    for (int i = 0; i < m->rows; ++i) std::fill(m->data[i], m->data[i] + m->cols, x);
}

std::vector<float> Entries(const Matrix* m) {
    std::vector<float> out;
    for (int i = 0; i < m->rows; ++i) out.insert(out.end(), m->data[i], m->data[i] + m->cols);
    return out;
}

TEST(AllocationSweep, EveryFailedAllocationLeavesNothingLiveAndTheOutputsDefined) {
    const ScenePose truth = {40.0f, 1900.0f, -760.0f, -48.0f, 3.0f, 1.0f};
    const CameraParam scene = crSceneCamera(truth, {150.0f, -300.0f}, 16);
    Point2f src[6], dst[6], mapped[6];
    for (int i = 0; i < 6; ++i) src[i] = scene.imagePoints[i], dst[i] = scene.worldPoints[i];
    Matrix* h = crCreateMatrix(3, 3);
    Matrix* ground = crCreateMatrix(3, 3);
    crGetHomography(ground, &scene, 0);
    CameraParam cam, detected;
    float pose[6], adjusted = 0.0f;
    bool inverted = false;
    CameraParam viewCam = crEquidistantCamera();
    crSetPose(&viewCam, truth);
    ViewParam view{};
    view.camera = &viewCam, view.zoomX = view.zoomY = view.overlayScale = 1.0f;
    view.outWidth = 32, view.outHeight = 24, view.centerX = 16.0f, view.centerY = 12.0f;
    std::vector<float> lut(size_t(2) * 32 * 24);
    std::vector<float*> lutRows(24);
    for (size_t r = 0; r < 24; ++r) lutRows[r] = &lut[r * 2 * 32];
    std::vector<unsigned char> photo(size_t(3) * 1280 * 800, 60), pixels(64, 255);
    for (int i : {18, 19, 20, 26, 28, 34, 35, 36}) pixels[i] = 0;  // a ring in an 8 x 8 picture
    std::vector<int32_t> labels(64);
    std::vector<unsigned char*> pixelRows;
    std::vector<int32_t*> labelRows;
    for (size_t r = 0; r < 8; ++r) pixelRows.push_back(&pixels[8 * r]), labelRows.push_back(&labels[8 * r]);
    int count = 0;

    CameraParam validDetection = scene;
    crDetectCorner(photo.data(), &validDetection, 0);
    const auto detectionDefined = [&] {
        bool ok = detected.pointCount == 0 || detected.pointCount == 9 || detected.pointCount == 12;
        for (int i = 0; i < 50; ++i) {
            const Point2f p = detected.imagePoints[i], v = validDetection.imagePoints[i];
            ok = ok && ((p.x == 0.0f && p.y == 0.0f) || (p.x == v.x && p.y == v.y));
            ok = ok && detected.worldPoints[i].x == 0.0f && detected.worldPoints[i].y == 0.0f;
        }
        return ok;
    };
    const auto unchanged = [&] { return crSameBytes(cam, scene); };
    const auto mappedUntouched = [&] {
        return std::all_of(mapped, mapped + 6, [](Point2f p) { return p.x == 7.0f && p.y == 7.0f; });
    };

    const Sweep sweeps[] = {
        {"homography", [&] { Fill(h, 7.0f); }, [&] { crGetHomography2D(src, dst, 6, h); },
         [&] { return AllAre(Entries(h), 7.0f); }},
        {"affine", [&] { Fill(h, 7.0f); }, [&] { crGetHomography2D3P(src, dst, 6, h); },
         [&] { return AllAre(Entries(h), 7.0f); }},
        {"inversion", [&] { Fill(h, 7.0f); }, [&] { inverted = crInverseMat(ground, h); },
         [&] { return !inverted && AllAre(Entries(h), 7.0f); }},
        {"camera position", [&] { std::fill(pose, pose + 6, 7.0f); },
         [&] { crGetCameraPosition(ground, 1.2f, &pose[0], &pose[1], &pose[2], &pose[3], &pose[4], &pose[5]); },
         [&] { return AllAre(std::vector<float>(pose, pose + 6), 7.0f); }},
        {"camera pose", [&] { cam = scene; }, [&] { crGetCameraPos(&cam); }, unchanged},
        {"image to world", [&] { cam = scene; }, [&] { crConvertImage2World(&cam, 0, 0, 16); }, unchanged},
        {"position search", [&] { cam = scene, cam.positionZ += 3.0f; },
         [&] { adjusted = crAdjustCameraPosition(&cam); },
         [&] { return std::isnan(adjusted) && (cam.positionZ -= 3.0f, unchanged()); }},
        {"pan search", [&] { cam = scene; }, [&] { adjusted = crAdjustCameraPanAngle(&cam); },
         [&] { return std::isnan(adjusted) && unchanged(); }},
        {"angle search", [&] { cam = scene, cam.angleX += 2.0f; }, [&] { adjusted = crAdjustCameraAngle(&cam); },
         [&] { return std::isnan(adjusted) && (cam.angleX -= 2.0f, unchanged()); }},
        {"world to image",
         [&] {
             std::fill(mapped, mapped + 6, Point2f{7.0f, 7.0f});
         },
         [&] { crWorldToImage2D(&scene, scene.worldPoints, mapped, 6); }, mappedUntouched},
        {"guide to image",
         [&] {
             std::fill(mapped, mapped + 6, Point2f{7.0f, 7.0f});
         },
         [&] { crGetPGSWorldToImage(&scene, scene.worldPoints, mapped, 6); }, mappedUntouched},
        {"overlay LUT", [] {}, [&] { crGetOverlayLUT(200, 100, lutRows.data(), &view); },
         [&] { return AllAre(lut, -1.0f); }},
        {"corner detector", [&] { detected = scene; }, [&] { crDetectCorner(photo.data(), &detected, 0); },
         detectionDefined},
        {"labelling", [&] { std::fill(labels.begin(), labels.end(), 7); },
         [&] { crCCL(8, 8, pixelRows.data(), labelRows.data(), nullptr, &count); },
         [&] { return count == 0 && std::vector<int32_t>(64, 0) == labels; }},
    };
    for (const Sweep& s : sweeps) {
        s.reset();
        CrAllocationCounter valid;
        s.call();
        const size_t total = valid.count();
        EXPECT_EQ(valid.live(), 0) << s.name;
        EXPECT_GT(total, 0u) << s.name;
        for (size_t k = 0; k < total; ++k) {
            s.reset();
            CrAllocationCounter counter;
            crTestFailAllocationAfter(static_cast<long>(k));
            s.call();
            crTestFailAllocationAfter(-1);
            EXPECT_EQ(counter.live(), 0) << s.name << " failing allocation " << k;
            EXPECT_TRUE(s.defined()) << s.name << " failing allocation " << k;
        }
    }
    CrAllocationCounter viewMode;
    crGetviewModeLUT(1280, 800, lutRows.data(), &view);
    EXPECT_EQ(viewMode.count(), 0u);  // nothing to fail
    crFreeMatrix(&h);
    crFreeMatrix(&ground);
}

}  // namespace
