// The synthetic scene: fitted inverse lens, renderer against the forward projection, where the rig's cameras look
// and their calibration marks, and the end-of-line calibration photographs. (The bowl-view scene test covers the
// virtual camera's viewpoints.)
#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "camera/camera.h"
#include "features/features.h"
#include "image/image.h"
#include "numerics/rounding.h"
#include "scene/scene.h"
#include "support/calibration_scene.h"

namespace {

TEST(SceneLens, FittedInverseUndoesTheForwardPolynomialAcrossTheFieldOfView) {
    CameraParam cam{};
    crSceneSampleLens(&cam);
    for (int i = 0; i <= 1000; ++i) {
        const float theta = crDegToRad(kSceneHalfFov) * i / 1000.0f, rho = crLensAngleToHeight(cam.distortion, theta);
        const float back = crLensAngleToHeight(cam.distortion, crLensHeightToAngle(cam.undistortion, rho));
        ASSERT_LT(std::fabs(back - rho) * cam.pixelScaleX, 0.02f) << theta;  // pixels
    }
}

// Within about 4 m, where a pixel covers far less than half a tile, a tile centre's pixel shows the tile's colour.
TEST(SceneRender, TileCentresShowTheirTilesColour) {
    const CameraParam cam = crSceneSampleCamera();
    const std::vector<unsigned char> frame = crSceneRender(cam);
    int checked = 0;
    for (int i = 0; i < 60; ++i) {
        const SceneTile tile = crSceneTile(i % 10 - 5, i / 10 - 7);
        Point2f px;
        crWorldToImage2D(&cam, &tile.centre, &px, 1);
        if (px.x < 1.0f || px.y < 1.0f || px.x >= 718.0f || px.y >= 478.0f) continue;
        const unsigned char* p = &frame.at(crRoundHalfAway(px.y) * crPackedStride(720) + 3 * crRoundHalfAway(px.x));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], tile.bgr[k], 2) << "tile " << i << " channel " << k;
        ++checked;
    }
    EXPECT_GT(checked, 50);
}

// Each camera films the ground beside its side of the vehicle, near and far, but not across the vehicle.
TEST(SceneRig, EachCameraSeesTheGroundBesideItsSide) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float out[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}}, w = kRigCarWidth / 2.0f, l = kRigCarLength / 2.0f;
    Point2f pixel;
    for (int slot = 0; slot < 4; ++slot)
        for (float d : {500.0f, 1500.0f, 4000.0f, -1500.0f}) {  // outward from front, rear, left, right; or across
            const float a = std::fabs(d), s = d > 0 ? 1.0f : -1.0f;
            const Point2f at = {s * out[slot][0] * (w + a), s * out[slot][1] * (l + a)};
            EXPECT_EQ(crSceneSees(cams[slot], at, &pixel), d > 0) << slot << " " << d;
        }
}

// The marks are tile junctions on the camera's side of the vehicle at their exact pixels (the bowl-view tests check
// the poses that Init estimates from them).
TEST(SceneRig, CalibrationMarksAreTileJunctionsOnEachCamerasSide) {
    CameraParam cams[4];
    crSceneRig(cams);
    const float out[4][2] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
    for (int slot = 0; slot < 4; ++slot) {
        const CameraParam& cam = cams[slot];
        ASSERT_GE(cam.pointCount, 8);
        ASSERT_LE(cam.pointCount, 16);
        for (int i = 0; i < cam.pointCount; ++i) {
            const Point2f w = cam.worldPoints[i];
            EXPECT_EQ(std::fmod(w.x, kSceneTileSize), 0.0f) << slot << " " << i;
            EXPECT_EQ(std::fmod(w.y, kSceneTileSize), 0.0f) << slot << " " << i;
            EXPECT_GT((w.x - cam.positionX) * out[slot][0] + (w.y - cam.positionY) * out[slot][1], 0.0f);
            Point2f pixel;
            crWorldToImage2D(&cam, &w, &pixel, 1);
            EXPECT_TRUE(crPointNear(cam.imagePoints[i], pixel.x, pixel.y)) << slot << " " << i;
        }
    }
}

