// Cameras with a known pose and calibration pairs made by projecting ground
// points through that pose with the camera model.
#pragma once

#include <cmath>
#include <cstring>
#include <vector>

#include "camrig.h"
#include "numerics/numerics.h"

struct ScenePose {
    float x, y, z;
    float angleX, angleY, angleZ;
};

// Equidistant lens (image height f * theta): its two polynomials agree to
// rounding, so projected points undistort back to their rays.
inline CameraParam crEquidistantCamera() {
    CameraParam cam;
    std::memset(&cam, 0, sizeof cam);
    cam.focalLength = 1.2f;
    cam.pixelScaleX = 250.0f;
    cam.pixelScaleY = 250.0f;
    cam.principalX = 640.0f;
    cam.principalY = 400.0f;
    cam.distortion[0] = 1.2f;
    cam.undistortion[1] = 1.0f / 1.2f;
    cam.imageWidth = 1280;
    cam.imageHeight = 800;
    return cam;
}

inline void crSetPose(CameraParam* cam, const ScenePose& p) {
    cam->positionX = p.x;
    cam->positionY = p.y;
    cam->positionZ = p.z;
    cam->angleX = p.angleX;
    cam->angleY = p.angleY;
    cam->angleZ = p.angleZ;
}

inline ScenePose crPoseOf(const CameraParam& cam) {
    return {cam.positionX, cam.positionY, cam.positionZ, cam.angleX, cam.angleY, cam.angleZ};
}

// Fills `count` (<= 50) pairs with whole-unit ground points seen within 60
// degrees of the optical axis, spread over a grid around the camera's foot.
// World points carry the origin offset; image points are the projections of
// the world points less that offset. Returns how many candidates were seen.
inline int crFillCalibrationPairs(CameraParam* cam, int count) {
    Matrix* m = crCreateMatrix(3, 3);
    crGetProjectionZ3x3(m, cam);
    std::vector<Point2f> seen;
    for (int i = -12; i <= 12; ++i) {
        for (int j = -12; j <= 12; ++j) {
            const Point2f g = {std::round(cam->positionX) + 250.0f * i, std::round(cam->positionY) + 250.0f * j};
            float c[3];
            for (int r = 0; r < 3; ++r) c[r] = m->data[r][0] * g.x + m->data[r][1] * g.y + m->data[r][2];
            if (c[2] > 0.0f && std::hypot(c[0], c[1]) < std::tan(60.0 * M_PI / 180.0) * c[2]) seen.push_back(g);
        }
    }
    crFreeMatrix(&m);
    for (int k = 0; k < count && !seen.empty(); ++k) {
        const Point2f g = seen[k * seen.size() / count];
        crWorldToImage2D(cam, &g, &cam->imagePoints[k], 1);
        cam->worldPoints[k] = {g.x + cam->originX, g.y + cam->originY};
    }
    cam->pointCount = count;
    return static_cast<int>(seen.size());
}

// Difference of two angles in degrees, folded into [0, 180].
inline float crAngleGap(float a, float b) {
    float d = std::fmod(std::fabs(a - b), 360.0f);
    return d > 180.0f ? 360.0f - d : d;
}
