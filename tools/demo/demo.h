// The demo program's pieces: options, file output and the three showcases
// (camera model, single-camera view, top view).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "camrig.h"
#include "numerics/rounding.h"

struct DemoOptions {
    int mode = 0;  // top-view blend mode
    int viewWidth = 720;
    int viewHeight = 480;
    std::string outDir = "out";
};

// Parses --mode N, --size WxH and --out DIR; false (after printing the usage)
// on anything else.
bool crParseDemoOptions(int argc, char** argv, DemoOptions* options);


// Output files, each reported on the console once written.
std::string crDemoPath(const DemoOptions& options, const std::string& name);
bool crMakeDemoFolder(const std::string& dir);
void crWriteDemoFile(const std::string& path, const unsigned char* bytes, size_t length);
// A packed blue-green-red picture (rows of crDemoStride bytes) as BMP.
void crWriteDemoBmp(const std::string& path, const unsigned char* pixels, int width, int height);
// Reports a file that the library wrote itself.
void crReportDemoFile(const std::string& path);

// Lets the library write `path` through save(path), then reports whether it
// did; a stale copy is removed first so that a file left unwritten shows.
template <typename Save>
void crDemoLibraryFile(const std::string& path, Save save) {
    std::remove(path.c_str());
    save(path.c_str());
    crReportDemoFile(path);
}

// An Image record over a packed picture's rows; `rows` holds the row pointers
// and must outlive the record.
Image crWrapPacked(unsigned char* pixels, int width, int height, std::vector<unsigned char*>& rows);

// Milliseconds since an arbitrary start.
double crDemoMilliseconds();

void crDemoCameraModel();
void crDemoSingleview(const DemoOptions& options);
void crDemoTopview(const DemoOptions& options);
