// Sub-pixel refinement of the triangle-target corners that crDetectCorner
// finds in an end-of-line calibration photograph.
//
// The detector fits its triangles to binarised blob outlines, which blur,
// noise, low contrast and placement throw off by a pixel or more; its hole
// corners can be off by many. Refinement works on the undistorted plane (ray
// tangents times the pixel scale), where the targets' straight sides stay
// straight, and samples the grey photograph (bilinear luma) along paths that
// cross each side at right angles in the photograph:
//   1. From the detector's outline corners, the edge on each path is the
//      centroid of its strongest dark-to-light gradient lobe; a total least
//      squares line is fitted to each side, outliers beyond three robust
//      deviations dropped, the lines are intersected and all is repeated
//      until the corners settle. This brings corners that are a few pixels
//      off close, but blur merges the lobes of a narrow band's two edges.
//   2. A starting hole is found inside that outline: on paths from the middle
//      of each side toward the centroid, the first rise into light.
//   3. Outline and hole are fitted together, with the blur and the floor's
//      and targets' grey levels, to all profiles at once: a model of the dark
//      band between them, blurred (Gaussian, corners included), predicts
//      every sample, so neighbouring edges no longer pull each other.
// Corners are then mapped back to photograph pixels. A target is refined only
// if the fit's covariance puts every outline corner within half a pixel
// (standard deviation) and the corners stayed near where they started; its
// hole only if, besides, the hole's corners are as well determined and inside
// the outline. Otherwise the corners given are kept, which is what a start
// that shows no target (all zero, collapsed, bare floor) gets.
#pragma once

#include "camrig.h"

namespace camrig {

// Refines crDetectCorner's twelve corners in place. `photo` holds imageHeight
// rows of exactly 3 x imageWidth bytes, blue-green-red; `corners` are in the
// detector's order, distorted photograph pixels of `cam`: outline corners of
// targets 0 and 1 at 0..2 and 3..5, hole corners at 6..8 and 9..11. A refined
// hole's corner 6 + 3k + i faces outline corner 3k + i. Returns a mask of the
// triangles refined, bit t for corners 3t..3t + 2; the others keep the
// corners given.
int refineCorners(const unsigned char* photo, const CameraParam* cam, Point2f corners[12]);

}  // namespace camrig
