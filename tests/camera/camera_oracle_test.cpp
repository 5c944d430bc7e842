// The lens model, homography fit and pose estimate against OpenCV's fisheye model, findHomography and solvePnP.
#include <opencv2/calib3d.hpp>
#include <random>

#include "camera/camera.h"
#include "support/calibration_scene.h"

// OpenCV's fisheye model is the lens model with focal length 1, coefficients (1, k1..k4) and pixel scales fx, fy.
const cv::Vec4d kK(-0.031, 0.0042, -0.0011, 0.00007);
const cv::Matx33d kIntrinsics(330.0, 0, 641.5, 0, 318.0, 402.25, 0, 0, 1);

CameraParam crFisheyeCamera() {
    CameraParam cam{};
    cam.focalLength = cam.distortion[0] = 1.0f;
    cam.pixelScaleX = 330.0f, cam.pixelScaleY = 318.0f, cam.principalX = 641.5f, cam.principalY = 402.25f;
    for (int i = 0; i < 4; ++i) cam.distortion[i + 1] = float(kK[i]);
    return cam;
}

double crDistortedHeight(double theta) {
    const double t2 = theta * theta;
    return theta * (1 + t2 * (kK[0] + t2 * (kK[1] + t2 * (kK[2] + t2 * kK[3]))));
}

// Pixels of rays on rings of incidence angles up to `maxDegrees` (with their angles), and the rays.
std::vector<cv::Point2d> crRingPixels(double maxDegrees, std::vector<double>& thetas, std::vector<cv::Point2d>& rays) {
    for (double degrees = 0.5; degrees <= maxDegrees; degrees += 1.5)
        for (double azimuth = 0.1; azimuth < 2 * CV_PI; azimuth += 0.45) {
            thetas.push_back(degrees * CV_PI / 180.0);
            rays.emplace_back(std::tan(thetas.back()) * std::cos(azimuth), std::tan(thetas.back()) * std::sin(azimuth));
        }
    std::vector<cv::Point2d> pixels;
    cv::fisheye::distortPoints(rays, pixels, kIntrinsics, kK);
    return pixels;
}

TEST(LensOracle, DistortionMatchesOpenCvFisheye) {
    const CameraParam cam = crFisheyeCamera();
    std::vector<double> thetas;
    std::vector<cv::Point2d> rays;
    const std::vector<cv::Point2d> expected = crRingPixels(89.5, thetas, rays);
    for (size_t i = 0; i < rays.size(); ++i) {
        const Point2f ray{float(rays[i].x), float(rays[i].y)};
        Point2f pixel{};
        crFeatureDistortion(&ray, &pixel, &cam);
        EXPECT_TRUE(crPointNear(pixel, expected[i].x, expected[i].y, 5e-4)) << thetas[i];  // float roundings
    }
}

TEST(LensOracle, UndistortionWithFittedInverseMatchesOpenCvFisheye) {
    // Least-squares fit in double of theta as a degree-8 polynomial in the distorted height, rounded to float.
    cv::Mat a(400, 9, CV_64F), b(400, 1, CV_64F), fit;
    for (int s = 0; s < 400; ++s) {
        b.at<double>(s) = 85.0 * CV_PI / 180.0 * s / 399;
        for (int p = 0; p < 9; ++p) a.at<double>(s, p) = std::pow(crDistortedHeight(b.at<double>(s)), p);
    }
    cv::solve(a, b, fit, cv::DECOMP_SVD);
    CameraParam cam = crFisheyeCamera();
    for (int p = 0; p < 9; ++p) cam.undistortion[p] = float(fit.at<double>(p));
    std::vector<double> thetas;
    std::vector<cv::Point2d> rays, expected;
    const std::vector<cv::Point2d> pixels = crRingPixels(85.0, thetas, rays);
    cv::fisheye::undistortPoints(pixels, expected, kIntrinsics, kK);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const Point2f pixel{float(pixels[i].x), float(pixels[i].y)};
        Point2f ray{};
        crFeatureUndistortion(&pixel, &ray, &cam);
        double fitted = 0.0;
        for (int p = 8; p >= 0; --p) fitted = fitted * crDistortedHeight(thetas[i]) + cam.undistortion[p];
        // An angle error moves the tangent by that error over cos^2; float rounding adds about 1e-6.
        const double tolerance = (std::fabs(fitted - thetas[i]) + 1e-6) * 2.0 / std::pow(std::cos(thetas[i]), 2);
        EXPECT_TRUE(crPointNear(ray, expected[i].x, expected[i].y, tolerance)) << thetas[i];
    }
}

