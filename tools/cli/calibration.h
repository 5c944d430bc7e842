// What calibrate found for one camera, and how it is shown.
#pragma once

#include <cstddef>
#include <vector>

#include "camrig_toolkit/calibrate.h"
#include "cli.h"

struct CliCalibration {
    size_t camera = 0;  // index in the rig's cameras
    camrig::Picture photo;
    camrig::CornerReport corners;
    double ms = 0;                      // finding the marks and estimating the pose
    std::vector<double> before, after;  // residuals per sighting; after is empty unless refined
};

// The photograph with the detected corners (red +), the refined corners
// (green x) and the marks projected through the camera's pose (yellow boxes).
camrig::Picture cliMarksPicture(const camrig::Rig& rig, const camrig::RigCamera& camera, const CliCalibration& c);

// The camera's pose and a table of its marks: pixel and residual before and
// after refinement, then their root mean square and largest.
void cliPrintCalibration(const camrig::Rig& rig, const CliCalibration& c, bool refined);
