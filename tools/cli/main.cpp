// camrig: the toolkit from the command line. Each subcommand reads a rig file
// (or makes the synthetic one), does its work in memory and writes its
// outputs only when all are ready; any failure prints one line and writes
// nothing.
#include <cstdio>
#include <exception>
#include <string>

#include "cli.h"

namespace {

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
