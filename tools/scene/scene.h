// Synthetic test scene: a tiled, painted ground plane, a renderer that films
// it through the library's camera model, a sample fisheye camera and a
// four-camera surround rig. World units are millimetres; the ground is Z = 0
// and cameras above it have negative Z.
#pragma once

#include <vector>

#include "camrig.h"

// ---- Ground -----------------------------------------------------------------

constexpr float kSceneTileSize = 500.0f;

// One ground tile: its colour (blue, green, red) and its centre.
struct SceneTile {
    unsigned char bgr[3];
    Point2f centre;
};

// Tile (column, row) covers X in [column, column + 1) and Y in [row, row + 1)
// times kSceneTileSize. Neighbouring tiles, diagonals included, never share
// a hue.
SceneTile crSceneTile(int column, int row);

// Colour of the ground at (x, y): the tile's colour, or the paint of a line
// that covers the point. No line covers a tile centre.
void crSceneGroundColour(float x, float y, unsigned char bgr[3]);

// ---- Rendering --------------------------------------------------------------

// Ground point seen by pixel (u, v) of `cam`: false when the ray misses the
// ground (sky) or the pixel lies outside the lens's field of view.
bool crSceneGroundPoint(const CameraParam& cam, float u, float v, Point2f* ground);

// The camera's frame, blue-green-red, imageHeight rows of
// crPackedStride(imageWidth) bytes, each pixel the mean of 3 x 3 rays.
std::vector<unsigned char> crSceneRender(const CameraParam& cam);

// ---- Cameras ----------------------------------------------------------------

// Half the sample lens's field of view, degrees; the image circle's edge.
constexpr float kSceneHalfFov = 95.0f;

// Intrinsics of the 720 x 480 sample fisheye: forward polynomial chosen, the
// inverse fitted to it by least squares. Pose fields are left as they were.
void crSceneSampleLens(CameraParam* cam);

// The sample camera: the sample lens about 1 m above the origin, looking
// forward (toward negative Y) and down.
CameraParam crSceneSampleCamera();

// ---- Surround rig -----------------------------------------------------------

constexpr int kRigCarWidth = 1800;   // along X
constexpr int kRigCarLength = 4500;  // along Y; the front is toward negative Y

// Four sample-lens cameras on the vehicle, in slot order front, rear, left,
// right (CR_SLOT_*).
void crSceneRig(CameraParam cams[4]);

// Top-view record for the rig: the vehicle in the middle, about 5 m of ground
// visible on every side, blend mode 0. `cams` must outlive the record.
MultiviewParam crSceneTopview(CameraParam* cams, int viewWidth, int viewHeight);
