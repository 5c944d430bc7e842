// Synthetic test scene: a tiled, painted ground plane, a renderer that films
// it through its own double-precision camera model, worked out from camrig.h's
// conventions rather than taken from the library, a sample fisheye camera and
// a four-camera surround rig. World units are millimetres; the ground is
// Z = 0 and cameras above it have negative Z.
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

// Whether a painted line covers (x, y). No line covers a tile centre.
bool crSceneIsPainted(float x, float y);

// Colour of the ground at (x, y): the tile's colour, or the paint of a line
// that covers the point.
void crSceneGroundColour(float x, float y, unsigned char bgr[3]);

// ---- Rendering --------------------------------------------------------------

// Ground point seen by pixel (u, v) of `cam`: false when the ray misses the
// ground (sky) or the pixel lies outside the lens's field of view.
bool crSceneGroundPoint(const CameraParam& cam, float u, float v, Point2f* ground);

// Whether `cam` films the ground point: it projects into the image (at
// *pixel, through crWorldToImage2D) and that pixel's ray comes back to it, not
// to its mirror image behind the camera.
bool crSceneSees(const CameraParam& cam, Point2f ground, Point2f* pixel);

// The camera's frame, blue-green-red, imageHeight rows of
// crImageStride(3, imageWidth) bytes, each pixel the mean of 3 x 3 rays.
std::vector<unsigned char> crSceneRender(const CameraParam& cam);

// ---- Calibration photographs -----------------------------------------------

// A dark triangular target with a triangular hole, lying on the ground:
// corners in millimetres, whole numbers as a surveyor would mark them. The
// hole is the outer triangle shrunk about their common centroid; hole[i]
// faces outer[i].
struct SceneTarget {
    Point2f outer[3];
    Point2f hole[3];
};

// Where a target sits in its search window. Size 1 is the largest target
// whose corners stay 5 pixels inside the photograph's search window and
// within 50 m of the camera: the windows differ in shape and in where the
// ground lies in them, so no fixed share of a window suits all.
// Shifts move the centre by fractions of the search window's width and
// height; one that leaves no room shrinks the target to a point.
struct ScenePlacement {
    float size = 0.9f;                   // of the largest that fits
    float shiftX = 0.0f, shiftY = 0.0f;  // from the window's middle
    float turn = 0.0f;                   // degrees, clockwise on the photograph
};

// The two targets that the corner detector looks for in a photograph taken
// by `cam` in `mode` 0..3. Each is designed on the photograph: an upright
// equilateral triangle whose bounding box is centred on the search window's
// middle pixel, outer[0] its apex, then clockwise, so that no corner is
// sharp where the detector sees it; its corners are carried to the ground
// along their rays, and the hole is cut about the centroid there. Their true
// pixels are crWorldToImage2D's projections.
void crSceneTargets(const CameraParam& cam, int mode, const ScenePlacement& where, SceneTarget out[2]);

// The targets' twelve ground corners in the order the corner detector
// reports image corners: outer corners of targets 0 and 1, then their holes.
void crSceneTargetCorners(const SceneTarget targets[2], Point2f ground[12]);

// Pairs twelve corners in the detector's order with `reference` (the same
// order): match[i] is the nearest of the three reference corners of corner
// i's triangle, as the detector lists a triangle's corners its own way, and
// distance[i] how far it is (infinite for a corner that is not a number).
void crSceneMatchCorners(const Point2f found[12], const Point2f reference[12], int match[12], float distance[12]);

// Largest distance of a corner of triangles first..last (0 and 1 the
// outlines, 2 and 3 the holes) from its match.
float crSceneCornerError(const Point2f found[12], const Point2f reference[12], int first = 0, int last = 3);

// How the photograph is taken: grey levels of the floor and the targets,
// Gaussian blur (sigma in pixels) and Gaussian noise (sigma in grey levels,
// drawn from std::mt19937 seeded with `seed`).
struct ScenePhotoConditions {
    unsigned char floor = 200, target = 30;
    float blur = 0.0f;
    float noise = 0.0f;
    unsigned seed = 1;
};

