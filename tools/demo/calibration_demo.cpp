// End-of-line calibration from photographs: each rig camera, mounted a little
// off its design pose, photographs the two targets laid out for it in the
// calibration bay; the library finds the targets' corners and estimates the
// camera's pose from them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "camrig_toolkit/calibrate.h"
#include "camrig_toolkit/corners.h"
#include "demo.h"
#include "scene/scene.h"

namespace {

// Pairs each corner with the ground corner of its triangle whose projection
// through the design pose lies nearest, as a calibration station that knows
// where the camera should sit does.
void crPairCorners(const CameraParam& design, const Point2f ground[12], CameraParam* cam) {
    Point2f expected[12];
    int match[12];
    crWorldToImage2D(&design, ground, expected, 12);
    camrig::matchCorners(cam->imagePoints, expected, match);
    for (int i = 0; i < 12; ++i) cam->worldPoints[i] = ground[match[i]];
}

// Largest distance of a corner from the true projection of the ground corner
// it was paired with.
float crWorstCornerError(const CameraParam& truth, const CameraParam& found) {
    Point2f exact[12];
    crWorldToImage2D(&truth, found.worldPoints, exact, 12);
    float worst = 0.0f;
    for (int i = 0; i < 12; ++i)
        worst = std::fmax(worst, std::hypot(found.imagePoints[i].x - exact[i].x, found.imagePoints[i].y - exact[i].y));
    return worst;
}

// The photograph with a red cross on every detected corner and a green one on
// every refined corner, as BMP.
void crWriteMarkedPhoto(const std::string& path, const std::vector<unsigned char>& photo, const CameraParam& found,
                        const CameraParam& refined) {
    const int w = found.imageWidth, h = found.imageHeight, stride = crImageStride(3, w);
    std::vector<unsigned char> packed(static_cast<size_t>(stride) * h);
    for (int r = 0; r < h; ++r)
        std::copy_n(&photo[static_cast<size_t>(r) * 3 * w], 3 * w, &packed[static_cast<size_t>(r) * stride]);
    std::vector<unsigned char*> rows(h);
    Image img;
    crImageWrap(&img, 3, w, h, packed.data(), rows.data());
    const uint32_t red = 0x0000FFu, green = 0x00FF00u;  // 0x00BBGGRR
    for (int i = 0; i < 12; ++i) {
        const Point2f p = found.imagePoints[i], q = refined.imagePoints[i];
        const int x = static_cast<int>(std::lround(p.x)), y = static_cast<int>(std::lround(p.y));
        crDrawLineBresenham(&img, x - 4, y, x + 4, y, red, 1);
        crDrawLineBresenham(&img, x, y - 4, x, y + 4, red, 1);
        const int u = static_cast<int>(std::lround(q.x)), v = static_cast<int>(std::lround(q.y));
        crDrawLineBresenham(&img, u - 3, v - 3, u + 3, v + 3, green, 1);
        crDrawLineBresenham(&img, u - 3, v + 3, u + 3, v - 3, green, 1);
    }
    crWriteDemoBmp(path, packed.data(), w, h);
}

float crAngleGap(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)); }

// Estimates the pose from the paired corners and prints how far it is from
// the true one.
void crReportPose(const char* source, const CameraParam& truth, CameraParam found) {
    // A triangle the detector could not fit keeps its corners at (0, 0).
    if (std::any_of(found.imagePoints, found.imagePoints + 12, [](Point2f p) { return p.x == 0.0f && p.y == 0.0f; })) {
        std::printf("    pose from %-9s corners: none, a triangle is missing\n", source);
        return;
    }
    crGetCameraPos(&found);
    const float height = -truth.positionZ;
    const float offset = std::hypot(std::hypot(found.positionX - truth.positionX, found.positionY - truth.positionY),
                                    found.positionZ - truth.positionZ);
    std::printf(
        "    pose from %-9s corners: height %+.2f%%, angles x %.2f z %.2f y %.2f degrees off, position %.0f mm off\n",
        source, (-found.positionZ - height) / height * 100.0f, crAngleGap(found.angleX, truth.angleX),
        crAngleGap(found.angleZ, truth.angleZ), crAngleGap(found.angleY, truth.angleY), offset);
}

}  // namespace

void crDemoCalibration(const DemoOptions& options, const DemoRig& rig) {
    std::printf("Calibration from photographs: each camera finds its two targets (mode = camera slot)\n");
    for (int slot = 0; slot < 4; ++slot) {
        const CameraParam& design = rig.cams[slot];
        const CameraParam truth = crSceneMountedCamera(design, slot);
        SceneTarget targets[2];
        crSceneTargets(design, slot, ScenePlacement{}, targets);
        const std::vector<unsigned char> photo = crScenePhotograph(truth, targets, 2, crSceneBayConditions());

        CameraParam found = design;  // intrinsics known, pose to be found
        const double start = crDemoMilliseconds();
        crDetectCorner(photo.data(), &found, slot);
        const double detectMs = crDemoMilliseconds() - start;
        Point2f ground[12];
        crSceneTargetCorners(targets, ground);
        crPairCorners(design, ground, &found);
        CameraParam refined = found;
        const double refineStart = crDemoMilliseconds();
        camrig::refineCorners(photo.data(), &refined, refined.imagePoints);
        const double refineMs = crDemoMilliseconds() - refineStart;
        crPairCorners(design, ground, &refined);  // refined holes may list their corners in another order
        std::printf(
            "  %s: %d corners found in %.1f ms, worst %.2f px from the true projection; refined in %.1f ms, "
            "worst %.2f px\n",
            kDemoSlotNames[slot], found.pointCount, detectMs, crWorstCornerError(truth, found), refineMs,
            crWorstCornerError(truth, refined));
        crReportPose("detected", truth, found);
        crReportPose("refined", truth, refined);
        crWriteMarkedPhoto(crDemoPath(options, std::string("calib_") + kDemoSlotNames[slot] + ".bmp"), photo, found,
                           refined);
    }
}
