// The ray-cast frame that the tile renderer and the calibration photographs
// share; only the ground's colouring differs between them.
#pragma once

#include <functional>
#include <vector>

#include "camrig.h"

using SceneGroundColour = std::function<void(float x, float y, unsigned char bgr[3])>;

// Follows camera-frame direction d, turned into the world by R^T (r the
// world-to-camera rotation), from the camera centre down to the ground:
// false when it never gets there; else the ground point and the ray's
// length in units of |d|.
bool crSceneRayToGround(const CameraParam& cam, const float r[3][3], const float d[3], Point2f* ground, float* t);

// Rows of `stride` bytes, blue-green-red, each pixel the mean of 3 x 3 rays:
// `ground` colours the rays that meet the ground, sky and far haze the rest.
std::vector<unsigned char> crSceneCastFrame(const CameraParam& cam, int stride, const SceneGroundColour& ground);
