// The engine records of a rig's views, and the check that the frames fit them.
#include <string>

#include "camrig_toolkit/views.h"

namespace camrig {

namespace {

std::string crSizeText(int width, int height) { return std::to_string(width) + " x " + std::to_string(height); }

std::string crCameraField(int slot, const char* what) {
    return std::string("cameras.") + kSlotNames[slot] + "." + what;
}

const RigCamera& crSlotCamera(const Rig& rig, const RigView& view, int slot) {
    const RigCamera* camera = findCamera(rig, slot);
    if (!camera)
        throw RigError(rig.path, 0, std::string("cameras.") + kSlotNames[slot],
                       "missing (view \"" + view.name + "\" needs a camera in every slot)");
    return *camera;
}

// The slot of a single view's camera, named by its slot name.
int crViewSlot(const Rig& rig, const RigView& view) {
    const int slot = slotOf(view.camera);
    if (slot >= 0) return slot;
    throw RigError(rig.path, 0, "views." + view.name + ".camera",
                   "unknown camera \"" + view.camera + "\" (allowed front, rear, left, right)");
}

void crCheckFrame(const Rig& rig, int slot, const Picture& frame) {
    const RigCamera& camera = *findCamera(rig, slot);
    const int width = camera.param.imageWidth, height = camera.param.imageHeight;
    const std::string name = camera.frame.empty() ? "the frame" : camera.frame;
    if (frame.width != width || frame.height != height)
        throw RigError(rig.path, 0, crCameraField(slot, "frame"),
                       name + " is " + crSizeText(frame.width, frame.height) + ", the camera's image is " +
                           crSizeText(width, height));
    // A picture made in code may carry fewer bytes than its size promises.
    if (frame.width < 1 || frame.height < 1 ||
        frame.pixels.size() != static_cast<size_t>(crImageStride(3, frame.width)) * frame.height)
        throw RigError(rig.path, 0, crCameraField(slot, "frame"),
                       name + " holds " + std::to_string(frame.pixels.size()) + " bytes, not a " +
                           crSizeText(frame.width, frame.height) + " picture");
}

}  // namespace

void makeMultiviewRecords(const Rig& rig, const RigView& view, MultiviewRecords* out) {
    const CameraParam& first = crSlotCamera(rig, view, CR_SLOT_FRONT).param;
    for (int slot = 0; slot < 4; ++slot) {
        const RigCamera& camera = crSlotCamera(rig, view, slot);
        // The engines sample every camera's frame at the front camera's size.
        if (camera.param.imageWidth != first.imageWidth || camera.param.imageHeight != first.imageHeight)
            throw RigError(rig.path, 0, crCameraField(slot, "image"),
                           crSizeText(camera.param.imageWidth, camera.param.imageHeight) +
                               " differs from the front camera's " + crSizeText(first.imageWidth, first.imageHeight) +
                               " (view \"" + view.name + "\" needs equal image sizes)");
        out->cams[slot] = cameraRecord(rig, camera);
    }
    out->cams[4] = view.viewpoint;
    out->param = view.multiview;
    out->param.carWidth = rig.carWidth;
    out->param.carLength = rig.carLength;
    out->param.carColor = rig.carColor;
    out->param.cameras = out->cams.data();
}

void makeSingleviewRecords(const Rig& rig, const RigView& view, SingleviewRecords* out) {
    const int slot = crViewSlot(rig, view);
    out->cam = cameraRecord(rig, crSlotCamera(rig, view, slot));
    out->param = view.single;
    out->param.camera = &out->cam;
}

void checkFrames(const Rig& rig, const RigView& view, const std::vector<Picture>& frames) {
    const bool single = view.kind == ViewKind::single;
    const size_t wanted = single ? 1 : 4;
    if (frames.size() != wanted)
        throw RigError(rig.path, 0, "views." + view.name,
                       std::to_string(frames.size()) + " frames given, the view takes " + std::to_string(wanted));
    if (single) {
        const int slot = crViewSlot(rig, view);
        crSlotCamera(rig, view, slot);
        crCheckFrame(rig, slot, frames[0]);
        return;
    }
    for (int slot = 0; slot < 4; ++slot) {
        crSlotCamera(rig, view, slot);
        crCheckFrame(rig, slot, frames[slot]);
    }
}

}  // namespace camrig
