// Operation tables of the engine types, in factory order, and the size rule
// that every engine buffer obeys.
#pragma once

#include <cstdint>

#include "engine_handle.h"

extern const CrSingleviewOps kSingleviewOps;
extern const CrMultiviewOps kTopviewOps;
extern const CrMultiviewOps kBowlviewOps1;
extern const CrMultiviewOps kBowlviewOps2;


