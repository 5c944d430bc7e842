// camrig topview, bowlview, singleview: a rig file's view over frames, as the
// target device's binaries and a preview picture.
#include <cstdio>

#include "camrig_toolkit/views.h"
#include "cli.h"
#include "commands.h"

const char* cliKindName(camrig::ViewKind kind) {
    switch (kind) {
    case camrig::ViewKind::single: return "single";
    case camrig::ViewKind::top: return "top";
    case camrig::ViewKind::bowl: return "bowl";
    }
    return "";
}

namespace {

// The view named, or the rig's first view of the subcommand's kind.
const camrig::RigView& crChooseView(const camrig::Rig& rig, const CliViewOptions& options) {
    const std::string kind = cliKindName(options.kind);
    if (!options.view.empty()) {
        const camrig::RigView& view = camrig::findView(rig, options.view);
        if (view.kind != options.kind)
            throw camrig::RigError(rig.path, 0, "views." + view.name, "not a " + kind + " view");
        return view;
    }
    for (const camrig::RigView& view : rig.views)
        if (view.kind == options.kind) return view;
    throw camrig::RigError(rig.path, 0, "views", "no " + kind + " view");
}

// A camera's frame: the path given on the command line, or its frame field.
// Its size is checked at once, before a wrong one costs reading the others.
camrig::Picture crReadFrame(const camrig::Rig& rig, int slot, const std::string& given) {
    const camrig::RigCamera* camera = camrig::findCamera(rig, slot);
    const std::string name = camrig::kSlotNames[slot];
    if (!camera) throw camrig::RigError(rig.path, 0, "cameras." + name, "no such camera");
    if (given.empty() && camera->frame.empty())
        throw camrig::RigError(rig.path, 0, "cameras." + name + ".frame", "no frame: set the field or pass --frames");
    const std::string path = given.empty() ? camrig::rigRelative(rig, camera->frame) : given;
    camrig::Picture frame = camrig::readPicture(path);
    const int width = camera->param.imageWidth, height = camera->param.imageHeight;
    if (frame.width != width || frame.height != height)
        throw camrig::RigError(path, 0, given.empty() ? "cameras." + name + ".frame" : "--frames",
                               std::to_string(frame.width) + " x " + std::to_string(frame.height) + ", the " + name +
                                   " camera's image is " + std::to_string(width) + " x " + std::to_string(height));
    return frame;
}

// By slot for top and bowl views, the view's camera alone for a single view.
std::vector<camrig::Picture> crReadFrames(const camrig::Rig& rig, const camrig::RigView& view,
                                          const std::vector<std::string>& given) {
    const size_t wanted = view.kind == camrig::ViewKind::single ? 1 : camrig::kSlotNames.size();
    if (!given.empty() && given.size() != wanted)
        throw CliUsageError("--frames", "the view takes " + std::to_string(wanted) + " frames");
    std::vector<camrig::Picture> frames;
    for (size_t i = 0; i < wanted; ++i) {
        const int slot = wanted == 1 ? camrig::slotOf(view.camera) : static_cast<int>(i);
        if (slot < 0)
            throw camrig::RigError(rig.path, 0, "views." + view.name + ".camera", "no camera \"" + view.camera + "\"");
        frames.push_back(crReadFrame(rig, slot, given.empty() ? std::string() : given[i]));
    }
    return frames;
}

}  // namespace

void cliRenderView(const CliViewOptions& options) {
    CliProgress progress(std::string(cliKindName(options.kind)) + "view", 3);
    const camrig::Rig rig = camrig::readRig(options.rig);
    const camrig::RigView& view = crChooseView(rig, options);
    progress.step("reading the frames");
    CliStopwatch reading;
    const std::vector<camrig::Picture> frames = crReadFrames(rig, view, options.frames);
    camrig::checkFrames(rig, view, frames);
    const double readMs = reading.ms();

    progress.step("making the tables");
    const camrig::ViewResult result = camrig::renderView(rig, view, frames);

    progress.step("writing");
    CliStopwatch writing;
    const std::string out = options.out.empty() ? cliFolderOf(rig.path) : options.out;
    cliMakeFolder(out);
    camrig::OutputSet outputs;
    for (const camrig::ViewFile& file : result.files)
        outputs.add(cliJoin(out, file.name), file.bytes.data(), file.bytes.size());
    outputs.addPicture(cliJoin(out, view.name + ".png"), result.preview);
    outputs.commit();
    const double writeMs = writing.ms();
    for (const std::string& path : outputs.paths()) std::printf("wrote %s\n", path.c_str());
    std::printf("%s: frames read in %.0f ms, tables made in %.0f ms, composed in %.1f ms, written in %.0f ms\n",
                view.name.c_str(), readMs, result.initMs, result.applyMs, writeMs);
}
