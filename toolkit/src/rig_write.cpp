// Writing rig files: the records as YAML that reads back to the same values,
// small records on one line each so that the file stays readable.
#include <yaml-cpp/yaml.h>

#include <charconv>
#include <cmath>
#include <utility>

#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

// The shortest text that reads back to the same bits: 0.1f is written
// "0.1", not "0.100000001".
template <typename T> std::string crShortest(T value) {
    char text[48];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

const char* crSamplingName(uint32_t flags, uint32_t bilinear, uint32_t bicubic) {
    if (flags & bicubic) return "bicubic";
    return flags & bilinear ? "bilinear" : "nearest";
}

void crPair(YAML::Emitter& out, const char* key, float x, float y) {
    out << YAML::Key << key << YAML::Value << YAML::Flow << YAML::BeginSeq << crShortest(x) << crShortest(y)
        << YAML::EndSeq;
}

void crNumbers(YAML::Emitter& out, const char* key, const float* values, int count) {
    out << YAML::Key << key << YAML::Value << YAML::Flow << YAML::BeginSeq;
    for (int i = 0; i < count; ++i) out << crShortest(values[i]);
    out << YAML::EndSeq;
}

void crVehicle(YAML::Emitter& out, const Rig& rig) {
    out << YAML::Key << "vehicle" << YAML::Value << YAML::Flow << YAML::BeginMap;
    out << YAML::Key << "width" << YAML::Value << rig.carWidth;
    out << YAML::Key << "length" << YAML::Value << rig.carLength;
    out << YAML::Key << "colour" << YAML::Value << YAML::Flow << YAML::BeginSeq << (rig.carColor >> 16 & 0xFF)
        << (rig.carColor >> 8 & 0xFF) << (rig.carColor & 0xFF) << YAML::EndSeq;
    out << YAML::EndMap;
}

void crMarks(YAML::Emitter& out, const Rig& rig) {
    out << YAML::Key << "marks" << YAML::Value << YAML::BeginSeq;
    for (const Mark& m : rig.marks) {
        out << YAML::Flow << YAML::BeginMap << YAML::Key << "id" << YAML::Value << m.id;
        crPair(out, "ground", m.ground.x, m.ground.y);
        out << YAML::EndMap;
    }
    out << YAML::EndSeq;
}

void crLens(YAML::Emitter& out, const RigCamera& camera) {
    const CameraParam& c = camera.param;
    out << YAML::Key << "lens" << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "focal_length" << YAML::Value << crShortest(c.focalLength);
    crPair(out, "pixel_scale", c.pixelScaleX, c.pixelScaleY);
    crPair(out, "principal_point", c.principalX, c.principalY);
    crNumbers(out, "distortion", c.distortion, 5);
    crNumbers(out, "undistortion", c.undistortion, 9);
    out << YAML::EndMap;
    if (camera.lensFit) {
        out << YAML::Key << "lens_fit" << YAML::Value << YAML::Flow << YAML::BeginMap;
        out << YAML::Key << "max_angle" << YAML::Value << crShortest(camera.lensFit->maxAngle);
        out << YAML::Key << "max_error" << YAML::Value << crShortest(camera.lensFit->maxError);
        out << YAML::EndMap;
    }
}

void crPoseFields(YAML::Emitter& out, const CameraParam& c) {
    const float position[3] = {c.positionX, c.positionY, c.positionZ};
    crNumbers(out, "position", position, 3);
    out << YAML::Key << "angles" << YAML::Value << YAML::Flow << YAML::BeginMap;
    out << YAML::Key << "x" << YAML::Value << crShortest(c.angleX) << YAML::Key << "y" << YAML::Value
        << crShortest(c.angleY);
    out << YAML::Key << "z" << YAML::Value << crShortest(c.angleZ) << YAML::EndMap;
    crPair(out, "origin", c.originX, c.originY);
}

bool crPosed(const CameraParam& c) {
    const float fields[] = {c.positionX, c.positionY, c.positionZ, c.angleX, c.angleY, c.angleZ, c.originX, c.originY};
    for (float f : fields)
        if (f != 0 || std::signbit(f)) return true;
    return false;
}

void crCamera(YAML::Emitter& out, const RigCamera& camera) {
    const CameraParam& c = camera.param;
    out << YAML::Key << kSlotNames[camera.slot & 3] << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "image" << YAML::Value << YAML::Flow << YAML::BeginSeq << c.imageWidth << c.imageHeight
        << YAML::EndSeq;
    crLens(out, camera);
    if (crPosed(c)) {
        out << YAML::Key << "pose" << YAML::Value << YAML::Flow << YAML::BeginMap;
        crPoseFields(out, c);
        out << YAML::EndMap;
    }
    if (!camera.sightings.empty()) {
        out << YAML::Key << "sightings" << YAML::Value << YAML::BeginSeq;
        for (const Sighting& s : camera.sightings) {
            out << YAML::Flow << YAML::BeginMap << YAML::Key << "mark" << YAML::Value << s.mark;
            crPair(out, "pixel", s.pixel.x, s.pixel.y);
            out << YAML::EndMap;
        }
        out << YAML::EndSeq;
    }
    if (camera.photograph) {
        const Photograph& p = *camera.photograph;
        out << YAML::Key << "photograph" << YAML::Value << YAML::BeginMap;
        out << YAML::Key << "file" << YAML::Value << p.file << YAML::Key << "mode" << YAML::Value << p.mode;
        out << YAML::Key << "corners" << YAML::Value << YAML::Flow << YAML::BeginSeq;
        for (const std::string& id : p.corners) out << id;
        out << YAML::EndSeq << YAML::EndMap;
    }
    if (!camera.frame.empty()) out << YAML::Key << "frame" << YAML::Value << camera.frame;
    out << YAML::EndMap;
}

void crMultiviewFields(YAML::Emitter& out, const RigView& view) {
    const MultiviewParam& p = view.multiview;
    out << YAML::Key << "size" << YAML::Value << YAML::Flow << YAML::BeginSeq << p.viewWidth << p.viewHeight
        << YAML::EndSeq;
    crPair(out, "centre", p.viewCenterX, p.viewCenterY);
    out << YAML::Key << "mode" << YAML::Value << p.mode;
    out << YAML::Key << "sampling" << YAML::Value << crSamplingName(p.flags, CR_MULTI_BILINEAR, CR_MULTI_BICUBIC);
    out << YAML::Key << "tint" << YAML::Value << (p.flags & CR_MULTI_TINT ? true : false);
    out << YAML::Key << "front_fov" << YAML::Value << crShortest(p.frontFov);
    out << YAML::Key << "rear_fov" << YAML::Value << crShortest(p.rearFov);
    out << YAML::Key << "blend_angle" << YAML::Value << crShortest(p.blendAngle);
}

void crTopFields(YAML::Emitter& out, const RigView& view) {
    const MultiviewParam& p = view.multiview;
    crMultiviewFields(out, view);
    out << YAML::Key << "scale" << YAML::Value << crShortest(p.scale);
    out << YAML::Key << "line_width" << YAML::Value << p.lineWidth;
    out << YAML::Key << "turned" << YAML::Value << (p.flags & CR_MULTI_TURNED ? true : false);
}

void crBowlFields(YAML::Emitter& out, const RigView& view) {
    const MultiviewParam& p = view.multiview;
    out << YAML::Key << "engine" << YAML::Value << view.engineType;
    crMultiviewFields(out, view);
    out << YAML::Key << "bowl" << YAML::Value << YAML::Flow << YAML::BeginMap;
    crPair(out, "wall", p.bowlWallX, p.bowlWallY);
    out << YAML::Key << "height" << YAML::Value << crShortest(p.bowlHeight);
    out << YAML::Key << "floor_y" << YAML::Value << crShortest(p.bowlFloorY) << YAML::EndMap;
    out << YAML::Key << "viewpoint" << YAML::Value << YAML::Flow << YAML::BeginMap;
    crPair(out, "pixel_scale", view.viewpoint.pixelScaleX, view.viewpoint.pixelScaleY);
    crPoseFields(out, view.viewpoint);
    out << YAML::EndMap;
}

void crSingleFields(YAML::Emitter& out, const RigView& view) {
    static const std::pair<const char*, uint32_t> kFlags[] = {
        {"lens", CR_VIEW_LENS}, {"radial", CR_VIEW_RADIAL},   {"flip", CR_VIEW_FLIP},   {"mirror", CR_VIEW_MIRROR},
        {"fold", CR_VIEW_FOLD}, {"overlay", CR_VIEW_OVERLAY}, {"split", CR_VIEW_SPLIT}, {"rowwise", CR_VIEW_ROWWISE},
    };
    const ViewParam& p = view.single;
    out << YAML::Key << "camera" << YAML::Value << view.camera;
    out << YAML::Key << "size" << YAML::Value << YAML::Flow << YAML::BeginSeq << p.outWidth << p.outHeight
        << YAML::EndSeq;
    crPair(out, "centre", p.centerX, p.centerY);
    out << YAML::Key << "flags" << YAML::Value << YAML::Flow << YAML::BeginSeq;
    for (const auto& flag : kFlags)
        if (p.flags & flag.second) out << flag.first;
    out << YAML::EndSeq;
    out << YAML::Key << "sampling" << YAML::Value << crSamplingName(p.flags, CR_VIEW_BILINEAR, CR_VIEW_BICUBIC);
    out << YAML::Key << "mode_param" << YAML::Value << crShortest(p.modeParam);
    crPair(out, "keystone", p.keystoneX, p.keystoneY);
    crPair(out, "shift", p.shiftX, p.shiftY);
    out << YAML::Key << "rotation" << YAML::Value << crShortest(p.rotation);
    crPair(out, "zoom", p.zoomX, p.zoomY);
    crPair(out, "shear", p.shearX, p.shearY);
    out << YAML::Key << "band_width" << YAML::Value << crShortest(p.bandWidth);
    out << YAML::Key << "overlay_scale" << YAML::Value << crShortest(p.overlayScale);
    out << YAML::Key << "overlay_offset" << YAML::Value << p.overlayOffset;
}

void crView(YAML::Emitter& out, const RigView& view) {
    static const char* const kKinds[] = {"single", "top", "bowl"};
    out << YAML::Flow << YAML::BeginMap;
    out << YAML::Key << "name" << YAML::Value << view.name;
    out << YAML::Key << "type" << YAML::Value << kKinds[static_cast<int>(view.kind) % 3];
    switch (view.kind) {
    case ViewKind::top: crTopFields(out, view); break;
    case ViewKind::bowl: crBowlFields(out, view); break;
    case ViewKind::single: crSingleFields(out, view); break;
    }
    out << YAML::EndMap;
}

}  // namespace

std::string formatRig(const Rig& rig) {
    YAML::Emitter out;
    out << YAML::BeginMap;
    crVehicle(out, rig);
    out << YAML::Key << "mark_tolerance" << YAML::Value << crShortest(rig.markTolerance);
    crMarks(out, rig);
    out << YAML::Key << "cameras" << YAML::Value << YAML::BeginMap;
    for (const RigCamera& camera : rig.cameras) crCamera(out, camera);
    out << YAML::EndMap;
    out << YAML::Key << "views" << YAML::Value << YAML::BeginSeq;
    for (const RigView& view : rig.views) crView(out, view);
    out << YAML::EndSeq;
    out << YAML::EndMap;
    return std::string(out.c_str()) + "\n";
}

void writeRig(Rig& rig, const std::string& path) {
    writeFileAtomically(path, formatRig(rig));
    rig.path = path;
}

}  // namespace camrig
