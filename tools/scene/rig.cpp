// Four-camera surround rig on a 1800 x 4500 mm vehicle centred on the origin,
// each camera with the calibration marks it sees on the ground.
#include <cmath>
#include <limits>
#include <vector>

#include "scene.h"

namespace {

// With angleZ 0 a camera tilted by angleX = 90 - d looks forward (negative
// Y), d degrees below the horizon, its columns along +X. angleZ then turns it
// about the vertical: 180 looks backward, -90 left, 90 right.
struct Mount {
    float x, y, z;
    float angleX, angleZ;
};

const float kHalfWidth = kRigCarWidth / 2.0f;
const float kHalfLength = kRigCarLength / 2.0f;

// The rig's lenses spread the same fisheye over more pixels than the sample
// camera: the image circle's edge lies beyond the frame's corners' reach
// sideways, which puts the end-of-line calibration targets at moderate angles.
const float kRigPixelScale = 280.0f;

const Mount kMounts[4] = {
    {0.0f, -kHalfLength, -700.0f, 55.0f, 0.0f},                 // front bumper, 35 degrees down
    {0.0f, kHalfLength, -900.0f, 50.0f, 180.0f},                // rear, above the plate, 40 down
    {-kHalfWidth - 100.0f, -1100.0f, -1000.0f, 25.0f, -90.0f},  // left mirror, 65 down
    {kHalfWidth + 100.0f, -1100.0f, -1000.0f, 25.0f, 90.0f},    // right mirror, 65 down
};

// Calibration marks are tile junctions that a camera sees well: clear of the
// vehicle, within reach of the camera and near its optical axis.
const int kMarksPerCamera = 12;
const float kMarkClearance = 500.0f;  // from the vehicle's outline, mm
const float kMarkReach = 4000.0f;     // from the camera's foot, mm
const float kMarkMaxAngle = 60.0f;    // from the optical axis, degrees

bool crIsGoodMark(const CameraParam& cam, Point2f mark, Point2f* pixel) {
    if (std::fabs(mark.x) < kHalfWidth + kMarkClearance && std::fabs(mark.y) < kHalfLength + kMarkClearance)
        return false;
    if (std::hypot(mark.x - cam.positionX, mark.y - cam.positionY) > kMarkReach) return false;
    // Lane and stop lines run along tile edges and hide the junctions on them.
    if (crSceneIsPainted(mark.x, mark.y) || !crSceneSees(cam, mark, pixel)) return false;
    float degrees = 0.0f;
    crGetFOV(&cam, pixel->x, pixel->y, &degrees);
    return degrees <= kMarkMaxAngle;
}

// Every good junction is a candidate; the marks are picked so that each new
// one lies as far as possible from those already taken, which spreads them
// over the whole area and keeps the pose estimate well conditioned.
void crPlaceMarks(CameraParam* cam) {
    std::vector<Point2f> spots, pixels;
    const int reach = static_cast<int>(kMarkReach / kSceneTileSize);
    const int footX = static_cast<int>(std::lround(cam->positionX / kSceneTileSize));
    const int footY = static_cast<int>(std::lround(cam->positionY / kSceneTileSize));
    for (int row = footY - reach; row <= footY + reach; ++row)
        for (int column = footX - reach; column <= footX + reach; ++column) {
            const Point2f mark = {column * kSceneTileSize, row * kSceneTileSize};
            Point2f pixel;
            if (!crIsGoodMark(*cam, mark, &pixel)) continue;
            spots.push_back(mark);
            pixels.push_back(pixel);
        }
    std::vector<float> gap(spots.size(), std::numeric_limits<float>::max());
    size_t next = 0;
    int count = 0;
    for (; count < kMarksPerCamera && count < static_cast<int>(spots.size()); ++count) {
        cam->worldPoints[count] = spots[next];
        cam->imagePoints[count] = pixels[next];
        const Point2f taken = spots[next];
        next = 0;
        for (size_t i = 0; i < spots.size(); ++i) {
            gap[i] = std::fmin(gap[i], std::hypot(spots[i].x - taken.x, spots[i].y - taken.y));
            if (gap[i] > gap[next]) next = i;
        }
    }
    cam->pointCount = count;
}

}  // namespace

void crSceneRig(CameraParam cams[4]) {
    for (int slot = 0; slot < 4; ++slot) {
        CameraParam cam{};
        crSceneSampleLens(&cam);
        cam.pixelScaleX = kRigPixelScale;
        cam.pixelScaleY = kRigPixelScale;
        const Mount& m = kMounts[slot];
        cam.positionX = m.x;
        cam.positionY = m.y;
        cam.positionZ = m.z;
        cam.angleX = m.angleX;
        cam.angleZ = m.angleZ;
        crPlaceMarks(&cam);
        cams[slot] = cam;
    }
}
