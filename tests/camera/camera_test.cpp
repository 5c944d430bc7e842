// Lens model, pose rotation, projections, ground/pixel mappings, plane homographies and camera poses.
#include "camera/camera.h"
#include "support/calibration_scene.h"
#include "support/same_bytes.h"
#include "support/test_matrix.h"

Point2f crLensMap(void (*lens)(const Point2f*, Point2f*, const CameraParam*), const CameraParam& cam, Point2f p) {
    Point2f out{9.0f, 9.0f};
    lens(&p, &out, &cam);
    return out;
}

TEST(LensModel, BothPolynomialsAndTheFieldOfView) {
    CameraParam cam = crEquidistantCamera();
    cam.pixelScaleY = 240.0f, cam.principalX = 640.5f, cam.principalY = 360.25f;
    const float px = cam.principalX, py = cam.principalY, rho = 150.0f / cam.pixelScaleX;
    const float right = rho / rho * (tanf(cam.undistortion[1] * rho) * cam.focalLength);
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureUndistortion, cam, {px, py}), 0.0, 0.0));
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureUndistortion, cam, {px + 150.0f, py}), right, 0.0));
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureUndistortion, cam, {px - 150.0f, py}), -right, 0.0));

    float fov[3];
    crGetFOV(&cam, px, py, &fov[0]);
    crGetFOV(&cam, px, py - 300.0f, &fov[1]);
    cam.undistortion[0] = 0.25f;
    crGetFOV(&cam, px, py, &fov[2]);
    const float above = cam.undistortion[1] * (300.0f / cam.pixelScaleY) * 57.29578f;
    EXPECT_EQ(std::vector<float>(fov, fov + 3), std::vector<float>({0.0f, above, 0.25f * 57.29578f}));

    cam.focalLength = cam.distortion[0] = 1.0f, cam.distortion[1] = -0.05f;  // rho = theta - 0.05 theta^3
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureDistortion, cam, {0.0f, 0.0f}), px, py));
    const float r = sqrtf(0.6f * 0.6f + -0.8f * -0.8f), theta = atanf(r);
    const float s = (theta + -0.05f * (theta * (theta * theta))) / r;
    const Point2f want{0.6f * s * cam.pixelScaleX + px, s * -0.8f * cam.pixelScaleY + py};
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureDistortion, cam, {0.6f, -0.8f}), want.x, want.y));
    cam.focalLength = 2.0f;  // the undistorted point is divided by f first
    EXPECT_TRUE(crPointNear(crLensMap(crFeatureDistortion, cam, {1.2f, -1.6f}), want.x, want.y));
}

TEST(Projection, RotationComposesNegatedAnglesXYZAndBothMatricesShareItsColumns) {
    const float x = -crDegToRad(32.5f), y = -crDegToRad(-7.25f), z = -crDegToRad(178.0f);
    auto rx = crTestMatrix({{1, 0, 0}, {0, cosf(x), -sinf(x)}, {0, sinf(x), cosf(x)}});
    auto ry = crTestMatrix({{cosf(y), 0, sinf(y)}, {0, 1, 0}, {-sinf(y), 0, cosf(y)}});
    auto rz = crTestMatrix({{cosf(z), -sinf(z), 0}, {sinf(z), cosf(z), 0}, {0, 0, 1}});
    auto xy = crTestMatrix(3, 3), expected = crTestMatrix(3, 3), rotation = crTestMatrix(3, 3);
    crMultiplyMat(rx.get(), ry.get(), xy.get());
    crMultiplyMat(xy.get(), rz.get(), expected.get());
    CameraParam cam = crEquidistantCamera();
    crSetPose(&cam, {120.0f, -2400.0f, -950.0f, 32.5f, -7.25f, 178.0f});
    float r[3][3];
    crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
    for (int i = 0; i < 3; ++i) std::copy(r[i], r[i] + 3, rotation->data[i]);
    crExpectMatrix(rotation.get(), crEntries(expected.get()), 1e-6f);

    cam.originX = 35.0f, cam.originY = -410.0f;
    auto mz = crTestMatrix(3, 3), mp = crTestMatrix(3, 4), centred = crTestMatrix(3, 4);
    crGetProjectionZ3x3(mz.get(), &cam);
    crGetProjection3x4(mp.get(), &cam);
    cam.originX = cam.originY = 0.0f;
    crGetProjection3x4(centred.get(), &cam);
    for (int i = 0; i < 3; ++i) {
        const float* m = mz->data[i];
        const float t = r[i][0] * -cam.positionX + r[i][1] * -cam.positionY + r[i][2] * -cam.positionZ;
        EXPECT_EQ(std::vector<float>(m, m + 3), std::vector<float>({r[i][0], r[i][1], t})) << i;
        EXPECT_EQ(std::vector<float>(mp->data[i], mp->data[i] + 3), std::vector<float>({m[0], m[1], r[i][2]})) << i;
        EXPECT_NEAR(mp->data[i][3], m[2] + (r[i][0] * 35.0f + r[i][1] * -410.0f), 1e-3f) << i;
        EXPECT_EQ(centred->data[i][3], m[2]) << i;
    }
}

