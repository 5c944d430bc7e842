// camrig render: the synthetic rig as files, to try every other subcommand
// without a vehicle.
#include <cstdio>
#include <memory>

#include "cli.h"
#include "synthetic/synthetic_rig.h"

namespace {

struct CrRenderOptions {
    std::string out = "synthetic";
    std::string size = "720x480";
    float markNoise = 0.0f, markShift = 0.0f;
    unsigned seed = 1;
};

// The design rig (photographs and frames named relative to it), the true
// poses, and the pictures, all committed together.
void crRender(const CrRenderOptions& options) {
    CliSize size;
    parseCliSize(options.size, &size);  // checked by the option
    CliProgress progress("render", 3);
    progress.step("filming the synthetic rig");
    CliStopwatch filming;
    camrig::SyntheticOptions how;
    how.viewWidth = size.width, how.viewHeight = size.height;
    how.markNoise = options.markNoise, how.markShift = options.markShift, how.seed = options.seed;
    camrig::SyntheticRig synthetic = camrig::makeSyntheticRig(how);
    const double filmMs = filming.ms();

    progress.step("encoding the pictures");
    CliStopwatch writing;
    cliMakeFolder(options.out);
    camrig::OutputSet outputs;
    synthetic.design.path = cliJoin(options.out, "rig.yaml");
    outputs.add(synthetic.design.path, camrig::formatRig(synthetic.design));
    synthetic.truth.path = cliJoin(options.out, "truth.yaml");
    outputs.add(synthetic.truth.path, camrig::formatRig(synthetic.truth));
    for (const camrig::RigCamera& camera : synthetic.design.cameras) {
        if (camera.photograph)
            outputs.addPicture(cliJoin(options.out, camera.photograph->file), synthetic.photographs[camera.slot]);
        if (!camera.frame.empty())
            outputs.addPicture(cliJoin(options.out, camera.frame), synthetic.frames[camera.slot]);
    }
    progress.step("writing");
    outputs.commit();
    const double writeMs = writing.ms();
    for (const std::string& path : outputs.paths()) std::printf("wrote %s\n", path.c_str());
    std::printf("filmed in %.0f ms, written in %.0f ms\n", filmMs, writeMs);
}

}  // namespace

void crAddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<CrRenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render",
        "Write the synthetic rig: rig.yaml (design poses, marks, photographs, frames and views), truth.yaml "
        "(the cameras' true poses), calib_<camera>.png and rig_<camera>.png");
    command->add_option("--out", options->out, "folder for the files")->capture_default_str();
    command->add_option("--size", options->size, "top and bowl view size")
        ->capture_default_str()
        ->check(cliSizeValidator());
    command->add_option("--mark-noise", options->markNoise, "pixels: Gaussian noise on the ground marks' pixels")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 10.0f));
    command->add_option("--mark-shift", options->markShift, "mm: how far the marks lie from their surveyed places")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 100.0f));
    command->add_option("--seed", options->seed, "draws the noise and the shifts")->capture_default_str();
    command->callback([options] { crRender(*options); });
}
