// Top view: camera pose adjustment. Casts each calibration image point of a
// camera through a trial pose onto the ground, then rebuilds the LUTs from
// the camera records as they stand.
#include <cmath>

#include "camera/camera.h"
#include "topview.h"

namespace {

// Angle that marks a degenerate lens (no pixel scale, or no constant term in
// the inverse polynomial): -2 pi in single precision.
constexpr float kNoAngle = -static_cast<float>(2.0 * kPi);

struct TrialPose {
    float x, y, z;
    float angleX, angleZ;  // radians; the pan angle plays no part
};

TrialPose crTrialPose(const CameraParam& cam, const float* offsets) {
    const float angleX = cam.angleX + offsets[3];
    const float angleZ = cam.angleZ + offsets[4];
    return {cam.positionX + offsets[0], cam.positionY + offsets[1], cam.positionZ + offsets[2], crDegToRad(angleX),
            crDegToRad(angleZ)};
}

// Incidence angle from the inverse lens polynomial. The radius measures from
// the centre of an even image size, half a pixel off the principal point.
float crIncidenceAngle(const CameraParam& cam, float dx, float dy) {
    if (cam.undistortion[0] == 0.0f) return kNoAngle;
    float rho = -1.0f;
    if (cam.pixelScaleX != 0.0f) {
        const float hx = cam.imageWidth % 2 == 0 ? -0.5f : 0.0f;
        const float hy = cam.imageHeight % 2 == 0 ? 0.5f : 0.0f;
        const float a = (dx - hx) / cam.pixelScaleX;
        const float b = (dy - hy) / cam.pixelScaleY;
        rho = sqrtf(a * a + b * b);
    }
    return crLensHeightToAngle(cam.undistortion, rho);
}

float crAzimuth(const CameraParam& cam, float dx, float dy) {
    if (cam.pixelScaleX == 0.0f) return kNoAngle;
    const float a = dx / cam.pixelScaleX;
    const float b = dy / cam.pixelScaleY;
    if (a == 0.0f && b == 0.0f) return 0.0f;
    return atan2f(b, a);
}

// Ground point of the ray (theta, phi) from the trial pose; a ray that does
// not reach the ground lands under the camera. Y is stored negated.
Point2f crGroundPoint(const TrialPose& pose, float theta, float phi) {
    const float sinTheta = sinf(theta);
    const float rx = sinTheta * cosf(phi);
    const float ry = sinTheta * sinf(phi);
    const float rz = -cosf(theta);
    const float sinZ = sinf(pose.angleZ);
    const float cosZ = cosf(pose.angleZ);
    const float sinX = sinf(pose.angleX);
    const float cosX = cosf(pose.angleX);
    const float p = rx * sinZ + ry * cosZ;
    const float m = rx * cosZ - ry * sinZ;
    float gx = 0.0f;
    float gy = 0.0f;
    const float elevation = pose.angleX - atan2f(p, -rz);
    if (!(elevation <= 0.0f)) {
        const float t = -pose.z / (p * cosX + rz * sinX);
        gx = t * m;
        gy = t * (p * sinX - rz * cosX);
    }
    const float xw = cosZ * gx - sinZ * gy + pose.x;
    const float yw = sinZ * gx + cosZ * gy + pose.y;
    return {xw, -yw};
}

void crProjectCalibrationPoints(CameraParam* cam, const float* offsets) {
    const TrialPose pose = crTrialPose(*cam, offsets);
    const int n = crCalibrationPairCount(cam);
    for (int i = 0; i < n; ++i) {
        const float dx = cam->imagePoints[i].x - cam->principalX;
        const float dy = cam->principalY - cam->imagePoints[i].y;  // rows counted upward
        cam->worldPoints[i] = crGroundPoint(pose, crIncidenceAngle(*cam, dx, dy), crAzimuth(*cam, dx, dy));
    }
}

}  // namespace

int crTopviewAdjustCameraPose(EngineHandle* h, const MultiviewParam* p, const float* offsets, int slot) {
    TopviewState* s = crTopviewState(h);
    if (!s) return -1;
    if (!p || !p->cameras || !offsets || slot < 0 || slot >= kMultiviewCameras) return 0;
    crProjectCalibrationPoints(&p->cameras[slot], offsets);
    // The tables are rebuilt in the buffers of the last Init, so only for the
    // same view size.
    const TopviewFrame frame = crTopviewFrame(p);
    if (!crHasViewBuffers(s) || !s->frames[0] || frame.width != s->width || frame.height != s->height) return 0;
    crCompleteWarps(s);
    crTopviewBuildTables(s, p, frame);
    return 0;
}
