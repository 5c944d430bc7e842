// rig_info: reads a rig file with the camrig toolkit and lists its cameras
// and views. Usage: rig_info RIG.yaml
#include <camrig_toolkit/rig.h>

#include <cstdio>

namespace {

const char* kindName(camrig::ViewKind kind) {
    switch (kind) {
    case camrig::ViewKind::single: return "single";
    case camrig::ViewKind::top: return "top";
    case camrig::ViewKind::bowl: return "bowl";
    }
    return "?";
}

void printCamera(const camrig::Rig& rig, const camrig::RigCamera& camera) {
    const CameraParam cam = camrig::cameraRecord(rig, camera);
    std::printf("camera %s: %d x %d, at (%.0f, %.0f, %.0f), angles x %.2f y %.2f z %.2f, %d calibration pairs%s%s\n",
                camrig::kSlotNames[camera.slot], cam.imageWidth, cam.imageHeight, cam.positionX, cam.positionY,
                cam.positionZ, cam.angleX, cam.angleY, cam.angleZ, cam.pointCount,
                camera.frame.empty() ? "" : ", frame ", camera.frame.c_str());
}

void printView(const camrig::RigView& view) {
    if (view.kind == camrig::ViewKind::single) {
        std::printf("view %s: single, %d x %d, camera %s\n", view.name.c_str(), view.single.outWidth,
                    view.single.outHeight, view.camera.c_str());
        return;
    }
    std::printf("view %s: %s (engine %d), %d x %d\n", view.name.c_str(), kindName(view.kind), view.engineType,
                view.multiview.viewWidth, view.multiview.viewHeight);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RIG.yaml\n", argv[0]);
        return 2;
    }
    try {
        const camrig::Rig rig = camrig::readRig(argv[1]);
        std::printf("%s: vehicle %d x %d, %zu marks\n", rig.path.c_str(), rig.carWidth, rig.carLength,
                    rig.marks.size());
        for (const camrig::RigCamera& camera : rig.cameras) printCamera(rig, camera);
        for (const camrig::RigView& view : rig.views) printView(view);
    } catch (const camrig::RigError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
