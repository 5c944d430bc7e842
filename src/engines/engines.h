// Operation tables of the engine types, in factory order, and the size rule
// that every engine buffer obeys.
#pragma once

#include <cstdint>

#include "engine_handle.h"

extern const CrSingleviewOps kSingleviewOps;
extern const CrMultiviewOps kTopviewOps;
extern const CrMultiviewOps kBowlviewOps1;
extern const CrMultiviewOps kBowlviewOps2;

// A request whose byte count does not fit the records' 32-bit size fields
// (or is negative) counts as an allocation that failed.
inline bool crFitsRecordBytes(int64_t bytes) { return bytes >= 0 && bytes <= INT32_MAX; }

