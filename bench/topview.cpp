// Top view from the synthetic four-camera rig: Init and Apply of the camrig
// engine against the usual OpenCV surround-view pipeline, single-threaded.
// Prints camrig / OpenCV per case after the run.
#include "multiview_bench.h"

namespace {

MultiviewParam crTopviewRecord(CameraParam* cams, int viewWidth, int viewHeight) {
    crSceneRig(cams);
    MultiviewParam param = crSceneTopview(cams, viewWidth, viewHeight);
    param.flags = CR_MULTI_BILINEAR;
    return param;
}

}  // namespace

int main(int argc, char** argv) { return crRunMultiviewBenchmarks(argc, argv, "Top view", 0, crTopviewRecord); }
