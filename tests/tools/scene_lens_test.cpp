// The sample lens's two polynomials must describe the same lens: the fitted
// inverse has to undo the forward polynomial to a small fraction of a pixel
// everywhere in the field of view.
#include <gtest/gtest.h>

#include <cmath>

#include "camera/camera.h"
#include "scene/lens_fit.h"
#include "scene/scene.h"

namespace {

TEST(SceneLens, InverseUndoesForwardAcrossTheFieldOfView) {
    CameraParam cam{};
    crSceneSampleLens(&cam);
    const float maxAngle = crDegToRad(kSceneHalfFov);
    float worst = 0.0f;
    for (int i = 0; i <= 1000; ++i) {
        const float theta = maxAngle * i / 1000.0f;
        const float rho = crLensAngleToHeight(cam.distortion, theta);
        const float back = crLensAngleToHeight(cam.distortion, crLensHeightToAngle(cam.undistortion, rho));
        worst = std::fmax(worst, std::fabs(back - rho) * cam.pixelScaleX);
    }
    EXPECT_LT(worst, 0.02f) << "pixels";
}

TEST(SceneLens, ImageCircleFitsTheFrame) {
    CameraParam cam{};
    crSceneSampleLens(&cam);
    const float radius = crLensAngleToHeight(cam.distortion, crDegToRad(kSceneHalfFov)) * cam.pixelScaleY;
    EXPECT_LE(cam.principalY + radius, cam.imageHeight);
    EXPECT_GE(cam.principalY - radius, 0.0f);
    EXPECT_GT(radius, 0.45f * cam.imageHeight);

    float degrees = -1.0f;
    crGetFOV(&cam, cam.principalX, cam.principalY, &degrees);
    EXPECT_EQ(degrees, 0.0f);
    crGetFOV(&cam, cam.principalX + radius, cam.principalY, &degrees);
    EXPECT_NEAR(degrees, kSceneHalfFov, 0.01f);
}

TEST(SceneLens, FitRecoversAnEquidistantLens) {
    const float forward[5] = {2.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    float inverse[9];
    crFitInverseLens(forward, 1.5, inverse);
    EXPECT_EQ(inverse[0], 0.0f);
    EXPECT_NEAR(inverse[1], 0.5f, 1e-5f);
    for (int i = 2; i < 9; ++i) EXPECT_NEAR(inverse[i], 0.0f, 1e-4f) << i;
}

}  // namespace
