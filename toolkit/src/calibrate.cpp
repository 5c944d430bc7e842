// Calibration marks found in photographs, their reprojection errors and the
// library's pose estimate from them.
#include "camrig_toolkit/calibrate.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>

#include "camrig_toolkit/corners.h"

namespace camrig {

namespace {

constexpr size_t kMaxPairs = 50;  // a camera record's calibration pairs

std::string crCameraField(const RigCamera& camera, const std::string& field) {
    const bool named = camera.slot >= 0 && camera.slot < static_cast<int>(kSlotNames.size());
    return std::string("cameras.") + (named ? kSlotNames[camera.slot] : std::to_string(camera.slot)) + "." + field;
}

const Mark& crFindMark(const Rig& rig, const std::string& id, const std::string& field) {
    for (const Mark& m : rig.marks)
        if (m.id == id) return m;
    throw RigError(rig.path, 0, field, "no mark named \"" + id + "\"");
}

// The pose-frame projection of a calibration-frame ground point.
Point2f crProjectMark(const CameraParam& cam, Point2f ground) {
    const Point2f world = {ground.x - cam.originX, ground.y - cam.originY};
    Point2f pixel = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()};
    crWorldToImage2D(&cam, &world, &pixel, 1);
    return pixel;
}

// A triangle the detector could not fit keeps a corner at (0, 0).
int crMissingTriangles(const Point2f corners[12]) {
    int missing = 0;
    for (const Point2f* first = corners; first < corners + 12; first += 3)
        missing += std::any_of(first, first + 3, [](Point2f p) { return p.x == 0 && p.y == 0; });
    return missing;
}

void crCheckPhotograph(const Rig& rig, const RigCamera& camera, const Picture& photo) {
    if (!camera.photograph) throw RigError(rig.path, 0, crCameraField(camera, "photograph"), "the camera has none");
    const int mode = camera.photograph->mode;
    if (mode < 0 || mode > 3)
        throw RigError(rig.path, 0, crCameraField(camera, "photograph.mode"), std::to_string(mode) + " is not in 0..3");
    if (photo.width != camera.param.imageWidth || photo.height != camera.param.imageHeight ||
        photo.pixels.size() < static_cast<size_t>(crImageStride(3, photo.width)) * photo.height)
        throw RigError(rig.path, 0, crCameraField(camera, "photograph.file"),
                       "the picture is " + std::to_string(photo.width) + " x " + std::to_string(photo.height) +
                           ", the camera's image " + std::to_string(camera.param.imageWidth) + " x " +
                           std::to_string(camera.param.imageHeight));
}

}  // namespace

void matchCorners(const Point2f corners[12], const Point2f expected[12], int match[12]) {
    static const int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
    for (int first = 0; first < 12; first += 3) {
        int best = 0;
        double bestCost = std::numeric_limits<double>::infinity();
        for (int o = 0; o < 6; ++o) {
            double cost = 0;
            for (int i = 0; i < 3; ++i) {
                const Point2f a = corners[first + i], b = expected[first + kOrders[o][i]];
                cost += std::hypot(static_cast<double>(a.x) - b.x, static_cast<double>(a.y) - b.y);
            }
            if (cost < bestCost) bestCost = cost, best = o;
        }
        for (int i = 0; i < 3; ++i) match[first + i] = first + kOrders[best][i];
    }
}

CornerReport detectMarks(const Rig& rig, RigCamera* camera, const Picture& photo) {
    crCheckPhotograph(rig, *camera, photo);
    const Photograph& shot = *camera->photograph;
    Point2f expected[12];
    for (int i = 0; i < 12; ++i) {
        expected[i] = crProjectMark(
            camera->param, crFindMark(rig, shot.corners[i], crCameraField(*camera, "photograph.corners")).ground);
        // The corners are told apart by where the pose puts their marks.
        if (!std::isfinite(expected[i].x) || !std::isfinite(expected[i].y))
            throw RigError(rig.path, 0, crCameraField(*camera, "pose"),
                           "the corners' marks do not project through it: give the camera's design pose");
    }

    const std::vector<unsigned char> packed = packedRows(photo);
    CameraParam cam = camera->param;
    crDetectCorner(packed.data(), &cam, shot.mode);
    CornerReport report;
    std::copy(cam.imagePoints, cam.imagePoints + 12, report.detected);
    report.missing = crMissingTriangles(report.detected);
    if (report.missing > 0)
        throw RigError(rig.path, 0, crCameraField(*camera, "photograph.file"),
                       std::to_string(report.missing) + " of the targets' 4 triangles not found in mode " +
                           std::to_string(shot.mode));
    std::copy(report.detected, report.detected + 12, report.refined);
    report.refinedMask = refineCorners(packed.data(), &cam, report.refined);

    int match[12];
    matchCorners(report.refined, expected, match);
    std::vector<Sighting> sightings;
    sightings.reserve(12 + camera->sightings.size());
    for (int i = 0; i < 12; ++i) sightings.push_back({shot.corners[match[i]], report.refined[i]});
    const auto isCorner = [&](const Sighting& s) {
        return std::find(shot.corners.begin(), shot.corners.end(), s.mark) != shot.corners.end();
    };
    std::copy_if(camera->sightings.begin(), camera->sightings.end(), std::back_inserter(sightings),
                 [&](const Sighting& s) { return !isCorner(s); });
    if (sightings.size() > kMaxPairs)
        throw RigError(rig.path, 0, crCameraField(*camera, "sightings"),
                       std::to_string(sightings.size()) + " with the twelve corners, at most " +
                           std::to_string(kMaxPairs) + " fit a camera record");
    camera->sightings = std::move(sightings);
    return report;
}

std::vector<double> reprojectionErrors(const Rig& rig, const RigCamera& camera) {
    std::vector<double> errors;
    errors.reserve(camera.sightings.size());
    for (const Sighting& s : camera.sightings) {
        const Point2f p =
            crProjectMark(camera.param, crFindMark(rig, s.mark, crCameraField(camera, "sightings")).ground);
        errors.push_back(std::hypot(static_cast<double>(p.x) - s.pixel.x, static_cast<double>(p.y) - s.pixel.y));
    }
    return errors;
}

double rmsOf(const std::vector<double>& errors) {
    if (errors.empty()) return 0;
    double sum = 0;
    for (double e : errors) sum += e * e;
    return std::sqrt(sum / static_cast<double>(errors.size()));
}

void estimatePose(const Rig& rig, RigCamera* camera) {
    for (const Sighting& s : camera->sightings) crFindMark(rig, s.mark, crCameraField(*camera, "sightings"));
    CameraParam cam = cameraRecord(rig, *camera);
    if (cam.pointCount < 4)
        throw RigError(rig.path, 0, crCameraField(*camera, "sightings"),
                       std::to_string(cam.pointCount) + " sightings, at least 4 needed for a pose");
    crGetCameraPos(&cam);
    const float values[6] = {cam.positionX, cam.positionY, cam.positionZ, cam.angleX, cam.angleY, cam.angleZ};
    if (!std::all_of(values, values + 6, [](float v) { return std::isfinite(v); }) || !(cam.positionZ < 0))
        throw RigError(rig.path, 0, crCameraField(*camera, "sightings"),
                       "no pose above the ground fits them (the marks may be collinear or mismatched)");
    CameraParam& pose = camera->param;
    pose.positionX = cam.positionX, pose.positionY = cam.positionY, pose.positionZ = cam.positionZ;
    pose.angleX = cam.angleX, pose.angleY = cam.angleY, pose.angleZ = cam.angleZ;
}

}  // namespace camrig
