// The ray-cast frame that the tile renderer and the calibration photographs
// share; only the ground's colouring differs between them.
#pragma once

#include <functional>
#include <vector>

#include "camrig.h"

using SceneGroundColour = std::function<void(float x, float y, unsigned char bgr[3])>;

// Rows of `stride` bytes, blue-green-red, each pixel the mean of 3 x 3 rays:
// `ground` colours the rays that meet the ground, sky and far haze the rest.
std::vector<unsigned char> crSceneCastFrame(const CameraParam& cam, int stride, const SceneGroundColour& ground);
