// Homography between a camera's undistorted sensor plane and the ground,
// estimated from the calibration pairs of its record.
#include "camera.h"

void crCopyCalibrationPoints(const CameraParam* cam, Point2f* image, Point2f* world) {
    const int n = crCalibrationPairCount(cam);
    for (int i = 0; i < n; ++i) {
        image[i] = cam->imagePoints[i];
        world[i] = {cam->worldPoints[i].x - cam->originX, cam->worldPoints[i].y - cam->originY};
    }
}

// Fewer than four pairs cannot fix a homography: h is then left as it was.
bool crEstimateCalibrationHomography(Matrix* h, const CameraParam* cam, int imageToWorld) {
    const int n = crCalibrationPairCount(cam);
    if (n < 4) return true;
    Point2f image[kPairCapacity], world[kPairCapacity], undistorted[kPairCapacity];
    crCopyCalibrationPoints(cam, image, world);
    for (int i = 0; i < n; ++i) crFeatureUndistortion(&image[i], &undistorted[i], cam);
    return imageToWorld ? crEstimateHomography2D(undistorted, world, n, h)
                        : crEstimateHomography2D(world, undistorted, n, h);
}

extern "C" CR_API void crGetHomography(Matrix* h, const CameraParam* cam, int imageToWorld) {
    crEstimateCalibrationHomography(h, cam, imageToWorld);
}
