// camrig_demo: films a synthetic ground scene with a sample fisheye camera and
// a four-camera rig, then runs the library's camera model, single-view engine,
// top-view engine and bowl-view engines on it, calibrates the rig's cameras
// from photographs of targets, and writes every picture and table to a
// folder.
#include <cstdio>

#include "demo.h"

int main(int argc, char** argv) {
    DemoOptions options;
    if (!crParseDemoOptions(argc, argv, &options)) return 2;
    if (!crMakeDemoFolder(options.outDir)) {
        std::fprintf(stderr, "cannot create the output folder %s\n", options.outDir.c_str());
        return 1;
    }
    crDemoCameraModel();
    crDemoSingleview(options);
    DemoRig rig;
    crFilmDemoRig(options, &rig);
    crDemoTopview(options, rig);
    crDemoBowlview(options, rig);
    crDemoCalibration(options, rig);
    return 0;
}