// End-of-line calibration photograph: the targets on a plain floor, with sky
// and haze as crSceneRender draws them. Blue-green-red, imageHeight rows of
// exactly 3 x imageWidth bytes. Blur clamps at the frame's edges; noise
// adds one value to all three channels, so grey stays grey.
std::vector<unsigned char> crScenePhotograph(const CameraParam& cam, const SceneTarget* targets, int count,
                                             const ScenePhotoConditions& how);

// The calibration bay's lighting and the lens's softness: mid-grey targets on
// a light floor, slightly blurred, where the detector's corners are most
// accurate.
ScenePhotoConditions crSceneBayConditions();

// ---- Cameras ----------------------------------------------------------------

// Half the sample lens's field of view, degrees; the image circle's edge.
constexpr float kSceneHalfFov = 95.0f;

// Intrinsics of the 720 x 480 sample fisheye: forward polynomial chosen, the
// inverse fitted to it by least squares. Pose fields are left as they were.
void crSceneSampleLens(CameraParam* cam);

// The sample camera: the sample lens about 1 m above the origin, looking
// forward (toward negative Y) and down.
CameraParam crSceneSampleCamera();

// A ground picture for the sample camera's corrected view lies at 10 mm per
// pixel (the view's overlay scale), its middle column on X = 0 and its first
// row 5 m ahead of the camera.
constexpr int kSceneGuideWidth = 360;
constexpr int kSceneGuideHeight = 500;
constexpr int kSceneGuideOffset = -10000;  // twice the Y of the first row, mm

// The sample camera's corrected 720 x 480 view: lens correction, a zoom, a
// panel-fold layout and a ground picture as the overlay. `cam` must outlive
// the record.
ViewParam crSceneCorrectedView(CameraParam* cam);

// Turns the camera (angleX and angleZ; angleY becomes 0) so that its optical
// axis runs from its position through `target`.
void crSceneAimCamera(CameraParam* cam, Point3f target);

// Resizes the camera's frame to width x height pixels: intrinsics and
// calibration pixels scale with it, so the same rays land on the same places.
void crSceneScaleCamera(CameraParam* cam, int width, int height);

// ---- Surround rig -----------------------------------------------------------

constexpr int kRigCarWidth = 1800;   // along X
constexpr int kRigCarLength = 4500;  // along Y; the front is toward negative Y

// Four cameras on the vehicle, in slot order front, rear, left, right
// (CR_SLOT_*): the sample lens spread over 280 pixels per unit, so that the
// frame's width spans about 160 degrees. Each comes with 8 to 16 calibration pairs: tile
// junctions on its side of the vehicle, at least 0.5 m clear of it, within
// 4 m of the camera and 60 degrees of its optical axis, and their exact pixels
// (crWorldToImage2D; world points as they are, origin 0).
void crSceneRig(CameraParam cams[4]);

// Rig camera `slot` (0..3) as mounted on a vehicle: its design pose off by a
// fraction of a degree and about a centimetre, differently for each slot.
CameraParam crSceneMountedCamera(const CameraParam& design, int slot);

// Top-view record for the rig: the vehicle in the middle, about 5 m of ground
// visible on every side, blend mode 0. `cams` must outlive the record.
MultiviewParam crSceneTopview(CameraParam* cams, int viewWidth, int viewHeight);

// Where the bowl view's virtual camera stands: above and behind the vehicle
// looking forward and down at it, or above its rear-left corner looking
// toward its centre. Either way the vehicle's front points toward the view's
// top.
enum class SceneViewpoint { behind, corner };

// Bowl-view record for the rig: cams[0..3] as crSceneRig fills them (front,
// rear, left, right), cams[4] the virtual pinhole camera placed at `where`,
// with a 90 degree field of view across the view's longer side. `cams` must
// outlive the record.
MultiviewParam crSceneBowlview(CameraParam cams[5], int viewWidth, int viewHeight, SceneViewpoint where);
