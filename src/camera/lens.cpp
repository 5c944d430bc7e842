// Lens model: pixels to undistorted sensor points and back through the two
// calibrated polynomials, and the incidence angle of a pixel.
#include <cmath>

#include "camera.h"

namespace {

// Offset of a pixel from the optical centre in sensor units, and its length.
struct SensorOffset {
    float x;
    float y;
    float rho;
};

SensorOffset crPixelToSensor(const CameraParam* cam, float u, float v) {
    const float x = (u - cam->principalX) / cam->pixelScaleX;
    const float y = (v - cam->principalY) / cam->pixelScaleY;
    return {x, y, sqrtf(x * x + y * y)};
}

}  // namespace

Point2f crTangentToPixel(const CameraParam* cam, float xn, float yn) {
    const float r = crTangentLength(xn, yn);
    if (r == 0.0f) return {cam->principalX, cam->principalY};
    const float s = crTraceLensRay(cam->distortion, r).height / r;
    return {xn * s * cam->pixelScaleX + cam->principalX, s * yn * cam->pixelScaleY + cam->principalY};
}

extern "C" CR_API void crFeatureUndistortion(const Point2f* pixel, Point2f* undistorted, const CameraParam* cam) {
    const SensorOffset s = crPixelToSensor(cam, pixel->x, pixel->y);
    const float theta = crLensHeightToAngle(cam->undistortion, s.rho);
    const float ru = tanf(theta) * cam->focalLength;
    if (s.rho == 0.0f) {
        *undistorted = {0.0f, 0.0f};
        return;
    }
    *undistorted = {s.x / s.rho * ru, s.y / s.rho * ru};
}

extern "C" CR_API void crFeatureDistortion(const Point2f* undistorted, Point2f* pixel, const CameraParam* cam) {
    *pixel = crTangentToPixel(cam, undistorted->x / cam->focalLength, undistorted->y / cam->focalLength);
}

extern "C" CR_API void crGetFOV(const CameraParam* cam, float u, float v, float* degrees) {
    const SensorOffset s = crPixelToSensor(cam, u, v);
    *degrees = crLensHeightToAngle(cam->undistortion, s.rho) * kDegreesPerRadianF;
}
