// Bowl view (engine type 1) of the synthetic four-camera rig, seen from
// behind the vehicle: Init, which calibrates the four cameras from their
// ground marks and builds the tables, and Apply of the camrig engine against
// the usual OpenCV surround-view pipeline, single-threaded. Prints camrig /
// OpenCV per case after the run.
#include "multiview_bench.h"

namespace {

MultiviewParam crBowlviewRecord(CameraParam* cams, int viewWidth, int viewHeight) {
    return crSceneBowlview(cams, viewWidth, viewHeight, SceneViewpoint::behind);
}

}  // namespace

int main(int argc, char** argv) {
    return crRunMultiviewBenchmarks(argc, argv, "Bowl view (engine type 1, seen from behind)", 1, crBowlviewRecord, 2);
}
