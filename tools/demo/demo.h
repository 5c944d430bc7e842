// The demo program's pieces: options, file output, the rig shared by the
// multi-view showcases and the four showcases (camera model, single-camera
// view, top view, bowl views).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "camrig.h"
#include "scene/scene.h"

struct DemoOptions {
    int mode = 0;  // top-view blend mode
    int viewWidth = 720;
    int viewHeight = 480;
    std::string outDir = "out";
};

// Parses --mode N, --size WxH and --out DIR; false, after printing what is
// wrong and the usage, on anything else. Exits after printing --help.
bool crParseDemoOptions(int argc, char** argv, DemoOptions* options);

// Output files, each reported on the console once written.
std::string crDemoPath(const DemoOptions& options, const std::string& name);
bool crMakeDemoFolder(const std::string& dir);
void crWriteDemoFile(const std::string& path, const unsigned char* bytes, size_t length);
// A packed blue-green-red picture (rows of crImageStride(3, width) bytes) as BMP.
void crWriteDemoBmp(const std::string& path, const unsigned char* pixels, int width, int height);
// Reports a file that the library wrote itself.
void crReportDemoFile(const std::string& path);

// Lets the library write `path` through save(path), then reports whether it
// did; a stale copy is removed first so that a file left unwritten shows.
template <typename Save> void crDemoLibraryFile(const std::string& path, Save save) {
    std::remove(path.c_str());
    save(path.c_str());
    crReportDemoFile(path);
}

// Milliseconds since an arbitrary start.
double crDemoMilliseconds();

// The four-camera rig (slot order front, rear, left, right) and its frames,
// filmed once for every multi-view showcase.
struct DemoRig {
    CameraParam cams[4];
    std::vector<unsigned char> frames[4];
};

extern const char* const kDemoSlotNames[4];

// Renders the rig's frames and writes them as rig_<camera>.bmp.
void crFilmDemoRig(const DemoOptions& options, DemoRig* rig);

// Milliseconds that Init of the multi-view engine took, or -1 when it failed.
double crInitDemoMultiview(EngineHandle* h, const MultiviewParam& param);

// Composes the rig's frames into the view, reports the time and writes the
// view to `path` as BMP.
void crApplyDemoMultiview(EngineHandle* h, const DemoRig& rig, const MultiviewParam& param, const std::string& path);

// Writes <prefix>_blend.bmp (the blend map), <prefix>_lut_<camera>.bin and
// <prefix>_mask_<format>.bin for the first `maskFormats` of rgb16, rgb32,
// ycbcr and rgb24.
void crWriteMultiviewTables(EngineHandle* h, const DemoOptions& options, const std::string& prefix, int maskFormats);

void crDemoCameraModel();
void crDemoSingleview(const DemoOptions& options);
void crDemoTopview(const DemoOptions& options, const DemoRig& rig);
void crDemoBowlview(const DemoOptions& options, const DemoRig& rig);
void crDemoCalibration(const DemoOptions& options, const DemoRig& rig);
