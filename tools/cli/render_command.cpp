// camrig render: the synthetic rig as files, to try every other subcommand
// without a vehicle.
#include <cstdio>

#include "cli.h"
#include "commands.h"
#include "synthetic/synthetic_rig.h"

// The design rig (photographs and frames named relative to it), the true
// poses, and the pictures, all committed together.
void cliRender(const CliRenderOptions& options) {
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
