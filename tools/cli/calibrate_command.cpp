// camrig calibrate: each camera's pose from the marks found in its
// calibration photograph, optionally refined, written back into the rig file
// and drawn over the photographs.
#include <cstdio>

#include "calibration.h"
#include "camrig_toolkit/calibrate.h"
#include "commands.h"

namespace {

// The cameras with a photograph: marks found, the library's pose, residuals.
std::vector<CliCalibration> crEstimate(camrig::Rig& rig, CliProgress& progress) {
    std::vector<CliCalibration> done;
    for (size_t index = 0; index < rig.cameras.size(); ++index) {
        camrig::RigCamera& camera = rig.cameras[index];
        if (!camera.photograph) continue;
        progress.step(std::string("finding the marks of ") + camrig::kSlotNames[camera.slot]);
        CliCalibration c;
        c.camera = index;
        c.photo = camrig::readPicture(camrig::rigRelative(rig, camera.photograph->file));
        CliStopwatch watch;
        c.corners = camrig::detectMarks(rig, &camera, c.photo);
        camrig::estimatePose(rig, &camera);
        c.ms = watch.ms();
        c.before = camrig::reprojectionErrors(rig, camera);
        done.push_back(std::move(c));
    }
    if (done.empty()) throw camrig::RigError(rig.path, 0, "cameras", "no camera has a photograph");
    return done;
}

void crRefine(camrig::Rig& rig, bool joint, std::vector<CliCalibration>* done, CliProgress& progress) {
    if (joint) {
        progress.step("refining the rig");
        const camrig::RefineReport report = camrig::refineRig(&rig);
        for (CliCalibration& c : *done)
            c.after = c.camera < report.after.size() ? report.after[c.camera] : std::vector<double>{};
        return;
    }
    for (CliCalibration& c : *done) {
        camrig::RigCamera& camera = rig.cameras[c.camera];
        progress.step(std::string("refining ") + camrig::kSlotNames[camera.slot]);
        camrig::refinePose(rig, &camera);
        c.after = camrig::reprojectionErrors(rig, camera);
    }
}

}  // namespace

void cliCalibrate(const CliCalibrateOptions& options) {
    camrig::Rig rig = camrig::readRig(options.rig);
    const bool refine = options.refine || options.joint;
    int photographs = 0;
    for (const camrig::RigCamera& camera : rig.cameras) photographs += camera.photograph ? 1 : 0;
    const int refinements = options.joint ? 1 : options.refine ? photographs : 0;
    CliProgress progress("calibrate", photographs + refinements + 1);
    CliStopwatch watch;
    std::vector<CliCalibration> done = crEstimate(rig, progress);
    if (refine) crRefine(rig, options.joint, &done, progress);
    const double calibrateMs = watch.ms();

    progress.step("writing");
    const std::string out = options.out.empty() ? cliFolderOf(rig.path) : options.out;
    cliMakeFolder(out);
    camrig::OutputSet outputs;
    for (const CliCalibration& c : done) {
        const camrig::RigCamera& camera = rig.cameras[c.camera];
        const std::string name = std::string("calib_") + camrig::kSlotNames[camera.slot] + "_marks.png";
        outputs.addPicture(cliJoin(out, name), cliMarksPicture(rig, camera, c));
    }
    if (!options.noWrite) {
        camrig::validateRig(rig);
        outputs.add(rig.path, camrig::formatRig(rig));
    }
    outputs.commit();
    for (const CliCalibration& c : done) cliPrintCalibration(rig, c, refine);
    for (const std::string& path : outputs.paths()) std::printf("wrote %s\n", path.c_str());
    std::printf("calibrated %zu cameras in %.0f ms\n", done.size(), calibrateMs);
}
