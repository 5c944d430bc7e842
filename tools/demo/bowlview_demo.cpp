// The rig's four frames composed into bowl views by both bowl-view engines,
// seen from behind the vehicle and from its rear-left corner. Init calibrates
// the four cameras from their ground marks; the demo sets the poses it found
// against the rig's true ones.
#include <cstdio>
#include <string>

#include "demo.h"
#include "scene/scene.h"

namespace {

struct DemoViewpoint {
    SceneViewpoint where;
    const char* name;
};

const DemoViewpoint kViewpoints[] = {{SceneViewpoint::behind, "behind"}, {SceneViewpoint::corner, "corner"}};

// Position in mm and angles about x, y and z in degrees.
void crPrintPose(const CameraParam& cam) {
    std::printf("(%7.1f, %7.1f, %7.1f) (%6.2f, %5.2f, %7.2f)", cam.positionX, cam.positionY, cam.positionZ, cam.angleX,
                cam.angleY, cam.angleZ);
}

void crPrintCalibratedPoses(const CameraParam calibrated[4], const CameraParam truth[4]) {
    std::printf("  Init's poses, from the cameras' ground marks (position mm, angles x y z deg):\n");
    for (int slot = 0; slot < 4; ++slot) {
        std::printf("    %-5s ", kDemoSlotNames[slot]);
        crPrintPose(calibrated[slot]);
        std::printf("  true ");
        crPrintPose(truth[slot]);
        std::printf("\n");
    }
}

}  // namespace

void crDemoBowlview(const DemoOptions& options, const DemoRig& rig) {
    for (int type = 1; type <= 2; ++type)
        for (const DemoViewpoint& at : kViewpoints) {
            std::printf("Bowl-view engine type %d: %dx%d view from %s\n", type, options.viewWidth, options.viewHeight,
                        at.name);
            CameraParam cams[5];
            const MultiviewParam param = crSceneBowlview(cams, options.viewWidth, options.viewHeight, at.where);
            EngineHandle* h = crMultiviewCreate(type);
            const double initMs = crInitDemoMultiview(h, param);
            if (initMs < 0.0) {
                std::printf("  the bowl-view engine type %d is not available in this build; skipped\n", type);
                crMultiviewRelease(&h);
                continue;
            }
            std::printf("  Init %.1f ms\n", initMs);
            crPrintCalibratedPoses(cams, rig.cams);
            const std::string prefix = "bowl" + std::to_string(type) + "_" + at.name;
            crApplyDemoMultiview(h, rig, param, crDemoPath(options, prefix + ".bmp"));
            crWriteMultiviewTables(h, options, prefix, 3);
            crMultiviewRelease(&h);
        }
}