// The library's own-pose mappings against the scene's rays, which share nothing with the library but the header's
// conventions: pixel to ground (crConvertImage2World, calibration frame) and ground back to pixel (crWorldToImage2D,
// pose frame), on a grid of pixels within 85 degrees of the axis whose rays meet the ground. Single precision leaves
// the library about 2e-6 of the ray's length and 3e-4 pixels from the double-precision rays, and the sample lens's
// polynomials agree to 0.02 pixels (above); a wrong convention (an angle's sign or order, the origin offset, a pixel
// scale) costs far more.
TEST(SceneCamera, LibraryMappingsFollowTheScenesRays) {
    CameraParam offset = crEquidistantCamera();  // anisotropic, off-centre, panned, with an origin offset
    offset.pixelScaleY = 230.0f, offset.principalX = 610.0f, offset.principalY = 420.0f;
    crSetPose(&offset, {350.0f, -1200.0f, -1400.0f, 60.0f, 8.0f, -35.0f});
    offset.originX = 250.0f, offset.originY = -400.0f;
    CameraParam rig[4];
    crSceneRig(rig);
    const CameraParam cams[] = {crSceneSampleCamera(), rig[0], rig[1], rig[2], offset};
    for (const CameraParam& cam : cams) {
        int checked = 0;
        for (int i = 0; i < 48; ++i) {
            // NOLINTNEXTLINE(bugprone-integer-division): i / 8 is the row of an 8 x 6 grid
            const Point2f px = {(i % 8 + 0.5f) * cam.imageWidth / 8, (i / 8 + 0.5f) * cam.imageHeight / 6};
            Point2f ground, back;
            float degrees = 0.0f;
            crGetFOV(&cam, px.x, px.y, &degrees);
            if (degrees > 85.0f || !crSceneGroundPoint(cam, px.x, px.y, &ground)) continue;
            CameraParam mapped = cam;
            mapped.imagePoints[0] = px;
            crConvertImage2World(&mapped, 0, 0, 1);
            const Point2f found = {mapped.worldPoints[0].x - cam.originX, mapped.worldPoints[0].y - cam.originY};
            const float reach =
                std::hypot(std::hypot(ground.x - cam.positionX, ground.y - cam.positionY), cam.positionZ);
            EXPECT_TRUE(crPointNear(found, ground.x, ground.y, 1e-5 * reach)) << &cam - cams << " " << i;
            crWorldToImage2D(&cam, &ground, &back, 1);
            EXPECT_TRUE(crPointNear(back, px.x, px.y, 0.02)) << &cam - cams << " " << i;
            ++checked;
        }
        EXPECT_GE(checked, 12) << &cam - cams;
    }
}

// ---- Calibration photographs: each rig camera in its own mode, default placement -------------------------------

struct RigTargets {
    CameraParam cams[4];
    SceneTarget targets[4][2];
    RigTargets() {
        crSceneRig(cams);
        for (int slot = 0; slot < 4; ++slot) crSceneTargets(cams[slot], slot, {}, targets[slot]);
    }
};

Point2f crMid(Point2f a, Point2f b, float t = 0.5f) { return {a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)}; }

Point2f crPixelOf(const CameraParam& cam, Point2f ground) {
    Point2f pixel;
    crWorldToImage2D(&cam, &ground, &pixel, 1);
    return pixel;
}

Point2f crCanvasOf(const CameraParam& cam, Point2f ground) {
    float e[3][4], q[3];
    crCameraExtrinsics(&cam, e);
    crProjectPoint(e, ground.x, ground.y, 0.0f, q);
    return {cam.pixelScaleX * q[0] / q[2] + kCanvasCentreX, cam.pixelScaleY * q[1] / q[2] + kCanvasCentreY};
}

// What the detector relies on: surveyed corners whose pixels lie inside its search window, a triangle well inside the
// canvas window without steep edges, and a dark band around the hole wide enough to binarise.
TEST(SceneTargets, CornersLieInsideTheSearchWindowsAndKeepAWideBand) {
    const RigTargets rig;
    const auto inset = [](float v, float low, float high) { return std::fmin(v - low, high - v); };
    for (int slot = 0; slot < 4; ++slot)
        for (int k = 0; k < 2; ++k) {
            const CameraParam& cam = rig.cams[slot];
            const SceneTarget& t = rig.targets[slot][k];
            const PhotoWindow p = crCornerSearchWindow(slot, k);
            const CanvasWindow w = crProjectWindow(&cam, p);
            for (int i = 0; i < 6; ++i) {
                const Point2f g = i < 3 ? t.outer[i] : t.hole[i - 3], px = crPixelOf(cam, g), c = crCanvasOf(cam, g);
                EXPECT_TRUE(g.x == std::round(g.x) && g.y == std::round(g.y)) << slot << k << i;
                EXPECT_GE(std::fmin(inset(px.x, p.colA, p.colB), inset(px.y, p.rowA, p.rowB)), 5.0f) << slot << k << i;
                EXPECT_GE(std::fmin(inset(c.x, w.x0, w.x0 + w.width - 1), inset(c.y, w.y0, w.y0 + w.height - 1)), 20.0f)
                    << slot << k << i;
            }
            for (int i = 0; i < 3; ++i) {
                const Point2f a = crCanvasOf(cam, t.outer[i]), b = crCanvasOf(cam, t.outer[(i + 1) % 3]);
                EXPECT_LE(std::fabs(b.y - a.y), 2.75f * std::fabs(b.x - a.x)) << slot << k << i;  // within 70 degrees
                const Point2f outerMid = crMid(a, b), holeMid = crCanvasOf(cam, crMid(t.hole[i], t.hole[(i + 1) % 3]));
                EXPECT_GT(std::hypot(outerMid.x - holeMid.x, outerMid.y - holeMid.y), 8.0f) << slot << k << i;
            }
        }
}

