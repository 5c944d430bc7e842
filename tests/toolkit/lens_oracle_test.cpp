// OpenCV fisheye lenses in camrig's lens model: camrig projects as OpenCV
// does, the error reported for the fitted inverse is the one measured, and
// OpenCV's own calibration files read back as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "camrig_toolkit/lens.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Lens {
    const char* name;
    camrig::OpenCvFisheye model;
};

camrig::OpenCvFisheye crModel(double fx, double fy, double cx, double cy, std::vector<double> k, int w, int h) {
    camrig::OpenCvFisheye m;
    m.fx = fx, m.fy = fy, m.cx = cx, m.cy = cy, m.width = w, m.height = h;
    std::copy(k.begin(), k.end(), m.k);
    return m;
}

const Lens kLenses[] = {
    {"190 degrees", crModel(281.5, 279.25, 360.3, 239.7, {0.02, -0.004, 0.0007, -0.00005}, 720, 480)},
    {"wide HD", crModel(400.0, 401.5, 641.2, 399.6, {-0.013, 0.021, -0.011, 0.0021}, 1280, 800)},
    {"narrow", crModel(900.0, 900.0, 640.0, 360.0, {0.1, -0.05, 0.01, 0.0}, 1280, 720)},
};

cv::Matx33d crK(const camrig::OpenCvFisheye& m) { return {m.fx, 0, m.cx, 0, m.fy, m.cy, 0, 0, 1}; }
cv::Vec4d crD(const camrig::OpenCvFisheye& m) { return {m.k[0], m.k[1], m.k[2], m.k[3]}; }

// OpenCV's pixels of rays at incidence angles 0..maxDegrees and all around.
std::vector<cv::Point2d> crOpenCvPixels(const camrig::OpenCvFisheye& m, double maxDegrees,
                                        std::vector<cv::Point2d>* normalised) {
    for (int i = 0; i <= 40; ++i)
        for (int j = 0; j < 24; ++j) {
            const double t = maxDegrees * kPi / 180 * i / 40, phi = 2 * kPi * j / 24;
            normalised->push_back({std::tan(t) * std::cos(phi), std::tan(t) * std::sin(phi)});
        }
    std::vector<cv::Point2d> pixels;
    cv::fisheye::distortPoints(*normalised, pixels, crK(m), crD(m));
    return pixels;
}

TEST(OpenCvFisheye, CamrigProjectsAsOpenCv) {
    for (const Lens& lens : kLenses) {
        SCOPED_TRACE(lens.name);
        CameraParam cam{};
        const camrig::LensFit fit = camrig::importOpenCvFisheye(lens.model, &cam);
        std::vector<cv::Point2d> normalised;
        const std::vector<cv::Point2d> pixels = crOpenCvPixels(lens.model, std::min(fit.maxAngle, 85.0), &normalised);
        double worst = 0;
        for (size_t i = 0; i < pixels.size(); ++i) {
            const Point2f in = {static_cast<float>(normalised[i].x), static_cast<float>(normalised[i].y)};
            Point2f out;
            crFeatureDistortion(&in, &out, &cam);
            worst = std::max(worst, std::hypot(out.x - pixels[i].x, out.y - pixels[i].y));
        }
        EXPECT_LT(worst, 0.01);
    }
}

TEST(OpenCvFisheye, ReportedFitErrorIsMeasured) {
    for (const Lens& lens : kLenses) {
        SCOPED_TRACE(lens.name);
        CameraParam cam{};
        const camrig::LensFit fit = camrig::importOpenCvFisheye(lens.model, &cam);
        // Beyond 85 degrees the pinhole point camrig passes through runs off
        // to infinity; the narrow lens's corners stay well inside that.
        const double measurable = std::min(fit.maxAngle, 85.0);
        std::vector<cv::Point2d> normalised;
        const std::vector<cv::Point2d> pixels = crOpenCvPixels(lens.model, measurable, &normalised);
        double worst = 0;
        for (const cv::Point2d& p : pixels) {
            const Point2f pixel = {static_cast<float>(p.x), static_cast<float>(p.y)};
            Point2f undistorted, back;
            crFeatureUndistortion(&pixel, &undistorted, &cam);
            crFeatureDistortion(&undistorted, &back, &cam);
            worst = std::max(worst, std::hypot(double{back.x} - pixel.x, double{back.y} - pixel.y));
        }
        const double slack = 0.01;  // single-precision evaluation
        EXPECT_LE(worst, fit.maxError + slack);
        if (fit.maxAngle <= 85.0) {
            EXPECT_GE(worst, fit.maxError - slack);
        }
        EXPECT_LT(fit.maxError, 0.5);
        // The corners' reach: the angle of the farthest corner pixel.
        std::vector<cv::Point2d> corner = {{0, 0},
                                           {0, lens.model.height - 1.0},
                                           {lens.model.width - 1.0, 0},
                                           {lens.model.width - 1.0, lens.model.height - 1.0}},
                                 rays;
        cv::fisheye::undistortPoints(corner, rays, crK(lens.model), crD(lens.model));
        double reach = 0;
        for (const cv::Point2d& r : rays) reach = std::max(reach, std::atan(std::hypot(r.x, r.y)) * 180 / kPi);
        if (reach < 85) {
            EXPECT_NEAR(fit.maxAngle, reach, 0.05);
        }
    }
}

TEST(OpenCvFisheye, ReadsCalibrationFiles) {
    const camrig::OpenCvFisheye& m = kLenses[1].model;
    const std::string path = testing::TempDir() + "lens_oracle_test.yaml";
    for (const bool longNames : {false, true}) {
        {
            cv::FileStorage out(path, cv::FileStorage::WRITE);
            out << (longNames ? "camera_matrix" : "K") << cv::Mat(crK(m));
            out << (longNames ? "distortion_coefficients" : "D") << cv::Mat(crD(m));
            if (longNames) {
                out << "image_size" << cv::Size(m.width, m.height);
            } else {
                out << "image_width" << m.width << "image_height" << m.height;
            }
        }
        const camrig::OpenCvFisheye read = camrig::readOpenCvFisheye(path);
        EXPECT_EQ(read.fx, m.fx);
        EXPECT_EQ(read.fy, m.fy);
        EXPECT_EQ(read.cx, m.cx);
        EXPECT_EQ(read.cy, m.cy);
        EXPECT_TRUE(std::equal(m.k, m.k + 4, read.k));
        EXPECT_EQ(read.width, m.width);
        EXPECT_EQ(read.height, m.height);
        EXPECT_EQ(camrig::readOpenCvFisheye(path, 640, 400).width, 640);
    }
    {
        cv::FileStorage out(path, cv::FileStorage::WRITE);
        out << "K" << cv::Mat(crK(m));
    }
    try {
        camrig::readOpenCvFisheye(path);
        ADD_FAILURE() << "a file without D accepted";
    } catch (const camrig::RigError& e) {
        EXPECT_EQ(e.field(), "D") << e.what();
    }
    std::remove(path.c_str());
}

}  // namespace