TEST(WorldToImage, CameraLookingDownTheMinusOneMarkerAndTheHeightCoordinate) {
    CameraParam cam = crEquidistantCamera();
    crSetPose(&cam, {0.0f, 0.0f, -1500.0f, 0.0f, 0.0f, 0.0f});
    const float cx = cam.principalX, cy = cam.principalY;
    const Point2f ground[6] = {{0, 0}, {400, 0}, {0, 400}, {-1, -1}, {-1, 0}, {0, -1}};
    Point2f p[6];
    crWorldToImage2D(&cam, ground, p, 6);
    EXPECT_TRUE(crPointNear(p[0], cx, cy));
    EXPECT_TRUE(crPointNear(p[3], -1.0, -1.0));  // the marker passes through
    EXPECT_NEAR(p[1].x - cx, atanf(400.0f / 1500.0f) * cam.focalLength * cam.pixelScaleX, 1e-3f);  // f * theta
    EXPECT_TRUE(p[1].y == cy && p[2].x == cx && p[2].y > cy) << p[1].y << " " << p[2].x << " " << p[2].y;
    EXPECT_TRUE(p[4].x > cx - 1.0f && p[4].x < cx && p[4].y == cy) << p[4].x;  // an ordinary point
    EXPECT_TRUE(p[5].x == cx && p[5].y < cy) << p[5].y;

    // (1, 1, 4) gives (2, 2, 4 + 4), the ray (0.25, 0.25); for (0.125, 0, -4) w = 0 counts as 1.
    auto h = crTestMatrix({{2, 0, 0}, {0, 2, 0}, {0, 0, 4}});
    cam.focalLength = 1.0f;
    const Point2f raised = crLensMap(crFeatureDistortion, cam, {0.25f, 0.25f});
    EXPECT_TRUE(crPointNear(crWorldToImage(&cam, {1.0f, 1.0f, 4.0f}, h.get()), raised.x, raised.y));
    const Point2f flat = crLensMap(crFeatureDistortion, cam, {0.25f, 0.0f});
    EXPECT_EQ(crWorldToImage(&cam, {0.125f, 0.0f, -4.0f}, h.get()).x, flat.x);
}

// Front, rear, left and right cameras of a car, most with origin offsets.
const ScenePose kRig[4] = {{0, 2100, -750, 35, 0, 0},
                           {30, -2600, -1000, -40, 2, 180},
                           {-950, 300, -1100, 10, -45, 90},
                           {950, -200, -1050, -5, 50, -90}};
const Point2f kRigOrigins[4] = {{0.0f, 0.0f}, {120.0f, -45.0f}, {-300.0f, 410.0f}, {17.5f, 0.0f}};

