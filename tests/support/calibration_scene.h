// Cameras with a known pose and calibration pairs made by projecting ground points through that pose.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "camrig.h"
#include "numerics/numerics.h"
#include "views/views.h"

// The pose search's error for a trial pose; NaN without memory.
inline float crPoseError(const CameraParam* cam, float angleX, float angleY, float angleZ, float positionX,
                         float positionY, float positionZ) {
    float error = NAN;
    crComputePoseError(cam, angleX, angleY, angleZ, positionX, positionY, positionZ, &error);
    return error;
}

struct ScenePose {
    float x, y, z;
    float angleX, angleY, angleZ;
};

// Equidistant lens (image height f * theta): its two polynomials agree to rounding.
inline CameraParam crEquidistantCamera() {
    CameraParam cam{};
    cam.focalLength = cam.distortion[0] = 1.2f;
    cam.undistortion[1] = 1.0f / 1.2f;
    cam.pixelScaleX = cam.pixelScaleY = 250.0f;
    cam.principalX = 640.0f, cam.principalY = 400.0f;
    cam.imageWidth = 1280, cam.imageHeight = 800;
    return cam;
}

inline void crSetPose(CameraParam* cam, const ScenePose& p) {
    cam->positionX = p.x, cam->positionY = p.y, cam->positionZ = p.z;
    cam->angleX = p.angleX, cam->angleY = p.angleY, cam->angleZ = p.angleZ;
}

inline ScenePose crPoseOf(const CameraParam& cam) {
    return {cam.positionX, cam.positionY, cam.positionZ, cam.angleX, cam.angleY, cam.angleZ};
}

// Whole-unit ground points on a 250-unit grid within 3000 of the camera's foot whose rays are
// within `maxDegrees` of the optical axis.
inline std::vector<Point2f> crSeenGround(const CameraParam* cam, double maxDegrees) {
    Matrix* m = crCreateMatrix(3, 3);
    crGetProjectionZ3x3(m, cam);
    std::vector<Point2f> seen;
    for (int i = -12; i <= 12; ++i)
        for (int j = -12; j <= 12; ++j) {
            const Point2f g = {std::round(cam->positionX) + 250.0f * i, std::round(cam->positionY) + 250.0f * j};
            float c[3];
            for (int r = 0; r < 3; ++r) c[r] = m->data[r][0] * g.x + m->data[r][1] * g.y + m->data[r][2];
            if (c[2] > 0.0f && std::hypot(c[0], c[1]) < std::tan(maxDegrees * M_PI / 180.0) * c[2]) seen.push_back(g);
        }
    crFreeMatrix(&m);
    return seen;
}

// Fills `count` (<= 50) pairs spread over the ground seen within 60 degrees. World points carry the
// origin offset; image points are the projections of the world points less that offset. Returns how
// many candidates were seen.
inline int crFillCalibrationPairs(CameraParam* cam, int count) {
    const std::vector<Point2f> seen = crSeenGround(cam, 60.0);
    for (int k = 0; k < count && !seen.empty(); ++k) {
        const Point2f g = seen[k * seen.size() / count];
        crWorldToImage2D(cam, &g, &cam->imagePoints[k], 1);
        cam->worldPoints[k] = {g.x + cam->originX, g.y + cam->originY};
    }
    cam->pointCount = count;
    return static_cast<int>(seen.size());
}

// Equidistant camera at `pose` with an origin offset, `pairs` distinct calibration pairs and spare3 all 0x7F.
inline CameraParam crSceneCamera(const ScenePose& pose, Point2f origin, int pairs) {
    CameraParam cam = crEquidistantCamera();
    cam.originX = origin.x, cam.originY = origin.y;
    crSetPose(&cam, pose);
    EXPECT_GE(crFillCalibrationPairs(&cam, pairs), pairs);
    std::memset(cam.spare3, 0x7F, sizeof cam.spare3);
    return cam;
}

// Difference of two angles in degrees, folded into [0, 180].
inline float crAngleGap(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 360.0f);
    return d > 180.0f ? 360.0f - d : d;
}

// Both coordinates of `p` within `tolerance` of (x, y); the default asks for equality.
inline ::testing::AssertionResult crPointNear(Point2f p, double x, double y, double tolerance = 0.0) {
    if (std::fabs(p.x - x) <= tolerance && std::fabs(p.y - y) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << p.x << ", " << p.y << ") vs (" << x << ", " << y << ")";
}
