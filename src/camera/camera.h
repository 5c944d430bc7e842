// Camera model internals: rotation of a pose, ground mapping helpers and the
// calibration pieces that are not exported.
#pragma once

#include "camrig.h"
#include "lens.h"
#include "numerics/angles.h"

// World-to-camera rotation R = Rx(A) Ry(G) Rz(B) with A, B, G the negated
// angles (degrees) about x, z and y.
void crPoseRotation(float angleX, float angleZ, float angleY, float r[3][3]);

// World-to-camera transform [R | R t] with t = -position: the full projection
// without the origin offset, so world points are taken as they are.
void crCameraExtrinsics(const CameraParam* cam, float e[3][4]);

// E . (x, y, z, 1): each row summed from zero in column order, as the matrix
// product does.
inline void crProjectPoint(const float e[3][4], float x, float y, float z, float q[3]) {
    for (int i = 0; i < 3; ++i) {
        float sum = 0.0f;
        sum = sum + e[i][0] * x;
        sum = sum + e[i][1] * y;
        sum = sum + e[i][2] * z;
        sum = sum + e[i][3] * 1.0f;
        q[i] = sum;
    }
}

// h . (x, y, 1), the third coordinate in z.
inline Point3f crApplyHomography(const Matrix* h, float x, float y) {
    float** m = h->data;
    return {m[0][0] * x + m[0][1] * y + m[0][2], m[1][0] * x + m[1][1] * y + m[1][2],
            m[2][0] * x + m[2][1] * y + m[2][2]};
}

// Divides by the third coordinate; a zero one counts as 1.
inline Point2f crDehomogenise(Point3f p) {
    const float w = p.z == 0.0f ? 1.0f : p.z;
    return {p.x / w, p.y / w};
}

// crImageToWorld without its third coordinate.
Point2f crImageToWorld2D(const CameraParam* cam, const Matrix* h, Point2f pixel);

// Pixel of a ray given by its tangent components (x/z, y/z) through the
// forward lens polynomial; the optical centre for the axis itself.
Point2f crTangentToPixel(const CameraParam* cam, float xn, float yn);

// The camera's own undistorted-sensor-to-ground homography (3 x 3 h):
// M_Z^-1 . diag(1/f, 1/f, 1), the matrix crImageToWorld expects.
// False, h untouched, without memory.
bool crSensorToGround(const CameraParam* cam, Matrix* h);

// Homography estimation internals. The bool results are false when a work
// array could not be allocated (or, for the estimates, the pair count is
// negative or too large to hold); h is then left as it was.
void crNormalizePoints(const Point2f* points, Point2f* normalised, int n, Matrix* t);
bool crSolveHomography(const Point2f* src, const Point2f* dst, int n, Matrix* h);
bool crSolveAffine(const Point2f* src, const Point2f* dst, int n, Matrix* h);
void crCopyCalibrationPoints(const CameraParam* cam, Point2f* image, Point2f* world);

// crGetHomography2D, crGetHomography2D3P and crGetHomography with that
// result. With fewer than four calibration pairs the last leaves h as it was
// and still succeeds.
bool crEstimateHomography2D(const Point2f* src, const Point2f* dst, int n, Matrix* h);
bool crEstimateAffine2D(const Point2f* src, const Point2f* dst, int n, Matrix* h);
bool crEstimateCalibrationHomography(Matrix* h, const CameraParam* cam, int imageToWorld);

// crGetCameraPosition and crGetCameraPos, false when a work matrix could not
// be allocated: no output, no field of the record, is then written. With
// fewer than four calibration pairs crEstimateCameraPos keeps the record's
// pose and succeeds.
bool crEstimateCameraPosition(const Matrix* h, float focalLength, float* x, float* y, float* z, float* angleX,
                              float* angleY, float* angleZ);
bool crEstimateCameraPos(CameraParam* cam);

// Calibration pairs a record holds.
constexpr int kPairCapacity = static_cast<int>(sizeof(CameraParam::imagePoints) / sizeof(Point2f));

// Calibration pairs an operation reads: pointCount limited to the capacity;
// a negative count reads none.
inline int crCalibrationPairCount(const CameraParam* cam) {
    return cam->pointCount < 0 ? 0 : cam->pointCount < kPairCapacity ? cam->pointCount : kPairCapacity;
}

// First estimate of rotation columns and translation from a ground-to-sensor
// homography.
// False, r0 and t untouched, without memory.
bool crDecomposeHomography(const Matrix* h, Matrix* r0, Matrix* t, float focalLength);
