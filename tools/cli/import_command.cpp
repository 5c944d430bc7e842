// camrig import-opencv: an OpenCV fisheye calibration as a rig camera's lens.
//
// The rig file must exist and hold the camera: an OpenCV file carries a lens
// and nothing of the vehicle, its marks or its views, so a rig starts from
// `camrig render`'s rig.yaml or one written by hand. The camera keeps its
// pose, sightings, photograph and frame.
#include <cstdio>
#include <memory>

#include "camrig_toolkit/lens.h"
#include "cli.h"

namespace {

struct CrImportOptions {
    std::string calibration, rig, camera, size;
};

void crImport(const CrImportOptions& options) {
    CliSize size;
    if (!options.size.empty()) parseCliSize(options.size, &size);  // checked by the option
    const camrig::OpenCvFisheye lens = camrig::readOpenCvFisheye(options.calibration, size.width, size.height);
    camrig::Rig rig = camrig::readRig(options.rig);
    camrig::RigCamera* camera = camrig::findCamera(rig, camrig::slotOf(options.camera));
    if (!camera) throw camrig::RigError(rig.path, 0, "cameras." + options.camera, "no such camera");
    const camrig::LensFit fit = camrig::importOpenCvFisheye(lens, &camera->param);
    camera->lensFit = fit;
    camrig::validateRig(rig);
    camrig::writeRig(rig, rig.path);
    std::printf("%s: lens from %s, %dx%d; inverse polynomial fitted over 0..%.1f degrees, largest error %.4f px\n",
                options.camera.c_str(), options.calibration.c_str(), camera->param.imageWidth,
                camera->param.imageHeight, fit.maxAngle, fit.maxError);
    std::printf("wrote %s\n", rig.path.c_str());
}

}  // namespace

void crAddImportCommand(CLI::App& app) {
    auto options = std::make_shared<CrImportOptions>();
    CLI::App* command = app.add_subcommand(
        "import-opencv",
        "Set a rig camera's lens from an OpenCV fisheye calibration (K, D and the image size); the rig file and "
        "the camera must exist, the camera keeps its pose");
    command->add_option("CALIBRATION", options->calibration, "OpenCV calibration file (YAML)")->required();
    command->add_option("--rig", options->rig, "rig file to change")->required();
    command->add_option("--camera", options->camera, "the camera's slot")
        ->required()
        ->check(CLI::IsMember({"front", "rear", "left", "right"}));
    command->add_option("--size", options->size, "the calibrated image size, when the file has none or another")
        ->check(cliSizeValidator());
    command->callback([options] { crImport(*options); });
}
