// Camera pose from a ground-to-sensor homography: the homography's columns
// give two rotation columns and the translation up to scale; the nearest
// rotation (by SVD) then yields the camera centre and the three angles.
#include <cmath>

#include "camera.h"
#include "numerics/numerics.h"

namespace {

struct CameraPose {
    float x, y, z;
    float angleX, angleY, angleZ;
};

// World-to-camera rotation closest to the first estimate r0: U * V^T of its
// SVD. r0 is overwritten by U. False, r untouched, without memory.
bool crNearestRotation(Matrix* r0, Matrix* r) {
    const CrMatrixSet m = {{3, 3}, {3, 3}};
    Matrix *v = m[0], *vt = m[1];
    float w[3];
    if (!m.ok() || !svdcmp(r0->data, 3, 3, w, v->data)) return false;
    crTransposeMat(v, vt);
    crMultiplyMat(r0, vt, r);
    return true;
}

// Camera centre C = -R^-1 * t. False, pose untouched, without memory.
bool crCameraCentre(const Matrix* r, const Matrix* t, CameraPose* pose) {
    const CrMatrixSet m = {{3, 3}, {3, 1}};
    Matrix *rInv = m[0], *c = m[1];
    if (!m.ok() || !crInverseMat(r, rInv)) return false;
    crMultiplyMat(rInv, t, c);
    pose->x = -c->data[0][0];
    pose->y = -c->data[1][0];
    pose->z = -c->data[2][0];
    return true;
}

// Inverse of R = Rx Ry Rz for the record's angle fields, in degrees.
void crRotationAngles(const Matrix* r, CameraPose* pose) {
    float** e = r->data;
    const float alpha = atan2f(e[1][2], e[2][2]);
    const float beta = atan2f(-e[0][2], sqrtf(e[0][0] * e[0][0] + e[0][1] * e[0][1]));
    const float gamma =
        atan2f(e[2][0] * sinf(alpha) - e[1][0] * cosf(alpha), e[1][1] * cosf(alpha) - e[2][1] * sinf(alpha));
    pose->angleX = crRadToDeg(alpha);
    pose->angleY = crRadToDeg(beta);
    pose->angleZ = crRadToDeg(gamma);
}

// A camera below the ground is reported above it, turned half a turn.
void crApplyHeightRule(CameraPose* pose) {
    if (!(pose->z > 0.0f)) return;
    pose->z = -pose->z;
    pose->angleZ = pose->angleZ >= 0.0f ? pose->angleZ - 180.0f : pose->angleZ + 180.0f;
}

void crWriteIfRequested(float* out, float value) {
    if (out) *out = value;
}

}  // namespace

bool crDecomposeHomography(const Matrix* h, Matrix* r0, Matrix* t, float focalLength) {
    const CrMatrixSet work = {{3, 3}, {3, 3}};
    Matrix *scale = work[0], *m = work[1];
    if (!work.ok()) return false;
    crIdentityMat(scale, 1.0f);
    scale->data[2][2] = focalLength;
    crMultiplyMat(scale, h, m);
    float** e = m->data;
    // Only the first column sets the scale; the sign puts the ground origin
    // in front of the camera.
    const float sign = e[2][2] / fabsf(e[2][2]);
    const float lambda = sign / sqrtf(e[0][0] * e[0][0] + e[1][0] * e[1][0] + e[2][0] * e[2][0]);
    float r1[3], r2[3];
    for (int i = 0; i < 3; ++i) {
        r1[i] = lambda * e[i][0];
        r2[i] = lambda * e[i][1];
        t->data[i][0] = lambda * e[i][2];
    }
    const float r3[3] = {r1[1] * r2[2] - r1[2] * r2[1], r1[2] * r2[0] - r1[0] * r2[2], r1[0] * r2[1] - r1[1] * r2[0]};
    for (int i = 0; i < 3; ++i) {
        r0->data[i][0] = r1[i];
        r0->data[i][1] = r2[i];
        r0->data[i][2] = r3[i];
    }
    return true;
}

bool crEstimateCameraPosition(const Matrix* h, float focalLength, float* x, float* y, float* z, float* angleX,
                              float* angleY, float* angleZ) {
    const CrMatrixSet m = {{3, 3}, {3, 1}, {3, 3}};
    Matrix *r0 = m[0], *t = m[1], *r = m[2];
    CameraPose pose;
    if (!m.ok() || !crDecomposeHomography(h, r0, t, focalLength) || !crNearestRotation(r0, r) ||
        !crCameraCentre(r, t, &pose))
        return false;
    crRotationAngles(r, &pose);
    crApplyHeightRule(&pose);
    crWriteIfRequested(x, pose.x);
    crWriteIfRequested(y, pose.y);
    crWriteIfRequested(z, pose.z);
    crWriteIfRequested(angleX, pose.angleX);
    crWriteIfRequested(angleY, pose.angleY);
    crWriteIfRequested(angleZ, pose.angleZ);
    return true;
}

// Without memory for a step no output is written.
extern "C" CR_API void crGetCameraPosition(const Matrix* h, float focalLength, float* x, float* y, float* z,
                                           float* angleX, float* angleY, float* angleZ) {
    crEstimateCameraPosition(h, focalLength, x, y, z, angleX, angleY, angleZ);
}

// With fewer than four calibration pairs there is no homography to
// decompose, and the record keeps its pose; it keeps it too when a step has
// no memory.
bool crEstimateCameraPos(CameraParam* cam) {
    if (crCalibrationPairCount(cam) < 4) return true;
    const CrMatrixSet m = {{3, 3}};
    return m.ok() && crEstimateCalibrationHomography(m[0], cam, 0) &&
           crEstimateCameraPosition(m[0], cam->focalLength, &cam->positionX, &cam->positionY, &cam->positionZ,
                                    &cam->angleX, &cam->angleY, &cam->angleZ);
}

extern "C" CR_API void crGetCameraPos(CameraParam* cam) { crEstimateCameraPos(cam); }
