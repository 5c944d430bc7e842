// Operation tables of the engine types, in factory order.
#pragma once

#include "engine_handle.h"

extern const CrEngineSlot kSingleviewOps[kEngineTableSize];
extern const CrEngineSlot kTopviewOps[kEngineTableSize];
extern const CrEngineSlot kBowlviewOps1[kEngineTableSize];
extern const CrEngineSlot kBowlviewOps2[kEngineTableSize];
