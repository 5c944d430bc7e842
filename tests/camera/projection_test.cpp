// Rotation of a pose and the ground-plane and full projection matrices.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "support/test_matrix.h"

namespace {

CameraParam crPosedCamera() {
    CameraParam cam{};
    cam.focalLength = 1.0f;
    cam.positionX = 120.0f;
    cam.positionY = -2400.0f;
    cam.positionZ = -950.0f;
    cam.angleX = 32.5f;
    cam.angleZ = 178.0f;
    cam.angleY = -7.25f;
    cam.originX = 35.0f;
    cam.originY = -410.0f;
    return cam;
}

// Right-handed rotations about x, y and z as matrices.
CrMatrixPtr crAxisRotation(int axis, float angle) {
    const float c = cosf(angle), s = sinf(angle);
    if (axis == 0) return crTestMatrix({{1, 0, 0}, {0, c, -s}, {0, s, c}});
    if (axis == 1) return crTestMatrix({{c, 0, s}, {0, 1, 0}, {-s, 0, c}});
    return crTestMatrix({{c, -s, 0}, {s, c, 0}, {0, 0, 1}});
}

TEST(PoseRotation, ZeroAnglesGiveTheIdentity) {
    float r[3][3];
    crPoseRotation(0.0f, 0.0f, 0.0f, r);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(r[i][j], i == j ? 1.0f : 0.0f);
}

TEST(PoseRotation, ComposesNegatedAnglesAsXThenYThenZ) {
    const float angleX = 32.5f, angleZ = 178.0f, angleY = -7.25f;
    float r[3][3];
    crPoseRotation(angleX, angleZ, angleY, r);

    auto rx = crAxisRotation(0, -crDegToRad(angleX));
    auto ry = crAxisRotation(1, -crDegToRad(angleY));
    auto rz = crAxisRotation(2, -crDegToRad(angleZ));
    auto xy = crTestMatrix(3, 3);
    auto expected = crTestMatrix(3, 3);
    crMultiplyMat(rx.get(), ry.get(), xy.get());
    crMultiplyMat(xy.get(), rz.get(), expected.get());
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(r[i][j], expected->data[i][j], 1e-6f) << i << "," << j;
}

TEST(Projection, GroundPlaneColumnsAreTwoRotationColumnsAndTheTranslation) {
    const CameraParam cam = crPosedCamera();
    float r[3][3];
    crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
    auto mz = crTestMatrix(3, 3);
    crGetProjectionZ3x3(mz.get(), &cam);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mz->data[i][0], r[i][0]);
        EXPECT_EQ(mz->data[i][1], r[i][1]);
        EXPECT_EQ(mz->data[i][2], r[i][0] * -cam.positionX + r[i][1] * -cam.positionY + r[i][2] * -cam.positionZ);
    }
}

TEST(Projection, FullProjectionAddsTheRotatedOriginOffset) {
    const CameraParam cam = crPosedCamera();
    float r[3][3];
    crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
    auto mz = crTestMatrix(3, 3);
    auto mp = crTestMatrix(3, 4);
    crGetProjectionZ3x3(mz.get(), &cam);
    crGetProjection3x4(mp.get(), &cam);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(mp->data[i][0], mz->data[i][0]);
        EXPECT_EQ(mp->data[i][1], mz->data[i][1]);
        EXPECT_EQ(mp->data[i][2], r[i][2]);
        const float shifted = mz->data[i][2] + (r[i][0] * cam.originX + r[i][1] * cam.originY);
        EXPECT_NEAR(mp->data[i][3], shifted, 1e-3f) << i;
    }

    // Without an offset the translation columns agree exactly.
    CameraParam centred = cam;
    centred.originX = centred.originY = 0.0f;
    crGetProjection3x4(mp.get(), &centred);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(mp->data[i][3], mz->data[i][2]);
}

}  // namespace
