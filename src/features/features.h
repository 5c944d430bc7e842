// Feature detection internals: the triangle-target corner detector's steps
// and the canvas they work on.
//
// The detector never works on the distorted photograph itself. Each search
// window is cut out of the canvas, the camera's undistorted image plane at
// unit focal length: canvas point (X, Y) is the ray with tangent components
// ((X - 1500) / pixelScaleX, (Y - 900) / pixelScaleY). Straight target edges
// stay straight there, so triangles can be fitted to them.
#pragma once

#include <cstddef>
#include <initializer_list>

#include "camrig.h"

constexpr int kCanvasWidth = 3000;
constexpr int kCanvasHeight = 1800;
constexpr int kCanvasCentreX = 1500;
constexpr int kCanvasCentreY = 900;

// A search window in photograph pixels: columns colA..colB, rows rowA..rowB.
struct PhotoWindow {
    int rowA, colA, rowB, colB;
};

// A window on the canvas: columns x0..x0 + width - 1, rows y0..y0 + height - 1.
struct CanvasWindow {
    int x0, y0, width, height;
};

// Where target 0 or 1 is searched for in a photograph taken in `mode` 0..3;
// all zero for any other mode.
PhotoWindow crCornerSearchWindow(int mode, int target);

// Bounding box of the window's four corners carried onto the canvas through
// the inverse lens polynomial, clamped to the canvas.
CanvasWindow crProjectWindow(const CameraParam* cam, const PhotoWindow& window);

// Photograph pixel of canvas point (X, Y) through the forward lens
// polynomial; the optical centre for the canvas centre.
Point2f crCanvasToPhoto(const CameraParam* cam, float x, float y);

// The same for the ray with tangent components (xn, yn).
Point2f crRayToPhoto(const CameraParam* cam, float xn, float yn);

// A one-channel picture of width x height bytes, row after row, no padding.
struct Plane {
    int width, height;
    unsigned char* px;
    unsigned char& at(int c, int r) { return px[static_cast<size_t>(r) * width + c]; }
    unsigned char at(int c, int r) const { return px[static_cast<size_t>(r) * width + c]; }
    bool onBorder(int c, int r) const { return c == 0 || r == 0 || c == width - 1 || r == height - 1; }
};

// ---- The detection steps, in the order the detector runs them -------------

// Studio-range luma (16..235) of a packed blue-green-red photograph.
void crGrayFromBgr(const unsigned char* photo, Image* gray);

// Bilinear read around the nearest pixel (i, j) of photograph position
// (u, v): fx and fy lie in -0.5..0.5, so the weights may extrapolate and the
// value leave 0..255; it is stored wrapped to its low 8 bits. A read past the
// last column or row repeats the edge pixel. (u, v) must lie in the picture.
unsigned char crSampleNearestBilinear(const Image* gray, float u, float v);

// The canvas window as the gray photograph shows it (0 where the window's
// ray falls outside the photograph).
void crRenderWindow(const Image* gray, const CameraParam* cam, const CanvasWindow& window, Plane* out);

// Adaptive threshold of u into a: 255 (light) or 0 (dark), against the mean
// over rows r - s + 1..r + s and columns c - s + 1..c + s (clipped), s = 0.3 x
// the window's shorter side. `integral` holds (width + 1) x (height + 1)
// floats of scratch.
void crBinarise(const Plane& u, Plane* a, float* integral);

// Turns the dark (0) pixels 4-connected to the border light (255), through
// `scratch`, a plane of the same size. At most 20 sweeps down and back up:
// a channel that winds back more often is cleared only in part.
void crClearBorderDark(Plane* a, Plane* scratch);

// Labels the dark interior pixels of a by 4-connected propagation of the
// smallest label, in at most 19 rounds (a blob that winds back more often
// keeps several labels); returns the largest label left.
int crLabelDark(const Plane& a, float* labels);

// b = 0 on the most populous label (the first on a tie), 255 elsewhere; all
// 0 when nothing is labelled. `counts` holds largest + 1 ints of scratch.
void crKeepLargestBlob(const float* labels, int largest, int* counts, Plane* b);

// c = 255 on the dark interior pixels of b that touch a light pixel among
// their 8 neighbours, 0 elsewhere.
void crMarkOutline(const Plane& b, Plane* c);

// The marked pixels of c as (column, row) points in raster order; returns
// their number.
int crListMarked(const Plane& c, Point2f* points);

// Three corners of the triangle fitted to the points; false when the points
// give none (no points, a refit line without a slope, parallel sides).
bool crFitTriangle(const Point2f* points, int count, Point2f corners[3]);
