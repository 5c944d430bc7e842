// Bowl-view engines (multi-view types 1 and 2): the ground and surroundings
// of the vehicle modelled as a bowl (an elliptic floor rising into a curved
// wall), textured from the four cameras and seen through a fifth, virtual
// pinhole camera. State and the internal operations of the engine's files.
#pragma once

#include "camera/camera.h"
#include "camrig.h"
#include "multiview.h"

// The fifth camera record, through which the bowl is seen.
constexpr int kVirtualSlot = 4;

// The mesh: 51 rings of 61 points from the rim (ring 0) through the floor
// edge (ring 30) to the floor's centre (ring 50); point 60 of a ring repeats
// point 0, so the 50 x 60 cells close the bowl.
constexpr int kBowlRings = 51;
constexpr int kBowlRingPoints = 61;
constexpr int kBowlVertices = kBowlRings * kBowlRingPoints;
constexpr int kBowlFloorEdgeRing = 30;

struct BowlVertex {
    float x, y, z;       // world position
    float camU, camV;    // pinhole pixel in the camera whose tables are being built
    float viewU, viewV;  // pinhole pixel in the virtual camera
};

struct BowlviewState : MultiviewState {
    float bowlCenterX = 0.0f;  // the front camera's origin
    float bowlCenterY = 0.0f;
    int carWidth = 0;
    int carLength = 0;
    float bowlWallX = 0.0f;   // the wall's horizontal growth along X from the floor edge to the rim
    float bowlWallY = 0.0f;   // and along Y
    float bowlHeight = 0.0f;  // the rim's height above the ground
    float bowlFloorY = 0.0f;  // the floor's semi-axis along Y
    BowlVertex mesh[kBowlVertices] = {};
};

inline BowlviewState* crBowlviewState(EngineHandle* h) { return crMultiviewStateOf<BowlviewState>(h); }

// A camera reduced to what the bowl needs of it: its world-to-camera
// transform and the pinhole projection onto its pixels.
struct PinholeCamera {
    float e[3][4];
    float scaleX, scaleY;
    float principalX, principalY;
};

PinholeCamera crPinholeCamera(const CameraParam* cam);
// The pinhole pixel of a point (q0, q1, q2) in the camera's frame (from
// crProjectPoint with cam.e): scale q0 / q2 + principal point, no lens and no
// test of q2.
Point2f crPinholePixel(const PinholeCamera& cam, const float q[3]);

// bowlview_mesh.cpp: the mesh's world positions from the state's bowl
// fields, and its pinhole pixels in a camera, stored in the vertex fields
// `u` and `v` (camU, camV for a real camera, viewU, viewV for the virtual one).
void crBuildBowlMesh(BowlviewState* s);
void crProjectMesh(BowlviewState* s, const PinholeCamera& cam, float BowlVertex::*u, float BowlVertex::*v);

// bowlview_raster.cpp: the LUT and weights of storage position `pos`
// (camera slot `slot`) from the mesh as projected into that camera.
bool crRasteriseCamera(BowlviewState* s, const CameraParam* cam, int pos, int slot);

// bowlview_blend.cpp: the vehicle's corners as the virtual camera sees them
// (front-left, front-right, rear-left, rear-right), and the blend map drawn
// from that outline. With `quarterTurns`, an outline whose front edge is
// vertical in the view gets zones of its own (type 1); without, it counts as
// seen from the front (type 2).
void crBowlCarCorners(const BowlviewState* s, const CameraParam* view, Point2f corners[4]);
void crPaintBowlBlendMap(BowlviewState* s, const CameraParam* view, bool quarterTurns);
