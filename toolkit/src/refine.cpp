// Pose refinement: the reprojection error of the sightings through camrig's
// lens model, minimised by Ceres over the poses (and, for a rig, the marks).
#include <ceres/ceres.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "camrig_toolkit/calibrate.h"

namespace camrig {

namespace {

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// A camera's pose as the solver varies it: position, then the angles about
// x, y and z in radians.
struct CrPose {
    double values[6];
};

CrPose crPoseOf(const CameraParam& cam) {
    return {{cam.positionX, cam.positionY, cam.positionZ, cam.angleX * kRadiansPerDegree,
             cam.angleY * kRadiansPerDegree, cam.angleZ * kRadiansPerDegree}};
}

void crStorePose(const CrPose& pose, CameraParam* cam) {
    cam->positionX = static_cast<float>(pose.values[0]);
    cam->positionY = static_cast<float>(pose.values[1]);
    cam->positionZ = static_cast<float>(pose.values[2]);
    cam->angleX = static_cast<float>(std::remainder(pose.values[3] / kRadiansPerDegree, 360.0));
    cam->angleY = static_cast<float>(std::remainder(pose.values[4] / kRadiansPerDegree, 360.0));
    cam->angleZ = static_cast<float>(std::remainder(pose.values[5] / kRadiansPerDegree, 360.0));
}

// The lens and the pose frame's origin, in double precision.
struct CrLens {
    double principal[2], pixelScale[2], distortion[5], origin[2];

    explicit CrLens(const CameraParam& cam)
        : principal{cam.principalX, cam.principalY},
          pixelScale{cam.pixelScaleX, cam.pixelScaleY},
          distortion{cam.distortion[0], cam.distortion[1], cam.distortion[2], cam.distortion[3], cam.distortion[4]},
          origin{cam.originX, cam.originY} {}

    // Pixel of a calibration-frame ground point: camera coordinates
    // R (P - position) with R = Rx(-ax) Ry(-ay) Rz(-az), the incidence angle,
    // the image height from the distortion polynomial, and the pixel along
    // the point's direction.
    template <typename T> void project(const T* pose, const T* ground, T* pixel) const {
        using std::atan2, std::cos, std::sin, std::sqrt;
        const T dx = ground[0] - origin[0] - pose[0], dy = ground[1] - origin[1] - pose[1], dz = -pose[2];
        const T cz = cos(pose[5]), sz = sin(pose[5]), cy = cos(pose[4]), sy = sin(pose[4]);
        const T cx = cos(pose[3]), sx = sin(pose[3]);
        const T ax = cz * dx + sz * dy, ay = cz * dy - sz * dx;  // Rz(-az)
        const T bx = cy * ax - sy * dz, bz = sy * ax + cy * dz;  // Ry(-ay)
        const T y = cx * ay + sx * bz, z = cx * bz - sx * ay;    // Rx(-ax)
        const T& x = bx;
        const T r2 = x * x + y * y;
        T scale;  // image height per unit of (x, y)
        if (r2 > T(1e-24)) {
            const T r = sqrt(r2), t = atan2(r, z), t2 = t * t;
            const T rho = t * (distortion[0] +
                               t2 * (distortion[1] + t2 * (distortion[2] + t2 * (distortion[3] + t2 * distortion[4]))));
            scale = rho / r;
        } else {
            scale = distortion[0] / z;  // on the axis t = r / z
        }
        pixel[0] = principal[0] + pixelScale[0] * scale * x;
        pixel[1] = principal[1] + pixelScale[1] * scale * y;
    }
};

struct CrSightingCost {
    CrLens lens;
    double pixel[2];

    template <typename T> bool operator()(const T* pose, const T* ground, T* residual) const {
        T projected[2];
        lens.project(pose, ground, projected);
        residual[0] = projected[0] - pixel[0];
        residual[1] = projected[1] - pixel[1];
        return true;
    }
};

// Holds a mark near its surveyed place, in units of the tolerance.
struct CrMarkPrior {
    double surveyed[2], tolerance;

    template <typename T> bool operator()(const T* ground, T* residual) const {
        residual[0] = (ground[0] - surveyed[0]) / tolerance;
        residual[1] = (ground[1] - surveyed[1]) / tolerance;
        return true;
    }
};

// The rig's marks as the solver varies them, by id.
struct CrMarks {
    std::vector<std::array<double, 2>> ground;
    std::map<std::string, size_t> index;

