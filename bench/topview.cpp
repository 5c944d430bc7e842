// Top view from the synthetic four-camera rig: Init and Apply of the camrig
// engine against the usual OpenCV surround-view pipeline, single-threaded,
// for the two common cases and a tall 1200 x 1600 view. Prints camrig /
// OpenCV per case after the run.
#include "multiview_bench.h"

int main(int argc, char** argv) { return crRunMultiviewBenchmarks(argc, argv, "Top view", 0, crBenchTopviewRecord, 3); }
