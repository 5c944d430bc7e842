// Calibration of a rig's cameras: marks found in photographs, the library's
// pose estimate from them, and a refinement of that estimate that minimises
// the marks' reprojection error through the camera's lens.
#pragma once

#include <string>
#include <vector>

#include "camrig.h"
#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

// The corners found in a camera's calibration photograph.
struct CornerReport {
    Point2f detected[12];  // crDetectCorner's corners, its order
    Point2f refined[12];   // after refineCorners; equal to detected where not refined
    int refinedMask = 0;   // refineCorners' result
    int missing = 0;       // triangles the detector could not fit (their corners stay at 0, 0)
};

// Finds the photograph's targets (crDetectCorner with the photograph's mode,
// then refineCorners) and replaces the camera's sightings of the twelve
// corners' marks with the corners found, each paired with the mark of its
// triangle whose projection through the camera's current pose lies nearest.
// They come first; the camera's other sightings (marks measured otherwise)
// follow as they were. The photograph must have the camera's image size and
// the camera a pose near its true one (its design pose). Throws RigError
// naming the field, and leaves the sightings as they were, when the camera
// has no photograph or no pose through which the marks project, a size
// differs, a triangle is missing, or the sightings would exceed the 50 a
// camera record holds.
CornerReport detectMarks(const Rig& rig, RigCamera* camera, const Picture& photo);

// Pairs twelve corners in the detector's order with the expected pixels of
// their listed marks (the same order). The detector lists a triangle's
// corners its own way, so within each triangle the one-to-one assignment of
// its three marks to its three corners that lies nearest in total is taken:
// match[i] is the index (0..11) of the mark paired with corner i.
void matchCorners(const Point2f corners[12], const Point2f expected[12], int match[12]);

// Reprojection error of each of the camera's sightings: the distance in
// pixels between the sighting and the projection of its mark through the
// camera's pose and lens (crWorldToImage2D).
std::vector<double> reprojectionErrors(const Rig& rig, const RigCamera& camera);
double rmsOf(const std::vector<double>& errors);

// The pixel at which the camera (its record's pose and lens) sees the ground
// point `ground` (calibration frame), in double precision: the model that
// the refinement fits, which agrees with crWorldToImage2D.
void projectGround(const CameraParam& camera, const double ground[2], double pixel[2]);

// The library's estimate: crGetCameraPos from the camera's pairs. Writes the
// pose fields. Throws RigError, the pose unchanged, when the camera has fewer
// than 4 sightings or the estimate is no pose above the ground (not finite,
// or positionZ >= 0: collinear or mismatched marks).
void estimatePose(const Rig& rig, RigCamera* camera);

struct RefineOptions {
    // Pixels: the Huber loss's scale, residuals beyond it count linearly; 0:
    // plain squares. About three times the pixels' noise: smaller scales
    // weigh honest residuals down and loosen the pose.
    double lossScale = 3.0;
    int maxIterations = 100;
};

// Residuals before and after a refinement, per camera in rig order, per
// sighting in sighting order.
struct RefineReport {
    std::vector<std::vector<double>> before, after;
    bool converged = false;
};

// Refines the camera's pose (position and the three angles) from the pose it
// has, minimising the robust (Huber) sum of squared reprojection errors of
// its sightings through camrig's lens model. Writes the pose fields; a
// camera with fewer than 4 sightings keeps its pose.
RefineReport refinePose(const Rig& rig, RigCamera* camera, const RefineOptions& options = {});

// Refines every camera with sightings jointly: all poses and the ground
// positions of the marks, each mark held near its surveyed place by a prior
// of rig.markTolerance (marks seen by several cameras tie their poses
// together; a tolerance of 0 keeps the marks fixed). Cameras with fewer than
// 4 sightings keep their poses. Writes the poses and returns the marks'
// refined positions in rig.marks order through `marks` when it is not null
// (the rig's marks are not changed); the report's `after` is measured
// against those refined positions.
RefineReport refineRig(Rig* rig, std::vector<Point2f>* marks = nullptr, const RefineOptions& options = {});

}  // namespace camrig