TEST(WorldImage, GroundPixelGroundRoundTripAndHomographyFormForEveryRigCamera) {
    for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        const CameraParam cam = crSceneCamera(kRig[k], kRigOrigins[k], 0);
        auto toGround = crTestMatrix(3, 3), mz = crTestMatrix(3, 3), h = crTestMatrix(3, 3);
        auto scale = crTestMatrix({{cam.focalLength, 0, 0}, {0, cam.focalLength, 0}, {0, 0, 1}});
        crSensorToGround(&cam, toGround.get());
        crGetProjectionZ3x3(mz.get(), &cam);
        crMultiplyMat(scale.get(), mz.get(), h.get());  // ground to undistorted sensor plane
        const std::vector<Point2f> ground = crSeenGround(&cam, 75.0);
        ASSERT_GT(ground.size(), 100u);
        std::vector<Point2f> image(ground.size());
        crWorldToImage2D(&cam, ground.data(), image.data(), static_cast<int>(ground.size()));
        for (size_t i = 0; i < ground.size(); ++i) {
            const Point3f back = crImageToWorld(image[i], &cam, toGround.get());
            const float range = std::hypot(ground[i].x - cam.positionX, ground[i].y - cam.positionY, cam.positionZ);
            const Point2f world = {ground[i].x + cam.originX, ground[i].y + cam.originY};
            EXPECT_TRUE(crPointNear({back.x, back.y}, world.x, world.y, range * 2e-5f) && back.z == 0.0f) << i;
            const Point2f pixel = crWorldToImage(&cam, {ground[i].x, ground[i].y, 0.0f}, h.get());
            EXPECT_TRUE(crPointNear(pixel, image[i].x, image[i].y, 2e-3f)) << i;
        }
    }
}

TEST(ConvertImageToWorld, ConvertsCountPairsAndAtMostFifty) {
    CameraParam cams[2] = {crSceneCamera(kRig[1], kRigOrigins[1], 0)};  // the second record must stay untouched
    CameraParam& cam = cams[0];
    const std::vector<Point2f> ground = crSeenGround(&cam, 75.0);
    crWorldToImage2D(&cam, ground.data(), cam.imagePoints, 50);
    std::memset(cam.spare3, 0x5A, sizeof cam.spare3);
    const CameraParam before = cam, next = cams[1];
    crConvertImage2World(&cam, 0, 0, 0);
    EXPECT_TRUE(crSameBytes(cam, before));
    crConvertImage2World(&cam, 0, 0, 70);
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(crPointNear(cam.worldPoints[i], ground[i].x + cam.originX, ground[i].y + cam.originY, 0.1)) << i;
    for (int32_t word : cam.spare3) EXPECT_EQ(word, 0x5A5A5A5A);
    EXPECT_TRUE(crSameBytes(cams[1], next));
}

TEST(CalibrationPairs, PointBinariesReadAtMostFiftyPerCamera) {
    std::vector<CameraParam> cams(4, CameraParam{});
    cams[0].pointCount = 60, cams[2].pointCount = 1;  // camera 0's pairs 50 to 59 do not exist
    unsigned char out[61 * 4];
    int len = 0;
    crMakeBinIPoint(cams.data(), out, &len);
    EXPECT_EQ(len, 51 * 4);
}

const std::vector<Point2f> kPoints = {{-200, -150}, {180, -120}, {150, 160},  {-170, 140}, {10, 5},   {-90, 60},
                                      {75, -40},    {220, 30},   {-30, -180}, {40, 190},   {-240, 0}, {120, 90}};

TEST(HomographyTransform, DividesByWUnlessItIsZero) {
    auto h = crTestMatrix({{1, 2, 3}, {4, 5, 6}, {1, -1, 0}});
    const Point2f divided = {3.0f, 1.0f}, atInfinity = {2.0f, 2.0f};  // W = 2 and W = 0
    Point2f a, b;
    crHomographyTransform(&divided, &a, h.get());
    crHomographyTransform(&atInfinity, &b, h.get());
    EXPECT_TRUE(crPointNear(a, 4.0, 11.5));
    EXPECT_TRUE(crPointNear(b, 9.0, 24.0));
}

