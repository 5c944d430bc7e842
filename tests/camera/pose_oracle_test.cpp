// Camera poses estimated from calibration pairs agree with OpenCV's
// perspective-n-point solution on the undistorted points.
#include <gtest/gtest.h>

#include <opencv2/calib3d.hpp>
#include <vector>

#include "camera/camera.h"
#include "support/calibration_scene.h"

namespace {

TEST(CameraPosOracle, AgreesWithSolvePnp) {
    const ScenePose poses[] = {{0.0f, 2000.0f, -700.0f, -50.0f, 2.0f, 1.5f},
                               {-950.0f, 300.0f, -1200.0f, 4.0f, -55.0f, -90.0f},
                               {950.0f, -250.0f, -500.0f, -6.0f, 50.0f, 91.0f}};
    for (const ScenePose& pose : poses) {
        CameraParam cam = crEquidistantCamera();
        cam.originX = 80.0f;
        cam.originY = -1200.0f;
        crSetPose(&cam, pose);
        crFillCalibrationPairs(&cam, 24);
        std::vector<cv::Point3f> object;
        std::vector<cv::Point2f> sensor;
        for (int i = 0; i < cam.pointCount; ++i) {
            Point2f u;
            crFeatureUndistortion(&cam.imagePoints[i], &u, &cam);
            sensor.emplace_back(u.x, u.y);
            object.emplace_back(cam.worldPoints[i].x - cam.originX, cam.worldPoints[i].y - cam.originY, 0.0f);
        }
        const cv::Matx33d k(cam.focalLength, 0, 0, 0, cam.focalLength, 0, 0, 0, 1);
        cv::Mat rvec, tvec, rotation;
        ASSERT_TRUE(cv::solvePnP(object, sensor, k, cv::noArray(), rvec, tvec));
        cv::Rodrigues(rvec, rotation);
        const cv::Mat centre = -rotation.t() * tvec;

        crGetCameraPos(&cam);
        float r[3][3];
        crPoseRotation(cam.angleX, cam.angleZ, cam.angleY, r);
        SCOPED_TRACE(pose.y);
        EXPECT_NEAR(cam.positionX, centre.at<double>(0), 1.0);
        EXPECT_NEAR(cam.positionY, centre.at<double>(1), 1.0);
        EXPECT_NEAR(cam.positionZ, centre.at<double>(2), 1.0);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_NEAR(r[i][j], rotation.at<double>(i, j), 1e-3) << i << j;
    }
}

}  // namespace
