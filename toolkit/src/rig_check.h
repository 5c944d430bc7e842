// The checks every rig passes before its records reach an engine, shared by
// the reader (which knows the lines) and validateRig. Internal to the toolkit.
#pragma once

#include "camrig_toolkit/rig.h"
#include "yaml_fields.h"

namespace camrig {

// Limits shared by the reader and the checks.
inline constexpr int kRigMaxSide = 8192;             // image and view width or height, pixels
inline constexpr long long kRigMaxArea = 1LL << 24;  // width x height, pixels
// A view's tables take some 50 bytes a pixel in all: 4M pixels keep them near 200 MB.
inline constexpr long long kRigMaxViewArea = 1LL << 22;
inline constexpr float kRigMaxCoordinate = 1.0e7f;  // positions, world units
inline constexpr size_t kRigMaxSightings = 50;      // a camera record holds 50 pairs

// "cameras.<slot name>", the path of a camera's fields.
std::string rigCameraPath(int slot);

// Throws RigError (file rig.path, the line from `lines`) for the first value
// out of its range or reference that does not resolve.
void checkRig(const Rig& rig, const RigLines& lines);

}  // namespace camrig
