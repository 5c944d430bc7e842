// Ranges and references of a rig's records: what the engines need to build
// sane tables and what keeps a typo from reaching them.
#include "rig_check.h"

#include <cmath>
#include <set>

namespace camrig {

namespace {

constexpr float kMaxLength = 1.0e6f;  // focal lengths, scales, polynomial terms' sizes are far below

class crChecker {
public:
    crChecker(const Rig& rig, const RigLines& lines) : rig_(rig), lines_(lines) {}

    [[noreturn]] void fail(const std::string& path, const std::string& problem) const {
        throw RigError(rig_.path, rigLine(lines_, path), path, problem);
    }
    void range(const std::string& path, double value, double min, double max, const char* allowed) const {
        if (!(value >= min && value <= max))
            fail(path, "out of range (value " + numberText(value) + ", allowed " + allowed + ")");
    }
    void positive(const std::string& path, double value, double max = kMaxLength) const {
        if (!(value > 0 && value <= max))
            fail(path,
                 "out of range (value " + numberText(value) + ", allowed > 0 and at most " + numberText(max) + ")");
    }
    void finite(const std::string& path, double value, double bound = kRigMaxCoordinate) const {
        if (!(std::fabs(value) <= bound))
            fail(path, "out of range (value " + numberText(value) + ", allowed finite, at most " + numberText(bound) +
                           " in size)");
    }
    void integer(const std::string& path, int value, int min, int max) const {
        if (value < min || value > max)
            fail(path, "out of range (value " + std::to_string(value) + ", allowed " + std::to_string(min) + ".." +
                           std::to_string(max) + ")");
    }
    void size(const std::string& path, int width, int height, long long area = kRigMaxArea) const {
        integer(path + "[0]", width, 1, kRigMaxSide);
        integer(path + "[1]", height, 1, kRigMaxSide);
        if (static_cast<long long>(width) * height > area)
            fail(path, "too large (value " + std::to_string(width) + " x " + std::to_string(height) +
                           ", allowed at most " + std::to_string(area) + " pixels)");
    }
    void pose(const std::string& path, const CameraParam& c) const {
        finite(path + ".position[0]", c.positionX);
        finite(path + ".position[1]", c.positionY);
        if (!(c.positionZ < 0 && c.positionZ >= -kRigMaxCoordinate))
            fail(path + ".position[2]",
                 "out of range (value " + numberText(c.positionZ) + ", allowed < 0: the camera lies above the ground)");
        range(path + ".angles.x", c.angleX, -360, 360, "-360..360");
        range(path + ".angles.y", c.angleY, -360, 360, "-360..360");
        range(path + ".angles.z", c.angleZ, -360, 360, "-360..360");
        finite(path + ".origin[0]", c.originX);
        finite(path + ".origin[1]", c.originY);
    }
    bool hasMark(const std::string& id) const { return marks_.count(id) != 0; }

    void marks();
    void camera(const RigCamera& camera);
    void view(size_t index, const RigView& view);

private:
    void lens(const std::string& path, const RigCamera& camera) const;
    void sightings(const std::string& path, const RigCamera& camera) const;
    void multiview(const std::string& path, const RigView& view) const;
    void bowl(const std::string& path, const RigView& view) const;
    void single(const std::string& path, const RigView& view) const;