    explicit CrMarks(const Rig& rig) {
        for (const Mark& m : rig.marks) {
            index.emplace(m.id, ground.size());
            ground.push_back({m.ground.x, m.ground.y});
        }
    }
};

bool crFinite(Point2f p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// Adds the camera's sightings of known marks; returns the mark blocks used.
void crAddSightings(const RigCamera& camera, CrPose* pose, CrMarks* marks, const RefineOptions& options,
                    ceres::Problem* problem, std::vector<double*>* used) {
    for (const Sighting& s : camera.sightings) {
        const auto found = marks->index.find(s.mark);
        if (found == marks->index.end() || !crFinite(s.pixel)) continue;
        double* ground = marks->ground[found->second].data();
        auto* cost = new ceres::AutoDiffCostFunction<CrSightingCost, 2, 6, 2>(
            new CrSightingCost{CrLens(camera.param), {s.pixel.x, s.pixel.y}});
        ceres::LossFunction* loss = options.lossScale > 0 ? new ceres::HuberLoss(options.lossScale) : nullptr;
        problem->AddResidualBlock(cost, loss, pose->values, ground);
        used->push_back(ground);
    }
}

int crUsableSightings(const Rig& rig, const RigCamera& camera) {
    int count = 0;
    for (const Sighting& s : camera.sightings)
        count += crFinite(s.pixel) &&
                 std::any_of(rig.marks.begin(), rig.marks.end(), [&](const Mark& m) { return m.id == s.mark; });
    return count;
}

// Solves the problem; false in `usable` when the solver left no solution (a
// model that cannot be evaluated at the start), the poses then stay.
bool crSolve(const RefineOptions& options, ceres::Problem* problem, bool* usable) {
    ceres::Solver::Options solver;
    solver.linear_solver_type = ceres::DENSE_QR;
    solver.max_num_iterations = std::max(1, options.maxIterations);
    solver.function_tolerance = 1e-10;
    solver.parameter_tolerance = 1e-10;
    solver.num_threads = 1;
    solver.logging_type = ceres::SILENT;
    ceres::Solver::Summary summary;
    ceres::Solve(solver, problem, &summary);
    *usable = summary.IsSolutionUsable();
    return summary.termination_type == ceres::CONVERGENCE;
}

}  // namespace

void projectGround(const CameraParam& camera, const double ground[2], double pixel[2]) {
    const CrPose pose = crPoseOf(camera);
    CrLens(camera).project(pose.values, ground, pixel);
}

RefineReport refinePose(const Rig& rig, RigCamera* camera, const RefineOptions& options) {
    RefineReport report;
    report.before.push_back(reprojectionErrors(rig, *camera));
    CrPose pose = crPoseOf(camera->param);
    CrMarks marks(rig);
    ceres::Problem problem;
    std::vector<double*> used;
    if (crUsableSightings(rig, *camera) >= 4) crAddSightings(*camera, &pose, &marks, options, &problem, &used);
    if (!used.empty()) {
        for (double* ground : used) problem.SetParameterBlockConstant(ground);
        bool usable = false;
        report.converged = crSolve(options, &problem, &usable);
        if (usable) crStorePose(pose, &camera->param);
    }
    report.after.push_back(reprojectionErrors(rig, *camera));
    return report;
}

RefineReport refineRig(Rig* rig, std::vector<Point2f>* marks, const RefineOptions& options) {
    RefineReport report;
    CrMarks solved(*rig);
    std::vector<CrPose> poses;
    poses.reserve(rig->cameras.size());
    ceres::Problem problem;
    std::vector<double*> used;
    for (const RigCamera& camera : rig->cameras) {
        report.before.push_back(reprojectionErrors(*rig, camera));
        poses.push_back(crPoseOf(camera.param));
        if (crUsableSightings(*rig, camera) >= 4)
            crAddSightings(camera, &poses.back(), &solved, options, &problem, &used);
    }
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    for (double* ground : used) {
        if (rig->markTolerance > 0) {
            const double surveyed[2] = {ground[0], ground[1]};
            problem.AddResidualBlock(new ceres::AutoDiffCostFunction<CrMarkPrior, 2, 2>(new CrMarkPrior{
                                         {surveyed[0], surveyed[1]}, static_cast<double>(rig->markTolerance)}),
                                     nullptr, ground);
        } else {
            problem.SetParameterBlockConstant(ground);
        }
    }
    bool usable = false;
    if (!used.empty()) report.converged = crSolve(options, &problem, &usable);
    if (!usable) solved = CrMarks(*rig);

    Rig refined = *rig;
    for (size_t i = 0; i < refined.marks.size(); ++i)
        refined.marks[i].ground = {static_cast<float>(solved.ground[i][0]), static_cast<float>(solved.ground[i][1])};
    for (size_t c = 0; c < rig->cameras.size(); ++c) {
        if (usable && crUsableSightings(*rig, rig->cameras[c]) >= 4) crStorePose(poses[c], &rig->cameras[c].param);
        refined.cameras[c].param = rig->cameras[c].param;
        report.after.push_back(reprojectionErrors(refined, refined.cameras[c]));
    }
    if (marks) {
        marks->clear();
        for (const Mark& m : refined.marks) marks->push_back(m.ground);
    }
    return report;
}

}  // namespace camrig
