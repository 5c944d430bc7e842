// The scene's own camera and the ray-cast frame that the tile renderer and
// the calibration photographs share; only the ground's colouring differs
// between them.
//
// The camera is worked out from the public conventions alone (lens
// polynomials, pose angles, world frame with Z down) and in double precision,
// apart from the library's single-precision code, so that the frames and the
// tests that compare with them have a second reference.
#pragma once

#include <functional>
#include <vector>

#include "camrig.h"

using SceneGroundColour = std::function<void(float x, float y, unsigned char bgr[3])>;

constexpr double kScenePi = 3.141592653589793;

inline double crSceneRadians(double degrees) { return degrees * kScenePi / 180.0; }

enum class SceneRayHit { ground, far, sky, outsideLens };

class SceneCamera {
public:
    explicit SceneCamera(const CameraParam& cam);

    // Where the ray of pixel (u, v), taken through the inverse polynomial
    // whatever the lens's field of view, meets the ground, and how far from
    // the camera; false when it climbs or runs level.
    bool toGround(double u, double v, Point2f* ground, double* distance) const;

    // What the pixel films: nothing outside the image circle, else the
    // ground, ground too far to draw, or sky.
    SceneRayHit cast(double u, double v, Point2f* ground) const;

private:
    // Sensor offset of pixel (u, v) from the optical centre.
    void offset(double u, double v, double* x, double* y) const;

    const CameraParam& cam_;
    double toWorld_[3][3];  // camera-to-world rotation
    double circleHeight_;   // image height of the field of view's edge, sensor units
};

// Rows of `stride` bytes, blue-green-red, each pixel the mean of 3 x 3 rays:
// `ground` colours the rays that meet the ground, sky and far haze the rest.
std::vector<unsigned char> crSceneCastFrame(const CameraParam& cam, int stride, const SceneGroundColour& ground);