TEST(Homography2DOracle, NoisyPairsReprojectAsWellAsOpenCv) {
    const cv::Matx33d truth(0.9, 0.2, 310.0, -0.1, 1.1, 240.0, 0.0005, 0.0003, 1.0);
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> place(-400.0f, 400.0f);
    std::normal_distribution<float> noise(0.0f, 0.7f);
    for (int n : {6, 30}) {
        std::vector<Point2f> src, dst;
        for (int i = 0; i < n; ++i) {
            src.push_back({place(rng), place(rng)});
            const cv::Vec3d q = truth * cv::Vec3d(src[i].x, src[i].y, 1.0);
            dst.push_back({float(q[0] / q[2]) + noise(rng), float(q[1] / q[2]) + noise(rng)});
        }
        Matrix* h = crCreateMatrix(3, 3);
        crGetHomography2D(src.data(), dst.data(), n, h);
        cv::Matx33d ours,
            theirs = cv::findHomography(cv::Mat(n, 1, CV_32FC2, src.data()), cv::Mat(n, 1, CV_32FC2, dst.data()), 0);
        for (int i = 0; i < 9; ++i) ours(i / 3, i % 3) = h->data[i / 3][i % 3];
        crFreeMatrix(&h);
        double rms[2] = {0.0, 0.0};
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < 2; ++k) {
                const cv::Vec3d q = (k ? theirs : ours) * cv::Vec3d(src[i].x, src[i].y, 1.0);
                rms[k] += (std::pow(q[0] / q[2] - dst[i].x, 2) + std::pow(q[1] / q[2] - dst[i].y, 2)) / n;
            }
        EXPECT_LT(std::sqrt(rms[0]), 1.5 * std::sqrt(rms[1]) + 1e-3) << n << ": " << rms[0] << " vs " << rms[1];
    }
}

TEST(CameraPosOracle, AgreesWithSolvePnp) {
    const ScenePose poses[] = {{0.0f, 2000.0f, -700.0f, -50.0f, 2.0f, 1.5f},
                               {-950.0f, 300.0f, -1200.0f, 4.0f, -55.0f, -90.0f},
                               {950.0f, -250.0f, -500.0f, -6.0f, 50.0f, 91.0f}};
    for (const ScenePose& pose : poses) {
        SCOPED_TRACE(pose.y);
        CameraParam cam = crSceneCamera(pose, {80.0f, -1200.0f}, 24);
        std::vector<cv::Point3f> object;
        std::vector<cv::Point2f> sensor;
        for (int i = 0; i < cam.pointCount; ++i) {
            Point2f u;
            crFeatureUndistortion(&cam.imagePoints[i], &u, &cam);
            sensor.emplace_back(u.x, u.y);
            object.emplace_back(cam.worldPoints[i].x - cam.originX, cam.worldPoints[i].y - cam.originY, 0.0f);
        }
        cv::Mat rvec, tvec, rotation;
        ASSERT_TRUE(cv::solvePnP(object, sensor, cv::Matx33d::diag({cam.focalLength, cam.focalLength, 1.0}),
                                 cv::noArray(), rvec, tvec));
        cv::Rodrigues(rvec, rotation);
        const cv::Mat centre = -rotation.t() * tvec;
        crGetCameraPos(&cam);
        float r[3][3];
        crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
        EXPECT_TRUE(crPointNear({cam.positionX, cam.positionY}, centre.at<double>(0), centre.at<double>(1), 1.0));
        EXPECT_NEAR(cam.positionZ, centre.at<double>(2), 1.0);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(r[i / 3][i % 3], rotation.at<double>(i / 3, i % 3), 1e-3) << i;
    }
}
