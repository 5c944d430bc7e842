// A few pixels of the sample camera through the camera model: incidence
// angle, ray in the camera frame, ground point and back to the image.
#include <cmath>
#include <cstdio>

#include "demo.h"
#include "scene/scene.h"

namespace {

void crPrintPixel(const CameraParam& cam, Point2f pixel) {
    float degrees = 0.0f;
    crGetFOV(&cam, pixel.x, pixel.y, &degrees);
    std::printf("  pixel (%5.1f, %5.1f)  angle %6.2f deg", pixel.x, pixel.y, degrees);
    if (degrees < 90.0f) {
        // Undistorted sensor point at focal length f: the ray is (x, y, f).
        Point2f u;
        crFeatureUndistortion(&pixel, &u, &cam);
        const float f = cam.focalLength;
        const float n = std::sqrt(u.x * u.x + u.y * u.y + f * f);
        std::printf("  ray (%6.3f, %6.3f, %6.3f)", u.x / n, u.y / n, f / n);
    } else {
        std::printf("  ray behind the image plane   ");
    }
    Point2f ground;
    if (!crSceneGroundPoint(cam, pixel.x, pixel.y, &ground)) {
        std::printf("  sky\n");
        return;
    }
    Point2f back;
    crWorldToImage2D(&cam, &ground, &back, 1);
    std::printf("  ground (%8.1f, %8.1f) mm  reprojected (%6.2f, %6.2f)\n", ground.x, ground.y, back.x, back.y);
}

}  // namespace

void crDemoCameraModel() {
    const CameraParam cam = crSceneSampleCamera();
    std::printf("Sample camera: %dx%d fisheye, %.0f mm above the ground, %.0f deg below the horizon\n", cam.imageWidth,
                cam.imageHeight, -cam.positionZ, 90.0f - cam.angleX);
    const Point2f pixels[] = {{360, 240}, {360, 420}, {580, 240}, {140, 300}, {500, 100}, {360, 40}};
    for (const Point2f& p : pixels) crPrintPixel(cam, p);
}