TEST(Homography2D, ExactPairsReproduceProjectiveAndAffineMapsUpToScale) {
    const float projective[9] = {1.2f, 0.1f, 30.0f, -0.05f, 0.9f, -12.0f, 0.0004f, -0.0002f, 1.0f};
    const float affine[9] = {0.8f, -0.3f, 15.0f, 0.25f, 1.1f, -40.0f, 0.0f, 0.0f, 1.0f};
    const struct {
        void (*estimate)(const Point2f*, const Point2f*, int, Matrix*);
        const float* m;
        int n;
    } cases[] = {{crGetHomography2D, projective, 4},
                 {crGetHomography2D, projective, 5},
                 {crGetHomography2D, projective, 12},
                 {crGetHomography2D3P, affine, 3},
                 {crGetHomography2D3P, affine, 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        std::vector<Point2f> dst;
        for (const Point2f& p : kPoints) {
            const double w = c.m[6] * double(p.x) + c.m[7] * double(p.y) + c.m[8];
            dst.push_back({float((c.m[0] * double(p.x) + c.m[1] * double(p.y) + c.m[2]) / w),
                           float((c.m[3] * double(p.x) + c.m[4] * double(p.y) + c.m[5]) / w)});
        }
        auto h = crTestMatrix(3, 3);
        c.estimate(kPoints.data(), dst.data(), c.n, h.get());
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(h->data[i / 3][i % 3] / h->data[2][2], c.m[i], 2e-4 * std::fabs(c.m[i]) + 1e-7) << i;
        if (c.m == affine) {
            EXPECT_EQ(std::vector<float>(h->data[2], h->data[2] + 3), std::vector<float>({0, 0, 1}));
        }
    }
}

// Front (looking ahead and down), rear, left and right cameras, and origin offsets.
const ScenePose kPoses[] = {{0, 2000, -700, -50, 2, 1.5f},
                            {30, -2600, -950, 45, -3, 178},
                            {-950, 300, -1200, 4, -55, -90},
                            {950, -250, -500, -6, 50, 91}};
const Point2f kOrigins[] = {{0.0f, 0.0f}, {120.0f, -2500.0f}, {-40.0f, 75.0f}};

TEST(CalibrationHomography, BothDirectionsAreInverseNeedFourPairsAndReadAtMostFifty) {
    CameraParam cam = crSceneCamera(kPoses[1], {60.0f, -2400.0f}, 50);
    auto toWorld = crTestMatrix(3, 3), toImage = crTestMatrix(3, 3), again = crTestMatrix(3, 3, 7.0f);
    crGetHomography(toWorld.get(), &cam, 1);
    crGetHomography(toImage.get(), &cam, 0);
    for (int i = 0; i < cam.pointCount; ++i) {
        const Point2f ground = {cam.worldPoints[i].x - cam.originX, cam.worldPoints[i].y - cam.originY};
        Point2f sensor, back;
        crHomographyTransform(&ground, &sensor, toImage.get());
        crHomographyTransform(&sensor, &back, toWorld.get());
        EXPECT_TRUE(crPointNear(back, ground.x, ground.y, 0.05f)) << i;
    }
    cam.pointCount = 3;
    crGetHomography(again.get(), &cam, 0);
    crExpectMatrix(again.get(), std::vector<float>(9, 7.0f));
    cam.pointCount = 60;
    for (int direction = 0; direction < 2; ++direction) {
        crGetHomography(again.get(), &cam, direction);
        crExpectMatrix(again.get(), crEntries(direction ? toWorld.get() : toImage.get()));
    }
}

void crExpectPose(const CameraParam& cam, const ScenePose& want) {
    EXPECT_TRUE(crPointNear({cam.positionX, cam.positionY}, want.x, want.y, 1.0));
    EXPECT_NEAR(cam.positionZ, want.z, 1.0f);
    const float angles[3][2] = {{cam.angleX, want.angleX}, {cam.angleY, want.angleY}, {cam.angleZ, want.angleZ}};
    for (const auto& a : angles) EXPECT_LT(crAngleGap(a[0], a[1]), 0.05f) << a[0] << " vs " << a[1];
}

TEST(CameraPos, RecoversKnownPosesAndReportsACameraBelowGroundAboveItTurnedHalfATurn) {
    for (const ScenePose& pose : kPoses)
        for (const Point2f& origin : kOrigins) {
            SCOPED_TRACE(testing::Message() << "pose y " << pose.y << " origin " << origin.x);
            CameraParam cam = crSceneCamera(pose, origin, 20);
            crSetPose(&cam, {0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f});
            crGetCameraPos(&cam);
            crExpectPose(cam, pose);
        }
    CameraParam below = crSceneCamera({100.0f, -200.0f, 800.0f, 150.0f, 5.0f, 30.0f}, kOrigins[1], 20);
    crGetCameraPos(&below);
    crExpectPose(below, {100.0f, -200.0f, -800.0f, 150.0f, 5.0f, -150.0f});
}

TEST(CameraPos, WritesOnlyThePoseFieldsNeedsFourPairsAndReadsAtMostFifty) {
    CameraParam cam = crSceneCamera(kPoses[2], kOrigins[1], 50), rest;
    std::memset(cam.spare1, 0x5A, sizeof cam.spare1);
    std::memset(cam.spare2, 0x3C, sizeof cam.spare2);
    const CameraParam before = cam;
    CameraParam three = cam, sixty = cam;
    three.pointCount = 3, sixty.pointCount = 60;
    crGetCameraPos(&cam);
    crGetCameraPos(&three);
    crGetCameraPos(&sixty);
    crSetPose(&(rest = cam), crPoseOf(before));
    three.pointCount = sixty.pointCount = 50;
    EXPECT_TRUE(crSameBytes(rest, before));
    EXPECT_FALSE(crSameBytes(cam, before));
    EXPECT_TRUE(crSameBytes(three, before));
    EXPECT_TRUE(crSameBytes(cam, sixty));
}

TEST(CameraPosition, NullOutputsAreSkippedAndTheOthersUnchanged) {
    const CameraParam cam = crSceneCamera(kPoses[3], kOrigins[1], 20);
    auto h = crTestMatrix(3, 3);
    crGetHomography(h.get(), &cam, 0);
    float all[6];
    crGetCameraPosition(h.get(), cam.focalLength, &all[0], &all[1], &all[2], &all[3], &all[4], &all[5]);
    for (int skip = 0; skip < 6; ++skip) {
        float some[6] = {7.0f, 7.0f, 7.0f, 7.0f, 7.0f, 7.0f}, *out[6];
        for (int k = 0; k < 6; ++k) out[k] = k == skip ? nullptr : &some[k];
        crGetCameraPosition(h.get(), cam.focalLength, out[0], out[1], out[2], out[3], out[4], out[5]);
        for (int k = 0; k < 6; ++k) EXPECT_EQ(some[k], k == skip ? 7.0f : all[k]) << skip << " " << k;
    }
}

// Camera at height +800 upside down about x (R = diag(1, -1, -1)): its roll is exactly 0, which the
// height rule turns to -180, also when the height itself is not asked for.
TEST(CameraPosition, ZeroRollOfACameraBelowGroundBecomesMinus180) {
    auto h = crTestMatrix({{1.2f, 0, 0}, {0, -1.2f, 0}, {0, 0, 800}});
    float x, y, z, angleX, angleY, angleZ, rollOnly;
    crGetCameraPosition(h.get(), 1.2f, &x, &y, &z, &angleX, &angleY, &angleZ);
    crGetCameraPosition(h.get(), 1.2f, nullptr, nullptr, nullptr, nullptr, nullptr, &rollOnly);
    EXPECT_TRUE(crPointNear({x, y}, 0.0, 0.0, 1e-3));
    EXPECT_FLOAT_EQ(z, -800.0f);
    EXPECT_LT(crAngleGap(angleX, 180.0f), 1e-4f);
    EXPECT_NEAR(angleY, 0.0f, 1e-4f);
    EXPECT_TRUE(angleZ == -180.0f && rollOnly == -180.0f) << angleZ << " " << rollOnly;
}
