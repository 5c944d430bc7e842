// Views of a rig: the engine records made from a rig file's view, the
// engines run over a set of frames, and the target binaries they give.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "camrig.h"
#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

// The records an engine reads for a top or bowl view: cams[0..3] the rig's
// cameras by slot (with their calibration pairs), cams[4] the bowl view's
// virtual camera; param.cameras points into cams, so keep the two together.
struct MultiviewRecords {
    std::array<CameraParam, 5> cams{};
    MultiviewParam param{};
};
// Throws RigError when a slot has no camera or the cameras' image sizes
// differ (every frame must have slot 0's size).
void makeMultiviewRecords(const Rig& rig, const RigView& view, MultiviewRecords* out);

// The records a single view reads; param.camera points to cam.
struct SingleviewRecords {
    CameraParam cam{};
    ViewParam param{};
};
void makeSingleviewRecords(const Rig& rig, const RigView& view, SingleviewRecords* out);

// One output of a view: a file name (without folder) and its bytes.
struct ViewFile {
    std::string name;
    std::vector<unsigned char> bytes;
};

// What a view gives: the preview composed from the frames, and the target
// files, named <view>_lut_<camera>.bin, <view>_mask_<format>.bin (rgb16,
// rgb32, ycbcr, rgb24; the bowl views have no rgb24), <view>_points_image.bin
// and _points_ground.bin (multi-view: the first 12 calibration pairs of each
// camera, as the target's list holds 50 points in all), <view>_zones.bin (top view),
// <view>_lut.bin and <view>_mask.bin (single view; the mask only when the
// engine has a ground picture to draw, which a rig does not give it), and
// <view>_lut.txt (the engine's text LUT of the first camera).
struct ViewResult {
    Picture preview;
    std::vector<ViewFile> files;
    double initMs = 0, applyMs = 0;
    // Bowl views: Init calibrates the cameras from their pairs; the poses it
    // wrote, by slot.
    std::array<CameraParam, 4> calibrated{};
};

// Checks that each frame fits its camera: frames[slot] (or frames[0] for a
// single view) must have the camera's image size. Throws RigError naming the
// camera's frame field, the size found and the size wanted.
void checkFrames(const Rig& rig, const RigView& view, const std::vector<Picture>& frames);

// Runs the view's engine over the frames (by slot for top and bowl views,
// one frame for a single view) and collects its outputs. Throws RigError
// when the records or frames do not fit or the engine produced no table.
ViewResult renderView(const Rig& rig, const RigView& view, const std::vector<Picture>& frames);

}  // namespace camrig
