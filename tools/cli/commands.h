// The subcommands: each one's options as the command line fills them, and the
// function that runs it. main.cpp builds the command line over them and is
// the only file that includes CLI11, whose header costs more to compile than
// any subcommand.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "camrig_toolkit/rig.h"

struct CliRenderOptions {
    std::string out = "synthetic";
    std::string size = "720x480";
    float markNoise = 0.0f, markShift = 0.0f;
    unsigned seed = 1;
};
void cliRender(const CliRenderOptions& options);

struct CliCalibrateOptions {
    std::string rig, out;
    bool refine = false, joint = false, noWrite = false;
};
void cliCalibrate(const CliCalibrateOptions& options);

struct CliViewOptions {
    camrig::ViewKind kind = camrig::ViewKind::top;
    std::string rig, view, out;
    std::vector<std::string> frames;
};
void cliRenderView(const CliViewOptions& options);
// "single", "top" or "bowl".
const char* cliKindName(camrig::ViewKind kind);

struct CliBinaryOptions {
    std::string file, kind, size, rig, view, frame, out;
};
void cliShowBinary(const CliBinaryOptions& options);

struct CliImportOptions {
    std::string calibration, rig, camera, size;
};
void cliImport(const CliImportOptions& options);

// A usage error only a subcommand can see (as too many frames for the view);
// the command line reports it as CLI11 reports its own, naming the option.
class CliUsageError : public std::runtime_error {
public:
    CliUsageError(std::string option, const std::string& message)
        : std::runtime_error(message), option_(std::move(option)) {}
    const std::string& option() const { return option_; }

private:
    std::string option_;
};
