// The synthetic rig: the scene's cameras, targets and views as a rig file's
// records, with the photographs and frames its cameras take as mounted.
#include "synthetic/synthetic_rig.h"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "camrig_toolkit/calibrate.h"
#include "scene/scene.h"

namespace camrig {

namespace {

// Mark ids name the camera, the target, the triangle and the corner:
// "front_t0_outer_0" .. "right_t1_hole_2".
std::string crMarkId(int slot, int corner) {
    const int target = corner % 6 / 3;
    return std::string(kSlotNames[slot]) + "_t" + std::to_string(target) + (corner < 6 ? "_outer_" : "_hole_") +
           std::to_string(corner % 3);
}

// The camera's record without the scene's own calibration pairs: a rig keeps
// its sightings apart.
CameraParam crWithoutPairs(CameraParam cam) {
    cam.pointCount = 0;
    std::memset(cam.imagePoints, 0, sizeof cam.imagePoints);
    std::memset(cam.worldPoints, 0, sizeof cam.worldPoints);
    return cam;
}

// Ground marks beside the targets: tile junctions that the bay surveys and
// measures in each camera's frame. The targets' two small clusters leave the
// pose loose (angleX trades against the height); marks at the frame's edges,
// far off and at wide angles, pin it down. A camera record holds 50 pairs,
// 12 of them the targets' corners.
constexpr int kGroundMarks = 38;
constexpr float kGroundReach = 8000.0f;     // from the camera's foot
constexpr float kGroundClearance = 500.0f;  // from the vehicle's outline
constexpr float kGroundMargin = 10.0f;      // pixels inside the frame
// Degrees from the optical axis: the library's estimate works on the
// undistorted image plane, which stretches without bound toward 90 degrees.
constexpr float kGroundMaxAngle = 70.0f;

using CrJacobian = Eigen::Matrix<double, 2, 6>;
using CrInformation = Eigen::Matrix<double, 6, 6>;

// How the pixel of `ground` moves with the pose: position (per unit), then
// angleX, angleY, angleZ (per degree), by central differences.
CrJacobian crPoseJacobian(const CameraParam& cam, Point2f ground) {
    const double point[2] = {ground.x, ground.y};
    float CameraParam::*const fields[6] = {&CameraParam::positionX, &CameraParam::positionY, &CameraParam::positionZ,
                                           &CameraParam::angleX,    &CameraParam::angleY,    &CameraParam::angleZ};
    CrJacobian jacobian;
    for (int k = 0; k < 6; ++k) {
        const float step = k < 3 ? 1.0f : 0.01f;
        CameraParam plus = cam, minus = cam;
        plus.*fields[k] += step, minus.*fields[k] -= step;
        double a[2], b[2];
        projectGround(plus, point, a);
        projectGround(minus, point, b);
        jacobian(0, k) = (a[0] - b[0]) / (2.0 * step);
        jacobian(1, k) = (a[1] - b[1]) / (2.0 * step);
    }
    return jacobian;
}

// The pose's worst standard deviation at 1 px of noise: the height as a
// share of itself, the angles in degrees, weighted so that 0.5 % counts as
// much as 0.1 degree.
double crWorstSpread(const CameraParam& cam, const CrInformation& information) {
    const CrInformation covariance = information.ldlt().solve(CrInformation::Identity());
    double worst = std::sqrt(covariance(2, 2)) / std::fabs(cam.positionZ) / 0.05;
    for (int k = 3; k < 6; ++k) worst = std::max(worst, std::sqrt(covariance(k, k)));
    return std::isfinite(worst) ? worst : 1e30;
}

// Junctions the camera sees well inside its frame and off its axis, clear of
// the vehicle and of painted lines, within reach.
std::vector<Point2f> crJunctionsSeen(const CameraParam& cam) {
    std::vector<Point2f> seen;
    const int reach = static_cast<int>(kGroundReach / kSceneTileSize);
    const int footX = static_cast<int>(std::lround(cam.positionX / kSceneTileSize));
    const int footY = static_cast<int>(std::lround(cam.positionY / kSceneTileSize));
    for (int row = footY - reach; row <= footY + reach; ++row)
        for (int column = footX - reach; column <= footX + reach; ++column) {
            const Point2f spot = {column * kSceneTileSize, row * kSceneTileSize};
            Point2f pixel;
            if (std::fabs(spot.x) < kRigCarWidth / 2.0f + kGroundClearance &&
                std::fabs(spot.y) < kRigCarLength / 2.0f + kGroundClearance)
                continue;
            if (std::hypot(spot.x - cam.positionX, spot.y - cam.positionY) > kGroundReach) continue;
            if (crSceneIsPainted(spot.x, spot.y) || !crSceneSees(cam, spot, &pixel)) continue;
            float degrees = 0.0f;
            crGetFOV(&cam, pixel.x, pixel.y, &degrees);
            if (pixel.x >= kGroundMargin && pixel.y >= kGroundMargin && pixel.x <= cam.imageWidth - 1 - kGroundMargin &&
                pixel.y <= cam.imageHeight - 1 - kGroundMargin && degrees <= kGroundMaxAngle)
                seen.push_back(spot);
        }
    return seen;
}

// The bay's design: after the targets' corners, each next mark is the
// junction that most lowers the pose's worst spread under the design pose.
std::vector<Point2f> crPickGroundMarks(const CameraParam& cam, const Point2f corners[12]) {
    CrInformation information = CrInformation::Zero();
    for (int i = 0; i < 12; ++i) {
        const CrJacobian j = crPoseJacobian(cam, corners[i]);
        information += j.transpose() * j;
    }
    std::vector<Point2f> candidates = crJunctionsSeen(cam), picked;
    std::vector<CrInformation> gains;
    gains.reserve(candidates.size());
    for (Point2f spot : candidates) {
        const CrJacobian j = crPoseJacobian(cam, spot);
        gains.emplace_back(j.transpose() * j);
    }
    while (static_cast<int>(picked.size()) < kGroundMarks && !candidates.empty()) {
        size_t best = 0;
        double bestSpread = 1e300;
        for (size_t i = 0; i < candidates.size(); ++i) {
            const double spread = crWorstSpread(cam, information + gains[i]);
            if (spread < bestSpread) bestSpread = spread, best = i;
        }
        picked.push_back(candidates[best]);
        information += gains[best];
        candidates.erase(candidates.begin() + static_cast<std::ptrdiff_t>(best));
        gains.erase(gains.begin() + static_cast<std::ptrdiff_t>(best));
    }
    return picked;
}

// Where a mark really lies: up to `shift` from its place in a random
// direction, uniformly over the disc.
Point2f crShifted(Point2f p, float shift, std::mt19937* random) {
    if (shift <= 0.0f) return p;
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const float radius = shift * std::sqrt(unit(*random));
    const float angle = 6.2831853f * unit(*random);
    return {p.x + radius * std::cos(angle), p.y + radius * std::sin(angle)};
}

void crShiftTargets(float shift, std::mt19937* random, SceneTarget targets[2]) {
    for (int k = 0; k < 2; ++k)
        for (int i = 0; i < 3; ++i) {
            targets[k].outer[i] = crShifted(targets[k].outer[i], shift, random);
            targets[k].hole[i] = crShifted(targets[k].hole[i], shift, random);
        }
}

// A mark's measured pixel: its true place through the true camera, with
// Gaussian noise of `sigma`, kept inside the frame.
Point2f crMeasured(const CameraParam& truth, Point2f ground, float sigma, std::mt19937* random) {
    const Point2f world = {ground.x - truth.originX, ground.y - truth.originY};
    Point2f pixel{};
    crWorldToImage2D(&truth, &world, &pixel, 1);
    if (sigma > 0.0f) {
        std::normal_distribution<float> noise(0.0f, sigma);
        pixel.x += noise(*random), pixel.y += noise(*random);
    }
    pixel.x = std::clamp(pixel.x, -0.5f, truth.imageWidth - 0.5f);
    pixel.y = std::clamp(pixel.y, -0.5f, truth.imageHeight - 0.5f);
    return pixel;
}

// Adds the camera's ground marks to both rigs, and their sightings to its
// last camera. A junction that an earlier camera picked is the same mark:
// its id and true place are kept, which ties the two cameras' poses.
void crAddGroundMarks(const CameraParam& design, const CameraParam& truth, const Point2f corners[12],
                      const SyntheticOptions& options, std::mt19937* shifts, std::mt19937* noise, SyntheticRig* out) {
    std::map<std::pair<float, float>, size_t> known;  // surveyed place -> index in the marks
    for (size_t i = 0; i < out->design.marks.size(); ++i)
        known.emplace(std::make_pair(out->design.marks[i].ground.x, out->design.marks[i].ground.y), i);
    const std::string prefix = std::string(kSlotNames[out->design.cameras.back().slot]) + "_j";
    int count = 0;
    for (Point2f spot : crPickGroundMarks(design, corners)) {
        auto found = known.find({spot.x, spot.y});
        if (found == known.end()) {
            const std::string id = prefix + std::to_string(count++);
            out->design.marks.push_back({id, spot});
            out->truth.marks.push_back({id, crShifted(spot, options.markShift, shifts)});
            found = known.emplace(std::make_pair(spot.x, spot.y), out->design.marks.size() - 1).first;
        }
        const Mark& real = out->truth.marks[found->second];
        const Sighting sighting = {real.id, crMeasured(truth, real.ground, options.markNoise, noise)};
        out->design.cameras.back().sightings.push_back(sighting);
        out->truth.cameras.back().sightings.push_back(sighting);
    }
}

Picture crPicture(const std::vector<unsigned char>& rows, int width, int height) {
    Picture picture(width, height);
    std::copy(rows.begin(), rows.end(), picture.pixels.begin());
    return picture;
}

RigView crMultiview(const char* name, ViewKind kind, int engineType, MultiviewParam param) {
    RigView view;
    view.name = name;
    view.kind = kind;
    view.engineType = engineType;
    param.cameras = nullptr;
    view.multiview = param;
    return view;
}

RigView crBowlview(const char* name, int engineType, const SyntheticOptions& options, SceneViewpoint where) {
    CameraParam cams[5];
    RigView view = crMultiview(name, ViewKind::bowl, engineType,
                               crSceneBowlview(cams, options.viewWidth, options.viewHeight, where));
    view.viewpoint = crWithoutPairs(cams[4]);
    return view;
}

// The front camera's corrected view. The rig file carries no ground picture,
// without which the overlay would stay empty, so the view goes without one.
RigView crSingleview() {
    CameraParam cam{};
    RigView view;
    view.name = "single";
    view.kind = ViewKind::single;
    view.single = crSceneCorrectedView(&cam);
    view.single.flags &= ~CR_VIEW_OVERLAY;
    view.single.camera = nullptr;
    view.camera = kSlotNames[CR_SLOT_FRONT];
    return view;
}

void crAddViews(const SyntheticOptions& options, CameraParam cams[4], Rig* rig) {
    MultiviewParam top = crSceneTopview(cams, options.viewWidth, options.viewHeight);
    top.flags = CR_MULTI_BILINEAR;  // smoother far ground, where camera pixels are large
    rig->carWidth = top.carWidth;
    rig->carLength = top.carLength;
    rig->carColor = top.carColor;
    rig->views.push_back(crMultiview("top", ViewKind::top, 0, top));
    rig->views.push_back(crBowlview("bowl_behind", 1, options, SceneViewpoint::behind));
    rig->views.push_back(crBowlview("bowl_corner", 2, options, SceneViewpoint::corner));
    rig->views.push_back(crSingleview());
}

}  // namespace

SyntheticRig makeSyntheticRig(const SyntheticOptions& options) {
    CameraParam design[4];
    crSceneRig(design);
    SyntheticRig out;
    Rig& rig = out.design;
    rig.markTolerance = options.markShift;
    crAddViews(options, design, &rig);
    out.truth = rig;

    // Separate streams, so that the noise leaves the marks' places as they are.
    std::mt19937 random(options.seed);
    std::seed_seq noiseSeed = {options.seed, 1u};
    std::mt19937 noise(noiseSeed);
    for (int slot = 0; slot < 4; ++slot) {
        const CameraParam truth = crSceneMountedCamera(design[slot], slot);
        SceneTarget targets[2];
        crSceneTargets(design[slot], slot, ScenePlacement{}, targets);
        Point2f surveyed[12], placed[12];
        crSceneTargetCorners(targets, surveyed);
        crShiftTargets(options.markShift, &random, targets);
        crSceneTargetCorners(targets, placed);

        RigCamera camera;
        camera.slot = slot;
        camera.param = crWithoutPairs(design[slot]);
        camera.frame = std::string("rig_") + kSlotNames[slot] + ".png";
        Photograph photograph;
        photograph.file = std::string("calib_") + kSlotNames[slot] + ".png";
        photograph.mode = slot;
        for (int i = 0; i < 12; ++i) {
            photograph.corners[i] = crMarkId(slot, i);
            rig.marks.push_back({photograph.corners[i], surveyed[i]});
            out.truth.marks.push_back({photograph.corners[i], placed[i]});
        }
        camera.photograph = photograph;
        rig.cameras.push_back(camera);
        camera.param = crWithoutPairs(truth);
        out.truth.cameras.push_back(camera);
        crAddGroundMarks(rig.cameras.back().param, truth, surveyed, options, &random, &noise, &out);

        const int w = truth.imageWidth, h = truth.imageHeight;
        out.photographs[slot] =
            fromPackedRows(crScenePhotograph(truth, targets, 2, crSceneBayConditions()).data(), w, h);
        if (options.frames) out.frames[slot] = crPicture(crSceneRender(truth), w, h);
    }
    return out;
}

}  // namespace camrig
