// Operation tables of the engine types, in factory order.
#pragma once

#include "engine_handle.h"

extern const CrEngineSlot kSingleviewOps[kSingleSlotCount];
extern const CrEngineSlot kTopviewOps[kMultiSlotCount];
extern const CrEngineSlot kBowlviewOps1[kMultiSlotCount];
extern const CrEngineSlot kBowlviewOps2[kMultiSlotCount];
