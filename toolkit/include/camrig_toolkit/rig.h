// Rig files: a vehicle's cameras, their calibration marks and the views made
// from them, described in YAML (the format is documented in the README).
//
// Every value is checked when a file is read, before any record reaches an
// engine; a problem throws RigError with a one-line message that names the
// file, the line, the field, the value and what is allowed.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "camrig.h"

namespace camrig {

// A problem in a rig (or another input file): what() is one line,
// "<file>:<line>: <field>: <problem>", the line left out when unknown (0).
class RigError : public std::runtime_error {
public:
    RigError(const std::string& file, int line, const std::string& field, const std::string& problem);
    const std::string& file() const { return file_; }
    int line() const { return line_; }
    const std::string& field() const { return field_; }

private:
    std::string file_, field_;
    int line_;
};

// Camera slot names in slot order (CR_SLOT_FRONT .. CR_SLOT_RIGHT).
inline constexpr std::array<const char*, 4> kSlotNames = {"front", "rear", "left", "right"};
// The slot of a camera slot name, -1 for any other name.
int slotOf(const std::string& name);

// A calibration mark: a surveyed point on the ground, calibration frame.
struct Mark {
    std::string id;
    Point2f ground{};
};

// Where one camera sees a mark: a distorted pixel.
struct Sighting {
    std::string mark;
    Point2f pixel{};
};

// A calibration photograph in which the corner detector finds two triangular
// targets. `corners` names the marks of the twelve corners in the detector's
// order: outline corners of targets 0 and 1, then their holes; within each
// triangle the detector's order is free, so the marks of a triangle are
// matched to its corners by where the camera's pose in the rig projects them.
struct Photograph {
    std::string file;  // relative to the rig file's folder, or absolute
    int mode = 0;      // crDetectCorner's search windows, 0..3
    std::array<std::string, 12> corners;
};

// How an imported lens's inverse polynomial fits its forward one.
struct LensFit {
    double maxAngle = 0;  // degrees: the fit covers incidence angles 0..maxAngle
    double maxError = 0;  // pixels: largest round-trip error over that range
};

struct RigCamera {
    int slot = 0;  // CR_SLOT_*: the rig holds at most one camera per slot
    // Intrinsics, image size and pose (position, angles, origin). The
    // calibration pairs are not kept here: cameraRecord() fills them.
    CameraParam param{};
    std::vector<Sighting> sightings;
    std::optional<Photograph> photograph;
    std::string frame;               // a frame picture for the views; optional
    std::optional<LensFit> lensFit;  // set for a lens imported from OpenCV
};

enum class ViewKind { single, top, bowl };

// A view to produce. `multiview` holds a top or bowl view's record (cameras
// left null), `single` a single view's record (camera left null).
struct RigView {
    std::string name;
    ViewKind kind = ViewKind::top;
    int engineType = 0;  // crMultiviewCreate type: 0 top, 1 or 2 bowl
    MultiviewParam multiview{};
    CameraParam viewpoint{};  // bowl views: the virtual pinhole camera
    ViewParam single{};
    std::string camera;  // single views: the slot name of the camera seen
};

struct Rig {
    std::string path;  // the file read or written last; messages and relative names use it
    int carWidth = 0, carLength = 0;
    uint32_t carColor = 0;    // 0x00BBGGRR
    float markTolerance = 0;  // world units: how far a mark may lie from its surveyed place
    std::vector<Mark> marks;
    std::vector<RigCamera> cameras;
    std::vector<RigView> views;
};

// Reads and checks a rig file. Throws RigError on anything wrong: the file
// cannot be read, is not YAML, lacks a field, has a value of the wrong type
// or outside its range, or refers to a mark, camera or view that is not there.
Rig readRig(const std::string& path);
// The same from text; `name` stands for the file in messages.
Rig parseRig(const std::string& text, const std::string& name);

// The rig as YAML text that parseRig reads back to an equal rig (floats are
// written so that they read back to the same bits).
std::string formatRig(const Rig& rig);
// Writes formatRig(rig) to `path` under a temporary name, renamed when
// complete; sets rig.path. Throws RigError when it cannot.
void writeRig(Rig& rig, const std::string& path);

// Checks a rig built or changed in code as readRig checks a file's; throws
// RigError naming the field (line 0).
void validateRig(const Rig& rig);

// The camera in `slot`, or null.
const RigCamera* findCamera(const Rig& rig, int slot);
RigCamera* findCamera(Rig& rig, int slot);
// The view named `name`; throws RigError when there is none.
const RigView& findView(const Rig& rig, const std::string& name);

// The camera's record with its calibration pairs: for each sighting, in
// order, the pixel and the mark's ground position (at most 50).
CameraParam cameraRecord(const Rig& rig, const RigCamera& camera);

// A path named in the rig (photograph, frame), resolved against the rig
// file's folder unless absolute.
std::string rigRelative(const Rig& rig, const std::string& file);

}  // namespace camrig
