// camrig import-opencv: an OpenCV fisheye calibration as a rig camera's lens.
//
// The rig file must exist and hold the camera: an OpenCV file carries a lens
// and nothing of the vehicle, its marks or its views, so a rig starts from
// `camrig render`'s rig.yaml or one written by hand. The camera keeps its
// pose, sightings, photograph and frame.
#include <cstdio>

#include "camrig_toolkit/lens.h"
#include "cli.h"
#include "commands.h"

void cliImport(const CliImportOptions& options) {
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
