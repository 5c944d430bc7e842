// Refinement of a calibrated pose against the record's own calibration pairs:
// a derivative-free search, one pose coordinate at a time, that moves to a
// neighbour only while the pose error strictly decreases.
#include <cmath>
#include <initializer_list>

#include "camera/camera.h"
#include "numerics/numerics.h"
#include "views.h"

namespace {

// Sum of squared differences between the image points taken to the ground
// through h and the record's ground points, each set about its own mean.
float crCentredGroundError(const CameraParam* cam, const Matrix* h) {
    const int n = crCalibrationPairCount(cam);
    Point2f ground[kPairCapacity];
    Point2f groundSum = {0.0f, 0.0f};
    Point2f worldSum = {0.0f, 0.0f};
    for (int i = 0; i < n; ++i) {
        ground[i] = crImageToWorld2D(cam, h, cam->imagePoints[i]);
        groundSum = {groundSum.x + ground[i].x, groundSum.y + ground[i].y};
        worldSum = {worldSum.x + cam->worldPoints[i].x, worldSum.y + cam->worldPoints[i].y};
    }
    const float count = static_cast<float>(n);
    const Point2f groundMean = {groundSum.x / count, groundSum.y / count};
    const Point2f worldMean = {worldSum.x / count, worldSum.y / count};
    float error = 0.0f;
    for (int i = 0; i < n; ++i) {
        const float dx = (ground[i].x - groundMean.x) - (cam->worldPoints[i].x - worldMean.x);
        const float dy = (ground[i].y - groundMean.y) - (cam->worldPoints[i].y - worldMean.y);
        error = error + (dx * dx + dy * dy);
    }
    return error;
}

enum PoseCoordinate { kAngleX, kAngleY, kAngleZ, kPositionX, kPositionY, kPositionZ };

// Successful steps one search may take in all. Each step moves by at most a
// unit or a degree, so the count grows with the start's distance from the
// optimum: calibration scenes started 500 units off in height need about
// 510, a pan 50 degrees off under 50. The budget lets a start 100 m (in
// millimetres) off still arrive and ends in some 0.3 s, where a start a
// million units away used to take seconds.
constexpr int kMaxSearchSteps = 100000;

struct PoseSearch {
    const CameraParam* cam;
    float pose[6];  // indexed by PoseCoordinate
    float error;    // of pose
    int stepsLeft;
    bool failed;  // an error could not be computed for lack of memory
};

// The error of the trial pose; NaN, and the search marked failed, without
// memory.
float crTrialError(PoseSearch& s) {
    float error = 0.0f;
    if (crComputePoseError(s.cam, s.pose[kAngleX], s.pose[kAngleY], s.pose[kAngleZ], s.pose[kPositionX],
                           s.pose[kPositionY], s.pose[kPositionZ], &error))
        return error;
    s.failed = true;
    return NAN;
}

PoseSearch crStartSearch(const CameraParam* cam) {
    PoseSearch s = {cam,
                    {cam->angleX, cam->angleY, cam->angleZ, cam->positionX, cam->positionY, cam->positionZ},
                    0.0f,
                    kMaxSearchSteps,
                    false};
    s.error = crTrialError(s);
    return s;
}

// Moves one coordinate by -step or +step (-step on a tie) when that strictly
// lowers the error; reports whether it moved. A failed or exhausted search
// moves no more.
bool crNeighbourStep(PoseSearch& s, PoseCoordinate q, float step) {
    if (s.failed || s.stepsLeft == 0) return false;
    const float start = s.pose[q];
    s.pose[q] = start - step;
    const float below = crTrialError(s);
    s.pose[q] = start + step;
    const float above = crTrialError(s);
    const bool takeBelow = below <= above;
    const float best = takeBelow ? below : above;
    if (!s.failed && best < s.error) {
        s.pose[q] = takeBelow ? start - step : start + step;
        s.error = best;
        --s.stepsLeft;
        return true;
    }
    s.pose[q] = start;
    return false;
}

// Searches the pan angle in steps of 1, 0.1 and 0.01 degrees, up to 100
// passes, and writes it back. The other angles never move, so they keep
// their values in the record.
float crAdjustPan(CameraParam* cam) {
    PoseSearch s = crStartSearch(cam);
    for (int pass = 0; pass < 100; ++pass) {
        bool moved = false;
        float step = 1.0f;
        // 0.1f * 0.1f * 0.1f rounds to exactly 0.001f, which ends the pass.
        while (step > 0.001f) {
            if (crNeighbourStep(s, kAngleY, step))
                moved = true;
            else
                step = step * 0.1f;
        }
        if (!moved) break;
    }
    if (s.failed) return NAN;
    cam->angleY = s.pose[kAngleY];
    return s.error;
}

}  // namespace

bool crComputePoseError(const CameraParam* cam, float angleX, float angleY, float angleZ, float positionX,
                        float positionY, float positionZ, float* error) {
    // The trial pose maps the sensor to the ground exactly as the record's
    // own pose would with these six fields.
    CameraParam trial = *cam;
    trial.angleX = angleX;
    trial.angleY = angleY;
    trial.angleZ = angleZ;
    trial.positionX = positionX;
    trial.positionY = positionY;
    trial.positionZ = positionZ;
    CrStackMatrix3 sensorToGround;
    if (!crSensorToGround(&trial, &sensorToGround.m)) return false;
    *error = crCentredGroundError(cam, &sensorToGround.m);
    return true;
}

// A search that runs out of memory leaves the record as it was and returns
// NaN.
extern "C" CR_API float crAdjustCameraPosition(CameraParam* cam) {
    PoseSearch s = crStartSearch(cam);
    for (int pass = 0; pass < 100; ++pass) {
        bool moved = false;
        for (PoseCoordinate q : {kPositionX, kPositionY, kPositionZ})
            while (crNeighbourStep(s, q, 1.0f)) moved = true;
        if (!moved) break;
    }
    if (s.failed) return NAN;
    cam->positionX = s.pose[kPositionX];
    cam->positionY = s.pose[kPositionY];
    cam->positionZ = s.pose[kPositionZ];
    return s.error;
}
extern "C" CR_API float crAdjustCameraAngle(CameraParam* cam) { return crAdjustPan(cam); }

extern "C" CR_API float crAdjustCameraPanAngle(CameraParam* cam) { return crAdjustPan(cam); }
