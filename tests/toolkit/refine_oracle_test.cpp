// Refined poses against OpenCV's solvePnP from the same pairs: the marks' undistorted, normalised points with an
// identity camera matrix, its rotation turned into camrig's angles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <opencv2/calib3d.hpp>
#include <random>
#include <vector>

#include "camrig_toolkit/calibrate.h"
#include "synthetic/synthetic_rig.h"

namespace {

using camrig::Rig;
using camrig::RigCamera;

constexpr double kDegreesPerRadian = 57.29577951308232;

const camrig::Mark& crMark(const Rig& rig, const std::string& id) {
    for (const camrig::Mark& m : rig.marks)
        if (m.id == id) return m;
    throw std::runtime_error("no mark " + id);
}

// solvePnP's pose in the record's fields: camera coordinates are R (P - position) with
// R = Rx(-angleX) Ry(-angleY) Rz(-angleZ).
CameraParam crPnpPose(const Rig& rig, const RigCamera& camera) {
    std::vector<cv::Point3d> object;
    std::vector<cv::Point2d> image;
    for (const camrig::Sighting& s : camera.sightings) {
        const Point2f ground = crMark(rig, s.mark).ground;
        object.emplace_back(ground.x - camera.param.originX, ground.y - camera.param.originY, 0.0);
        Point2f undistorted;
        crFeatureUndistortion(&s.pixel, &undistorted, &camera.param);
        image.emplace_back(undistorted.x / camera.param.focalLength, undistorted.y / camera.param.focalLength);
    }
    cv::Mat rvec, tvec, r;
    EXPECT_TRUE(
        cv::solvePnP(object, image, cv::Mat::eye(3, 3, CV_64F), cv::Mat(), rvec, tvec, false, cv::SOLVEPNP_ITERATIVE));
    cv::Rodrigues(rvec, r);
    const cv::Mat position = -r.t() * tvec;
    CameraParam pose = camera.param;
    pose.positionX = static_cast<float>(position.at<double>(0));
    pose.positionY = static_cast<float>(position.at<double>(1));
    pose.positionZ = static_cast<float>(position.at<double>(2));
    pose.angleX = static_cast<float>(-std::atan2(-r.at<double>(1, 2), r.at<double>(2, 2)) * kDegreesPerRadian);
    pose.angleY = static_cast<float>(-std::asin(r.at<double>(0, 2)) * kDegreesPerRadian);
    pose.angleZ = static_cast<float>(-std::atan2(-r.at<double>(0, 1), r.at<double>(0, 0)) * kDegreesPerRadian);
    return pose;
}

float crAngleGap(float a, float b) { return std::fabs(std::remainder(a - b, 360.0f)); }

TEST(RefineOracle, RefinedPosesMatchSolvePnp) {
    camrig::SyntheticOptions options;
    options.markShift = 2.0f;
    const camrig::SyntheticRig synthetic = camrig::makeSyntheticRig(options);
    Rig rig = synthetic.design;
    std::mt19937 random(7);
    // The targets' corners about as far off as refined corners lie; the ground marks' pixels are exact.
    std::normal_distribution<float> noise(0.0f, 0.2f);
    for (size_t c = 0; c < 4; ++c) {
        RigCamera& camera = rig.cameras[c];
        for (const std::string& id : camera.photograph->corners) {
            const Point2f ground = crMark(synthetic.truth, id).ground;
            Point2f pixel;
            crWorldToImage2D(&synthetic.truth.cameras[c].param, &ground, &pixel, 1);
            camera.sightings.push_back({id, {pixel.x + noise(random), pixel.y + noise(random)}});
        }
        // solvePnP works on the undistorted plane, which stretches without bound toward 90 degrees off the axis:
        // both take the marks within 60 degrees.
        const auto wide = [&](const camrig::Sighting& s) {
            float degrees = 0;
            crGetFOV(&camera.param, s.pixel.x, s.pixel.y, &degrees);
            return degrees > 60;
        };
        camera.sightings.erase(std::remove_if(camera.sightings.begin(), camera.sightings.end(), wide),
                               camera.sightings.end());
        camrig::estimatePose(rig, &camera);
        const camrig::RefineReport report = camrig::refinePose(rig, &camera);
        RigCamera pnp = camera;
        pnp.param = crPnpPose(rig, camera);
        // The two differ where the pairs leave the pose loose: angleX trades against the position.
        const double height = -camera.param.positionZ;
        EXPECT_NEAR(pnp.param.positionX, camera.param.positionX, 0.02 * height) << c;
        EXPECT_NEAR(pnp.param.positionY, camera.param.positionY, 0.02 * height) << c;
        EXPECT_NEAR(pnp.param.positionZ, camera.param.positionZ, 0.02 * height) << c;
        EXPECT_LT(crAngleGap(pnp.param.angleX, camera.param.angleX), 1.0f) << c;
        EXPECT_LT(crAngleGap(pnp.param.angleY, camera.param.angleY), 1.0f) << c;
        EXPECT_LT(crAngleGap(pnp.param.angleZ, camera.param.angleZ), 1.0f) << c;
        // Residuals stay within the Huber loss's quadratic part, so the refinement minimises the pixel errors
        // that solvePnP weighs on the undistorted plane.
        const double pnpRms = camrig::rmsOf(camrig::reprojectionErrors(rig, pnp));
        const double before = camrig::rmsOf(report.before[0]), after = camrig::rmsOf(report.after[0]);
        EXPECT_LT(after, before) << c;
        EXPECT_LE(after, pnpRms + 1e-4) << c;
        std::printf("%-5s residual rms: estimate %.3f px, refined %.3f px, solvePnP %.3f px\n", camrig::kSlotNames[c],
                    before, after, pnpRms);
    }
}

}  // namespace
