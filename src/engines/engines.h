// Operation tables of the engine types, in factory order, and what the
// engines' overlays share.
#pragma once

#include <cstdint>

#include "engine_handle.h"

extern const CrSingleviewOps kSingleviewOps;
extern const CrMultiviewOps kTopviewOps;
extern const CrMultiviewOps kBowlviewOps1;
extern const CrMultiviewOps kBowlviewOps2;

// An opaque overlay byte kept within 1..254, where no byte can make its pixel
// read as transparent or as a blend-map camera code.
inline unsigned char crOpaqueByte(unsigned char b) { return b == 0 ? 1 : b == 255 ? 254 : b; }
