// Rotation of a camera pose and the projection matrices built from it.
#include <cmath>

#include "camera.h"

namespace {

// Row i of a projection: the first `rotationColumns` columns of R, then
// R(i,.) . t.
void crWriteProjectionRow(float* row, const float r[3][3], const float t[3], int i, int rotationColumns) {
    for (int j = 0; j < rotationColumns; ++j) row[j] = r[i][j];
    row[rotationColumns] = r[i][0] * t[0] + r[i][1] * t[1] + r[i][2] * t[2];
}

void crWriteProjection(Matrix* m, const float r[3][3], const float t[3], int rotationColumns) {
    for (int i = 0; i < 3; ++i) crWriteProjectionRow(m->data[i], r, t, i, rotationColumns);
}

}  // namespace

void crPoseRotation(float angleX, float angleZ, float angleY, float r[3][3]) {
    const float a = -crDegToRad(angleX);
    const float b = -crDegToRad(angleZ);
    const float g = -crDegToRad(angleY);
    const float cA = cosf(a), sA = sinf(a);
    const float cB = cosf(b), sB = sinf(b);
    const float cG = cosf(g), sG = sinf(g);
    r[0][0] = cG * cB;
    r[0][1] = -cG * sB;
    r[0][2] = sG;
    r[1][0] = cA * sB + sA * sG * cB;
    r[1][1] = cA * cB - sA * sG * sB;
    r[1][2] = -sA * cG;
    r[2][0] = sA * sB - cA * sG * cB;
    r[2][1] = sA * cB + cA * sG * sB;
    r[2][2] = cA * cG;
}

// Ground-plane projection: the camera centre without the origin offset.
extern "C" CR_API void crGetProjectionZ3x3(Matrix* m, const CameraParam* cam) {
    float r[3][3];
    crPoseRotation(cam->angleX, cam->angleZ, cam->angleY, r);
    const float t[3] = {-cam->positionX, -cam->positionY, -cam->positionZ};
    crWriteProjection(m, r, t, 2);
}

// Full projection: the camera centre relative to the origin offset.
extern "C" CR_API void crGetProjection3x4(Matrix* m, const CameraParam* cam) {
    float r[3][3];
    crPoseRotation(cam->angleX, cam->angleZ, cam->angleY, r);
    const float t[3] = {-(cam->positionX - cam->originX), -(cam->positionY - cam->originY), -cam->positionZ};
    crWriteProjection(m, r, t, 3);
}

void crCameraExtrinsics(const CameraParam* cam, float e[3][4]) {
    float r[3][3];
    crPoseRotation(cam->angleX, cam->angleZ, cam->angleY, r);
    const float t[3] = {-cam->positionX, -cam->positionY, -cam->positionZ};
    for (int i = 0; i < 3; ++i) crWriteProjectionRow(e[i], r, t, i, 3);
}
