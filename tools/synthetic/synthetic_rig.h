// The synthetic rig as a rig file's contents: the scene's four cameras at
// their design poses, the calibration targets laid out for them as marks,
// calibration photographs and frames taken by the cameras as mounted (a
// little off their design poses), and a top, two bowl and a single view.
// The command line's `render` writes it; the tests calibrate it.
#pragma once

#include <array>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

struct SyntheticOptions {
    int viewWidth = 720, viewHeight = 480;  // the top and bowl views' size
    // How far the targets lie from their surveyed places (each corner moved
    // by up to this many world units, drawn from `seed`): the marks are not
    // exactly rigid. 0 places them exactly.
    float markShift = 0.0f;
    // Gaussian noise (sigma, pixels, drawn from `seed`) on the ground marks'
    // measured pixels.
    float markNoise = 0.0f;
    unsigned seed = 1;
    bool frames = true;  // false leaves the frames empty: calibration needs only the photographs
};

struct SyntheticRig {
    // The rig file: design poses, the marks at their surveyed places (each
    // camera's two targets' twelve corners, and up to 38 tile junctions
    // spread over its frame, "<slot>_j<n>"; a junction two cameras see is one
    // mark), the photographs calib_<slot>.png with their corners' marks, the
    // frames rig_<slot>.png, and the views "top", "bowl_behind" (engine 1),
    // "bowl_corner" (engine 2) and "single" (the front camera's corrected
    // view). Each camera's sightings are its junctions' measured pixels: where
    // the camera as mounted sees them, plus markNoise; the corners' sightings
    // come from the photographs (detectMarks).
    Rig design;
    // The same rig with the poses the cameras really have and the marks
    // where they really lie.
    Rig truth;
    std::array<Picture, 4> photographs;  // by slot
    std::array<Picture, 4> frames;       // by slot
};

SyntheticRig makeSyntheticRig(const SyntheticOptions& options = {});

}  // namespace camrig