    const Rig& rig_;
    const RigLines& lines_;
    std::set<std::string> marks_;
};

void crChecker::marks() {
    for (size_t i = 0; i < rig_.marks.size(); ++i) {
        const Mark& m = rig_.marks[i];
        const std::string path = fieldIndex("marks", i);
        if (m.id.empty()) fail(path + ".id", "empty");
        if (!marks_.insert(m.id).second) fail(path + ".id", "duplicate id (value \"" + m.id + "\")");
        finite(path + ".ground[0]", m.ground.x);
        finite(path + ".ground[1]", m.ground.y);
    }
}

void crChecker::lens(const std::string& path, const RigCamera& camera) const {
    const CameraParam& c = camera.param;
    positive(path + ".focal_length", c.focalLength);
    positive(path + ".pixel_scale[0]", c.pixelScaleX);
    positive(path + ".pixel_scale[1]", c.pixelScaleY);
    finite(path + ".principal_point[0]", c.principalX);
    finite(path + ".principal_point[1]", c.principalY);
    // Image height must grow with the angle from the centre on.
    positive(path + ".distortion[0]", c.distortion[0]);
    for (int i = 1; i < 5; ++i) finite(fieldIndex(path + ".distortion", i), c.distortion[i], 3.0e38);
    for (int i = 0; i < 9; ++i) finite(fieldIndex(path + ".undistortion", i), c.undistortion[i], 3.0e38);
    if (camera.lensFit) {
        range(path + "_fit.max_angle", camera.lensFit->maxAngle, 0, 180, "0..180");
        range(path + "_fit.max_error", camera.lensFit->maxError, 0, 1.0e9, "0..1e9");
    }
}

void crChecker::sightings(const std::string& path, const RigCamera& camera) const {
    if (camera.sightings.size() > kRigMaxSightings)
        fail(path, "too many (value " + std::to_string(camera.sightings.size()) + ", allowed at most " +
                       std::to_string(kRigMaxSightings) + ")");
    const CameraParam& c = camera.param;
    std::set<std::string> seen;
    for (size_t i = 0; i < camera.sightings.size(); ++i) {
        const Sighting& s = camera.sightings[i];
        const std::string at = fieldIndex(path, i);
        if (!hasMark(s.mark)) fail(at + ".mark", "unknown mark (value \"" + s.mark + "\")");
        if (!seen.insert(s.mark).second) fail(at + ".mark", "mark seen twice (value \"" + s.mark + "\")");
        // Pixel centres are whole numbers: the image spans -0.5 .. size - 0.5.
        range(at + ".pixel[0]", s.pixel.x, -0.5, c.imageWidth - 0.5, "inside the image");
        range(at + ".pixel[1]", s.pixel.y, -0.5, c.imageHeight - 0.5, "inside the image");
    }
}

void crChecker::camera(const RigCamera& camera) {
    const std::string path = rigCameraPath(camera.slot);
    const CameraParam& c = camera.param;
    size(path + ".image", c.imageWidth, c.imageHeight);
    lens(path + ".lens", camera);
    const bool posed = c.positionX != 0 || c.positionY != 0 || c.positionZ != 0 || c.angleX != 0 || c.angleY != 0 ||
                       c.angleZ != 0 || c.originX != 0 || c.originY != 0;
    if (posed) pose(path + ".pose", c);
    sightings(path + ".sightings", camera);
    if (camera.photograph) {
        const Photograph& p = *camera.photograph;
        if (p.file.empty()) fail(path + ".photograph.file", "empty");
        integer(path + ".photograph.mode", p.mode, 0, 3);
        for (size_t i = 0; i < p.corners.size(); ++i)
            if (!hasMark(p.corners[i]))
                fail(fieldIndex(path + ".photograph.corners", i), "unknown mark (value \"" + p.corners[i] + "\")");
    }
}

void crChecker::multiview(const std::string& path, const RigView& view) const {
    const MultiviewParam& p = view.multiview;
    size(path + ".size", p.viewWidth, p.viewHeight, kRigMaxViewArea);
    finite(path + ".centre[0]", p.viewCenterX);
    finite(path + ".centre[1]", p.viewCenterY);
    range(path + ".front_fov", p.frontFov, 1.0e-3, 360, "(0, 360]");
    range(path + ".rear_fov", p.rearFov, 1.0e-3, 360, "(0, 360]");
    range(path + ".blend_angle", p.blendAngle, 0, 90, "0..90");
    integer(path + ".mode", p.mode, 0, 5);
    const uint32_t known =
        CR_MULTI_BILINEAR | CR_MULTI_BICUBIC | CR_MULTI_TINT | (view.kind == ViewKind::top ? CR_MULTI_TURNED : 0u);
    if ((p.flags & ~known) != 0 || (p.flags & CR_MULTI_BILINEAR && p.flags & CR_MULTI_BICUBIC))
        fail(path, "flags not allowed for this view (value " + std::to_string(p.flags) + ")");
    // The engines sample every frame at the front camera's size.
    const RigCamera* front = findCamera(rig_, CR_SLOT_FRONT);
    for (int slot = 0; slot < 4; ++slot) {
        const RigCamera* camera = findCamera(rig_, slot);
        if (!camera) fail(rigCameraPath(slot), "missing (view \"" + view.name + "\" needs a camera in every slot)");
        const CameraParam& c = camera->param;
        if (c.imageWidth != front->param.imageWidth || c.imageHeight != front->param.imageHeight)
            fail(rigCameraPath(slot) + ".image",
                 "differs from the front camera's (value " + std::to_string(c.imageWidth) + " x " +
                     std::to_string(c.imageHeight) + ", allowed " + std::to_string(front->param.imageWidth) + " x " +
                     std::to_string(front->param.imageHeight) + " for view \"" + view.name + "\")");
    }
}

void crChecker::bowl(const std::string& path, const RigView& view) const {
    const MultiviewParam& p = view.multiview;
    integer(path + ".engine", view.engineType, 1, 2);
    range(path + ".bowl.wall[0]", p.bowlWallX, 0, kRigMaxCoordinate, "0..1e7");
    positive(path + ".bowl.wall[1]", p.bowlWallY, kRigMaxCoordinate);
    range(path + ".bowl.height", p.bowlHeight, 0, kRigMaxCoordinate, "0..1e7");
    positive(path + ".bowl.floor_y", p.bowlFloorY, kRigMaxCoordinate);
    const CameraParam& v = view.viewpoint;
    positive(path + ".viewpoint.pixel_scale[0]", v.pixelScaleX);
    positive(path + ".viewpoint.pixel_scale[1]", v.pixelScaleY);
    pose(path + ".viewpoint", v);
}

void crChecker::single(const std::string& path, const RigView& view) const {
    const ViewParam& p = view.single;
    if (slotOf(view.camera) < 0)
        fail(path + ".camera", "unknown camera (value \"" + view.camera + "\", allowed front, rear, left, right)");
    if (!findCamera(rig_, slotOf(view.camera))) fail(path + ".camera", "no such camera in the rig");
    size(path + ".size", p.outWidth, p.outHeight, kRigMaxViewArea);
    finite(path + ".centre[0]", p.centerX);
    finite(path + ".centre[1]", p.centerY);
    const uint32_t known = CR_VIEW_BILINEAR | CR_VIEW_BICUBIC | CR_VIEW_LENS | CR_VIEW_RADIAL | CR_VIEW_FLIP |
                           CR_VIEW_MIRROR | CR_VIEW_FOLD | CR_VIEW_OVERLAY | CR_VIEW_SPLIT | CR_VIEW_ROWWISE;
    if ((p.flags & ~known) != 0 || (p.flags & CR_VIEW_BILINEAR && p.flags & CR_VIEW_BICUBIC))
        fail(path + ".flags", "not allowed (value " + std::to_string(p.flags) + ")");
    finite(path + ".mode_param", p.modeParam, kMaxLength);
    range(path + ".keystone[0]", p.keystoneX, -89, 89, "-89..89");
    range(path + ".keystone[1]", p.keystoneY, -89, 89, "-89..89");
    finite(path + ".shift[0]", p.shiftX);
    finite(path + ".shift[1]", p.shiftY);
    range(path + ".rotation", p.rotation, -360, 360, "-360..360");
    positive(path + ".zoom[0]", p.zoomX);
    positive(path + ".zoom[1]", p.zoomY);
    finite(path + ".shear[0]", p.shearX, kMaxLength);
    finite(path + ".shear[1]", p.shearY, kMaxLength);
    range(path + ".band_width", p.bandWidth, 0, kRigMaxSide, "0..8192");
    positive(path + ".overlay_scale", p.overlayScale);
    integer(path + ".overlay_offset", p.overlayOffset, -100000000, 100000000);
}

bool crIsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

void crChecker::view(size_t index, const RigView& view) {
    bool plain = !view.name.empty();
    for (char c : view.name) plain = plain && crIsNameCharacter(c);
    // Output files are named after the view.
    if (!plain)
        fail(fieldIndex("views", index) + ".name",
             "not a plain name (value \"" + view.name + "\", allowed letters, digits, _ and -)");
    const std::string path = "views." + view.name;
    switch (view.kind) {
    case ViewKind::top:
        integer(path + ".engine", view.engineType, 0, 0);
        multiview(path, view);
        positive(path + ".scale", view.multiview.scale);
        integer(path + ".line_width", view.multiview.lineWidth, 0, 64);
        break;
    case ViewKind::bowl:
        multiview(path, view);
        bowl(path, view);
        break;
    case ViewKind::single: single(path, view); break;
    default: fail(path + ".type", "unknown view type");
    }
}

}  // namespace

std::string rigCameraPath(int slot) {
    return slot >= 0 && slot < 4 ? std::string("cameras.") + kSlotNames[slot] : fieldIndex("cameras", slot);
}

void checkRig(const Rig& rig, const RigLines& lines) {
    crChecker check(rig, lines);
    check.integer("vehicle.width", rig.carWidth, 1, 1000000);
    check.integer("vehicle.length", rig.carLength, 1, 1000000);
    if (rig.carColor > 0xFFFFFFu) check.fail("vehicle.colour", "not a colour 0x00BBGGRR");
    check.range("mark_tolerance", rig.markTolerance, 0, kRigMaxCoordinate, "0..1e7");
    check.marks();
    std::set<int> slots;
    for (size_t i = 0; i < rig.cameras.size(); ++i) {
        const int slot = rig.cameras[i].slot;
        if (slot < 0 || slot > 3) check.fail(fieldIndex("cameras", i), "unknown slot " + std::to_string(slot));
        if (!slots.insert(slot).second) check.fail(rigCameraPath(slot), "two cameras in one slot");
        check.camera(rig.cameras[i]);
    }
    std::set<std::string> names;
    for (size_t i = 0; i < rig.views.size(); ++i) {
        if (!names.insert(rig.views[i].name).second)
            check.fail(fieldIndex("views", i) + ".name", "duplicate name (value \"" + rig.views[i].name + "\")");
        check.view(i, rig.views[i]);
    }
}

void validateRig(const Rig& rig) { checkRig(rig, RigLines{}); }

}  // namespace camrig
