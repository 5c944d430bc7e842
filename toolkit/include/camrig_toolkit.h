// camrig's toolkit: rig files, picture files, target-binary decoders,
// calibration with pose refinement and views, over the camrig library.
#pragma once

#include "camrig_toolkit/calibrate.h"
#include "camrig_toolkit/corners.h"
#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/lens.h"
#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"
#include "camrig_toolkit/views.h"
