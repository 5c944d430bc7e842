// The rig's records: errors, lookups and the camera records the library reads.
#include <algorithm>
#include <cstring>

#include "camrig_toolkit/rig.h"

namespace camrig {

namespace {

std::string crErrorText(const std::string& file, int line, const std::string& field, const std::string& problem) {
    std::string text = file;
    if (line > 0) text += ":" + std::to_string(line);
    if (!text.empty()) text += ": ";
    if (!field.empty()) text += field + ": ";
    return text + problem;
}

}  // namespace

RigError::RigError(const std::string& file, int line, const std::string& field, const std::string& problem)
    : std::runtime_error(crErrorText(file, line, field, problem)), file_(file), field_(field), line_(line) {}

int slotOf(const std::string& name) {
    for (size_t slot = 0; slot < kSlotNames.size(); ++slot)
        if (name == kSlotNames[slot]) return static_cast<int>(slot);
    return -1;
}

const RigCamera* findCamera(const Rig& rig, int slot) {
    for (const RigCamera& c : rig.cameras)
        if (c.slot == slot) return &c;
    return nullptr;
}

RigCamera* findCamera(Rig& rig, int slot) {
    return const_cast<RigCamera*>(findCamera(static_cast<const Rig&>(rig), slot));
}

const RigView& findView(const Rig& rig, const std::string& name) {
    for (const RigView& v : rig.views)
        if (v.name == name) return v;
    throw RigError(rig.path, 0, "views", "no view named \"" + name + "\"");
}

CameraParam cameraRecord(const Rig& rig, const RigCamera& camera) {
    CameraParam cam = camera.param;
    std::memset(cam.imagePoints, 0, sizeof cam.imagePoints);
    std::memset(cam.worldPoints, 0, sizeof cam.worldPoints);
    int count = 0;
    for (const Sighting& s : camera.sightings) {
        if (count == 50) break;
        const auto mark =
            std::find_if(rig.marks.begin(), rig.marks.end(), [&](const Mark& m) { return m.id == s.mark; });
        if (mark == rig.marks.end()) continue;  // validation rejects such a sighting
        cam.imagePoints[count] = s.pixel;
        cam.worldPoints[count] = mark->ground;
        ++count;
    }
    cam.pointCount = count;
    return cam;
}

std::string rigRelative(const Rig& rig, const std::string& file) {
    if (file.empty() || file[0] == '/') return file;
    const size_t slash = rig.path.find_last_of('/');
    return slash == std::string::npos ? file : rig.path.substr(0, slash + 1) + file;
}

}  // namespace camrig