const unsigned char* crPhotoAt(const std::vector<unsigned char>& photo, const CameraParam& cam, Point2f pixel) {
    return &photo.at(3 * (static_cast<size_t>(crRoundHalfAway(pixel.y)) * cam.imageWidth + crRoundHalfAway(pixel.x)));
}

// Across each edge: the middle of the band is target grey, as far beyond the outer edge is floor; so is the hole.
TEST(ScenePhotograph, ShowsTheTargetsBandOnThePlainFloor) {
    const RigTargets rig;
    const ScenePhotoConditions how;
    for (int slot = 0; slot < 4; ++slot) {
        const CameraParam& cam = rig.cams[slot];
        const std::vector<unsigned char> photo = crScenePhotograph(cam, rig.targets[slot], 2, how);
        ASSERT_EQ(photo.size(), 3u * cam.imageWidth * cam.imageHeight);
        for (const SceneTarget& t : rig.targets[slot]) {
            const Point2f hole = crMid(crMid(t.hole[0], t.hole[1]), t.hole[2], 1.0f / 3.0f);
            std::vector<std::pair<Point2f, int>> probes = {{hole, how.floor}};
            for (int i = 0; i < 3; ++i) {
                const Point2f outerMid = crMid(t.outer[i], t.outer[(i + 1) % 3]);
                const Point2f holeMid = crMid(t.hole[i], t.hole[(i + 1) % 3]);
                probes.push_back({crMid(holeMid, outerMid), how.target});
                probes.push_back({crMid(holeMid, outerMid, 2.0f), how.floor});
            }
            for (const auto& probe : probes) {
                const unsigned char* p = crPhotoAt(photo, cam, crPixelOf(cam, probe.first));
                for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(p[ch], probe.second, 2) << slot << " " << probe.first.x;
            }
        }
    }
}

// Repeatable for a seed. Blur keeps flat floor, up to the frame's edge, as it is; noise keeps grey pixels grey and
// has the asked-for spread.
TEST(ScenePhotograph, BlurAndNoiseAreRepeatableAndKeepTheFloorGrey) {
    const RigTargets rig;
    CameraParam cam = rig.cams[0];
    crSceneScaleCamera(&cam, 360, 240);  // the same ground on fewer pixels
    const std::vector<unsigned char> clean = crScenePhotograph(cam, rig.targets[0], 2, {});
    for (const auto& blurNoise : {std::make_pair(1.5f, 0.0f), std::make_pair(0.0f, 4.0f)}) {
        ScenePhotoConditions how;
        how.blur = blurNoise.first, how.noise = blurNoise.second, how.seed = 7;
        const std::vector<unsigned char> photo = crScenePhotograph(cam, rig.targets[0], 2, how);
        EXPECT_EQ(photo, crScenePhotograph(cam, rig.targets[0], 2, how));
        EXPECT_NE(photo, clean);
        if (how.blur > 0.0f) {
            for (Point2f floor : {Point2f{180, 200}, Point2f{180, 239}}) EXPECT_EQ(*crPhotoAt(photo, cam, floor), 200);
            continue;
        }
        how.seed = 8;
        EXPECT_NE(photo, crScenePhotograph(cam, rig.targets[0], 2, how));
        double sum = 0.0, squares = 0.0;
        int count = 0;
        for (size_t i = 0; i < photo.size(); i += 3) {
            if (clean[i] != clean[i + 1] || clean[i] != clean[i + 2] || clean[i] < 20 || clean[i] > 235) continue;
            ASSERT_TRUE(photo[i] == photo[i + 1] && photo[i] == photo[i + 2]) << i;
            const double d = photo[i] - clean[i];
            sum += d, squares += d * d, ++count;
        }
        EXPECT_NEAR(std::sqrt(squares / count - (sum / count) * (sum / count)), how.noise, 0.1 * how.noise);
    }
}

}  // namespace
