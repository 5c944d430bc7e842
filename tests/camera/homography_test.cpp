// Plane mappings from point pairs: normalisation, exact projective and affine
// maps, the single-point transform and the camera's calibration homography.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/camera.h"
#include "support/calibration_scene.h"

namespace {

const double kProjective[3][3] = {{1.2, 0.1, 30.0}, {-0.05, 0.9, -12.0}, {0.0004, -0.0002, 1.0}};
const double kAffine[3][3] = {{0.8, -0.3, 15.0}, {0.25, 1.1, -40.0}, {0.0, 0.0, 1.0}};

Point2f crMapExactly(const double m[3][3], Point2f p) {
    const double w = m[2][0] * p.x + m[2][1] * p.y + m[2][2];
    return {static_cast<float>((m[0][0] * p.x + m[0][1] * p.y + m[0][2]) / w),
            static_cast<float>((m[1][0] * p.x + m[1][1] * p.y + m[1][2]) / w)};
}

std::vector<Point2f> crScatteredPoints(int n) {
    const Point2f points[12] = {{-200.0f, -150.0f}, {180.0f, -120.0f}, {150.0f, 160.0f}, {-170.0f, 140.0f},
                                {10.0f, 5.0f},      {-90.0f, 60.0f},   {75.0f, -40.0f}, {220.0f, 30.0f},
                                {-30.0f, -180.0f},  {40.0f, 190.0f},   {-240.0f, 0.0f}, {120.0f, 90.0f}};
    return std::vector<Point2f>(points, points + n);
}

// h must equal m up to the scale that makes their (2, 2) elements agree.
void crExpectSameUpToScale(const Matrix* h, const double m[3][3]) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(h->data[r][c] / h->data[2][2], m[r][c], 2e-4 * std::fabs(m[r][c]) + 1e-7) << r << c;
}

TEST(NormalizePoints, CentresThePointsAtMeanDistanceRootTwo) {
    const std::vector<Point2f> points = crScatteredPoints(9);
    std::vector<Point2f> normalised(points.size());
    Matrix* t = crCreateMatrix(3, 3);
    crNormalizePoints(points.data(), normalised.data(), 9, t);
    double sx = 0.0, sy = 0.0, distance = 0.0;
    for (int i = 0; i < 9; ++i) {
        const Point2f& p = normalised[i];
        sx += p.x, sy += p.y, distance += std::hypot(p.x, p.y);
        EXPECT_NEAR(t->data[0][0] * points[i].x + t->data[0][1] * points[i].y + t->data[0][2], p.x, 1e-5f);
        EXPECT_NEAR(t->data[1][0] * points[i].x + t->data[1][1] * points[i].y + t->data[1][2], p.y, 1e-5f);
    }
    EXPECT_NEAR(sx, 0.0, 1e-5);
    EXPECT_NEAR(sy, 0.0, 1e-5);
    EXPECT_NEAR(distance / 9.0, std::sqrt(2.0), 1e-6);
    crFreeMatrix(&t);
}

using Estimator = void (*)(const Point2f*, const Point2f*, int, Matrix*);

// Estimate from n pairs that m relates exactly; the caller frees it.
Matrix* crFitExactPairs(Estimator estimate, const double m[3][3], int n) {
    const std::vector<Point2f> src = crScatteredPoints(n);
    std::vector<Point2f> dst;
    for (const Point2f& p : src) dst.push_back(crMapExactly(m, p));
    Matrix* h = crCreateMatrix(3, 3);
    estimate(src.data(), dst.data(), n, h);
    return h;
}

TEST(Homography2D, ExactPairsReproduceTheMappingUpToScale) {
    for (int n : {4, 5, 12}) {
        Matrix* h = crFitExactPairs(crGetHomography2D, kProjective, n);
        SCOPED_TRACE(n);
        crExpectSameUpToScale(h, kProjective);
        crFreeMatrix(&h);
    }
}

TEST(Homography2D3P, ExactAffinePairsGiveTheMapWithAnExactLastRow) {
    for (int n : {3, 7}) {
        Matrix* h = crFitExactPairs(crGetHomography2D3P, kAffine, n);
        SCOPED_TRACE(n);
        crExpectSameUpToScale(h, kAffine);
        EXPECT_EQ(h->data[2][0], 0.0f);
        EXPECT_EQ(h->data[2][1], 0.0f);
        EXPECT_EQ(h->data[2][2], 1.0f);
        crFreeMatrix(&h);
    }
}

TEST(HomographyTransform, DividesByWUnlessItIsZero) {
    Matrix* h = crCreateMatrix(3, 3);
    const float m[3][3] = {{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {1.0f, -1.0f, 0.0f}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) h->data[r][c] = m[r][c];
    Point2f out;
    const Point2f divided = {3.0f, 1.0f};  // W = 2
    crHomographyTransform(&divided, &out, h);
    EXPECT_EQ(out.x, 4.0f);
    EXPECT_EQ(out.y, 11.5f);
    const Point2f atInfinity = {2.0f, 2.0f};  // W = 0
    crHomographyTransform(&atInfinity, &out, h);
    EXPECT_EQ(out.x, 9.0f);
    EXPECT_EQ(out.y, 24.0f);
    crFreeMatrix(&h);
}

CameraParam crRearCamera(int pairs) {
    CameraParam cam = crEquidistantCamera();
    cam.originX = 60.0f;
    cam.originY = -2400.0f;
    crSetPose(&cam, {30.0f, -2600.0f, -950.0f, 45.0f, -3.0f, 178.0f});
    crFillCalibrationPairs(&cam, pairs);
    return cam;
}

TEST(CalibrationHomography, LeavesHAloneWithFewerThanFourPairs) {
    CameraParam cam = crRearCamera(3);
    Matrix* h = crCreateMatrix(3, 3);
    crIdentityMat(h, 7.0f);
    crGetHomography(h, &cam, 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(h->data[r][c], r == c ? 7.0f : 0.0f);
    crFreeMatrix(&h);
}

TEST(CalibrationHomography, BothDirectionsAreInverseOfEachOther) {
    const CameraParam cam = crRearCamera(20);
    Matrix* toWorld = crCreateMatrix(3, 3);
    Matrix* toImage = crCreateMatrix(3, 3);
    crGetHomography(toWorld, &cam, 1);
    crGetHomography(toImage, &cam, 0);
    for (int i = 0; i < cam.pointCount; ++i) {
        const Point2f ground = {cam.worldPoints[i].x - cam.originX, cam.worldPoints[i].y - cam.originY};
        Point2f sensor, back;
        crHomographyTransform(&ground, &sensor, toImage);
        crHomographyTransform(&sensor, &back, toWorld);
        EXPECT_NEAR(back.x, ground.x, 0.05f) << i;
        EXPECT_NEAR(back.y, ground.y, 0.05f) << i;
    }
    crFreeMatrix(&toWorld);
    crFreeMatrix(&toImage);
}

}  // namespace
