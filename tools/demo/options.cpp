// Command line of the demo.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo.h"

namespace {

void crPrintUsage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--mode 0|1|2|3|5] [--size WIDTHxHEIGHT] [--out FOLDER]\n"
                 "  --mode  top-view blend mode (default 0)\n"
                 "  --size  top-view and bowl-view size in pixels (default 720x480)\n"
                 "  --out   folder for the pictures and tables (default out)\n",
                 program);
}

bool crParseInt(const char* text, int* value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < -100000 || v > 100000) return false;
    *value = static_cast<int>(v);
    return true;
}

bool crParseSize(const char* text, int* width, int* height) {
    const char* x = std::strchr(text, 'x');
    if (!x) return false;
    const std::string w(text, x);
    if (!crParseInt(w.c_str(), width) || !crParseInt(x + 1, height)) return false;
    return *width >= 16 && *height >= 16 && *width <= 4096 && *height <= 4096;
}

}  // namespace

bool crParseDemoOptions(int argc, char** argv, DemoOptions* options) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = value != nullptr;
        if (ok && std::strcmp(arg, "--mode") == 0) {
            ok = crParseInt(value, &options->mode);
        } else if (ok && std::strcmp(arg, "--size") == 0) {
            ok = crParseSize(value, &options->viewWidth, &options->viewHeight);
        } else if (ok && std::strcmp(arg, "--out") == 0) {
            options->outDir = value;
        } else {
            ok = false;
        }
        if (!ok) {
            crPrintUsage(argv[0]);
            return false;
        }
        ++i;
    }
    return true;
}
