// Command line of the demo.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "demo.h"

namespace {

// Width and height of a view, "WIDTHxHEIGHT".
bool crParseSize(const std::string& text, int* width, int* height) {
    char rest = 0;
    return std::sscanf(text.c_str(), "%dx%d%c", width, height, &rest) == 2 && *width >= 16 && *height >= 16 &&
           *width <= 4096 && *height <= 4096;
}

}  // namespace

bool crParseDemoOptions(int argc, char** argv, DemoOptions* options) {
    CLI::App app{"camrig_demo: films a synthetic scene and runs every engine of the library on it"};
    std::string size = std::to_string(options->viewWidth) + "x" + std::to_string(options->viewHeight);
    app.add_option("--mode", options->mode, "top-view blend mode")
        ->capture_default_str()
        ->check(CLI::IsMember({0, 1, 2, 3, 5}));
    app.add_option("--size", size, "top-view and bowl-view size in pixels, WIDTHxHEIGHT (16..4096 each)")
        ->capture_default_str();
    app.add_option("--out", options->outDir, "folder for the pictures and tables")->capture_default_str();
    try {
        app.parse(argc, argv);
        if (!crParseSize(size, &options->viewWidth, &options->viewHeight))
            throw CLI::ValidationError("--size", size + " is not WIDTHxHEIGHT with both in 16..4096");
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        if (status == 0) std::exit(0);  // --help
        return false;
    }
    return true;
}
