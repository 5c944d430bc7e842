// camrig: the toolkit from the command line. Each subcommand reads a rig file
// (or makes the synthetic one), does its work in memory and writes its
// outputs only when all are ready; any failure prints one line and writes
// nothing.
//
// This file builds the command line for all the subcommands: CLI11 is
// header-only and large, so it is parsed here alone.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "cli.h"
#include "commands.h"

namespace {

// A size option's check: a usage error names the option.
CLI::Validator crSizeValidator() {
    return CLI::Validator(
        [](const std::string& text) {
            CliSize size;
            return parseCliSize(text, &size) ? std::string() : text + " is not WIDTHxHEIGHT with both in 16..4096";
        },
        "WxH");
}

void crAddRenderCommand(CLI::App& app) {
    auto options = std::make_shared<CliRenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render",
        "Write the synthetic rig: rig.yaml (design poses, marks, photographs, frames and views), truth.yaml "
        "(the cameras' true poses), calib_<camera>.png and rig_<camera>.png");
    command->add_option("--out", options->out, "folder for the files")->capture_default_str();
    command->add_option("--size", options->size, "top and bowl view size")
        ->capture_default_str()
        ->check(crSizeValidator());
    command->add_option("--mark-noise", options->markNoise, "pixels: Gaussian noise on the ground marks' pixels")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 10.0f));
    command->add_option("--mark-shift", options->markShift, "mm: how far the marks lie from their surveyed places")
        ->capture_default_str()
        ->check(CLI::Range(0.0f, 100.0f));
    command->add_option("--seed", options->seed, "draws the noise and the shifts")->capture_default_str();
    command->callback([options] { cliRender(*options); });
}

void crAddCalibrateCommand(CLI::App& app) {
    auto options = std::make_shared<CliCalibrateOptions>();
    CLI::App* command = app.add_subcommand(
        "calibrate",
        "Find the marks in each camera's photograph, estimate its pose, print the residuals, write the poses and "
        "marks back into the rig file and draw them over the photographs (calib_<camera>_marks.png)");
    command->add_option("RIG", options->rig, "rig file")->required();
    command->add_flag("--refine", options->refine, "refine each pose, minimising the marks' reprojection error");
    command->add_flag("--joint", options->joint, "refine all poses together, the marks free within their tolerance");
    command->add_option("--out", options->out, "folder for the pictures (default: the rig file's)");
    command->add_flag("--no-write", options->noWrite, "leave the rig file as it is");
    command->callback([options] { cliCalibrate(*options); });
}

void crAddViewCommand(CLI::App& app, camrig::ViewKind kind, const std::string& name, const std::string& what) {
    auto options = std::make_shared<CliViewOptions>();
    options->kind = kind;
    CLI::App* command =
        app.add_subcommand(name, "Make " + what + " from a rig file and frames: the target's LUT and mask binaries" +
                                     (kind == camrig::ViewKind::single ? "" : ", point lists") +
                                     (kind == camrig::ViewKind::top ? ", zones" : "") + " and a preview, <view>.png");
    command->add_option("RIG", options->rig, "rig file")->required();
    command->add_option(
        "--view", options->view,
        "the view's name in the rig file (default: its first " + std::string(cliKindName(kind)) + " view)");
    command
        ->add_option("--frames", options->frames,
                     kind == camrig::ViewKind::single ? "the camera's frame (default: its frame field)"
                                                      : "frames of the front, rear, left and right cameras "
                                                        "(default: their frame fields)")
        ->expected(1, kind == camrig::ViewKind::single ? 1 : 4);
    command->add_option("--out", options->out, "folder for the files (default: the rig file's)");
    command->callback([options] {
        try {
            cliRenderView(*options);
        } catch (const CliUsageError& e) {
            throw CLI::ValidationError(e.option(), e.what());
        }
    });
}

void crAddViewCommands(CLI::App& app) {
    crAddViewCommand(app, camrig::ViewKind::top, "topview", "a top view");
    crAddViewCommand(app, camrig::ViewKind::bowl, "bowlview", "a bowl view");
    crAddViewCommand(app, camrig::ViewKind::single, "singleview", "a single camera's corrected view");
}

void crAddInspectCommand(CLI::App& app) {
    auto options = std::make_shared<CliBinaryOptions>();
    CLI::App* command = app.add_subcommand(
        "inspect", "Draw a target binary (LUT, mask, point list or zones) as a picture and summarise it");
    command->add_option("FILE", options->file, "the binary")->required();
    command->add_option("--kind", options->kind,
                        "lut, lut-half, mask-rgb16, mask-rgb32, mask-ycbcr, mask-rgb24, points or zones "
                        "(default: from the file name)");
    CLI::Option* size = command->add_option("--size", options->size, "the view's size")->check(crSizeValidator());
    CLI::Option* rig = command->add_option("--rig", options->rig, "rig file whose view gives the sizes");
    CLI::Option* view = command->add_option("--view", options->view, "the view's name in the rig file");
    rig->needs(view)->excludes(size);
    view->needs(rig);
    command->add_option("--frame", options->frame, "picture to draw points over; a LUT's source frame");
    command->add_option("--out", options->out, "the picture, .png or .bmp (default: FILE as .png)");
    command->callback([options] { cliShowBinary(*options); });
}

void crAddImportCommand(CLI::App& app) {
    auto options = std::make_shared<CliImportOptions>();
    CLI::App* command = app.add_subcommand(
        "import-opencv",
        "Set a rig camera's lens from an OpenCV fisheye calibration (K, D and the image size); the rig file and "
        "the camera must exist, the camera keeps its pose");
    command->add_option("CALIBRATION", options->calibration, "OpenCV calibration file (YAML)")->required();
    command->add_option("--rig", options->rig, "rig file to change")->required();
    command->add_option("--camera", options->camera, "the camera's slot")
        ->required()
        ->check(CLI::IsMember({"front", "rear", "left", "right"}));
    command->add_option("--size", options->size, "the calibrated image size, when the file has none or another")
        ->check(crSizeValidator());
    command->callback([options] { cliImport(*options); });
}

// Messages are one line; a stray line break from a library would split it.
std::string crOneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    return text;
}

// Usage errors keep CLI11's message and status; the subcommands' own
// failures are thrown past it.
int crRun(int argc, char** argv) {
    CLI::App app{"camrig: rig files, calibration and surround views of the camrig library"};
    app.require_subcommand(1);
    crAddRenderCommand(app);
    crAddCalibrateCommand(app);
    crAddViewCommands(app);
    crAddInspectCommand(app);
    crAddImportCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return crRun(argc, argv);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "camrig: %s\n", crOneLine(e.what()).c_str());
    } catch (...) {
        std::fprintf(stderr, "camrig: unknown failure\n");
    }
    return 1;
}
