// camrig's binary viewer: a target binary as a picture and a short summary.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "camrig_toolkit/decode.h"
#include "cli.h"
#include "commands.h"

namespace {

// The largest binary read: a LUT of the largest view, 4096 x 4096 entries.
constexpr size_t kMaxBinary = size_t{4096} * 4096 * 4;

// What the binary needs to be drawn: its view's size, and for a LUT the size
// of the frame its sources lie in (0 when unknown).
struct CrBinaryContext {
    camrig::BinaryKind kind{};
    CliSize view, source;
    camrig::Picture frame;
};

camrig::BinaryKind crKindOf(const CliBinaryOptions& options) {
    if (!options.kind.empty()) return camrig::parseBinaryKind(options.kind);
    camrig::BinaryKind kind{};
    if (!camrig::binaryKindFromName(options.file, &kind))
        throw camrig::RigError(options.file, 0, "--kind", "the file name does not tell the kind; pass --kind");
    return kind;
}

// The camera whose LUT the file is: the single view's camera, or the slot the
// name carries (<view>_lut_<camera>.bin).
const camrig::RigCamera* crLutCamera(const camrig::Rig& rig, const camrig::RigView& view, const std::string& file) {
    if (view.kind == camrig::ViewKind::single) return camrig::findCamera(rig, camrig::slotOf(view.camera));
    for (size_t slot = 0; slot < camrig::kSlotNames.size(); ++slot)
        if (file.find(std::string("_lut_") + camrig::kSlotNames[slot]) != std::string::npos)
            return camrig::findCamera(rig, static_cast<int>(slot));
    return nullptr;
}

void crSizesFromRig(const CliBinaryOptions& options, CrBinaryContext* context) {
    const camrig::Rig rig = camrig::readRig(options.rig);
    const camrig::RigView& view = camrig::findView(rig, options.view);
    if (view.kind == camrig::ViewKind::single)
        context->view = {view.single.outWidth, view.single.outHeight};
    else
        context->view = {view.multiview.viewWidth, view.multiview.viewHeight};
    if (const camrig::RigCamera* camera = crLutCamera(rig, view, options.file))
        context->source = {camera->param.imageWidth, camera->param.imageHeight};
}

CrBinaryContext crContextOf(const CliBinaryOptions& options) {
    CrBinaryContext context;
    context.kind = crKindOf(options);
    if (!options.frame.empty()) {
        context.frame = camrig::readPicture(options.frame);
        context.source = {context.frame.width, context.frame.height};
    }
    if (!options.rig.empty()) crSizesFromRig(options, &context);
    if (!options.size.empty()) parseCliSize(options.size, &context.view);  // checked by the option
    return context;
}

void crNeedViewSize(const CliBinaryOptions& options, const CrBinaryContext& context) {
    if (context.view.width <= 0 || context.view.height <= 0)
        throw camrig::RigError(options.file, 0, "--size",
                               std::string("a ") + camrig::binaryKindName(context.kind) +
                                   " needs its view's size: pass --size WxH, or --rig and --view");
}

// A LUT's sources where the frame's size is unknown: the extent they reach.
CliSize crSourceExtent(const camrig::LutEntries& lut) {
    CliSize extent{1, 1};
    for (size_t i = 0; i < lut.source.size(); ++i) {
        if (!lut.valid[i]) continue;
        extent.width = std::max(extent.width, static_cast<int>(std::min(lut.source[i].x + 1.0f, 65536.0f)));
        extent.height = std::max(extent.height, static_cast<int>(std::min(lut.source[i].y + 1.0f, 65536.0f)));
    }
    return extent;
}

camrig::Picture crPictureOf(const CliBinaryOptions& options, CrBinaryContext& context,
                            const std::vector<unsigned char>& bytes) {
    using camrig::BinaryKind;
    switch (context.kind) {
    case BinaryKind::lut:
    case BinaryKind::lutHalf: {
        crNeedViewSize(options, context);
        const camrig::LutEntries lut = camrig::decodeLut(bytes.data(), bytes.size(), context.view.width,
                                                         context.view.height, context.kind == BinaryKind::lutHalf);
        const CliSize source = context.source.width > 0 ? context.source : crSourceExtent(lut);
        return camrig::lutPicture(lut, source.width, source.height);
    }
    case BinaryKind::points: {
        camrig::Picture canvas = context.frame;
        if (canvas.pixels.empty()) {
            crNeedViewSize(options, context);
            canvas = camrig::Picture(context.view.width, context.view.height);
        }
        camrig::drawPoints(&canvas, camrig::decodePoints(bytes.data(), bytes.size()), 0x00FFFFu);
        return canvas;
    }
    case BinaryKind::zones:
        crNeedViewSize(options, context);
        return camrig::zonesPicture(camrig::decodeZones(bytes.data(), bytes.size()), context.view.width,
                                    context.view.height);
    default:
        crNeedViewSize(options, context);
        return camrig::maskPicture(
            camrig::decodeMask(bytes.data(), bytes.size(), context.view.width, context.view.height, context.kind));
    }
}

std::string crDefaultOut(const std::string& file) {
    const size_t dot = file.rfind('.');
    const size_t slash = file.rfind('/');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string out = (hasExtension ? file.substr(0, dot) : file) + ".png";
    return out == file ? file.substr(0, dot) + "_drawn.png" : out;
}

}  // namespace

void cliShowBinary(const CliBinaryOptions& options) {
    CrBinaryContext context = crContextOf(options);
    const std::vector<unsigned char> bytes = camrig::readFileBounded(options.file, kMaxBinary);
    camrig::Picture picture;
    try {
        picture = crPictureOf(options, context, bytes);
    } catch (const camrig::RigError& e) {
        if (!e.file().empty()) throw;
        throw camrig::RigError(options.file, 0, "", e.what());  // the decoders know no file
    }
    const std::string out = options.out.empty() ? crDefaultOut(options.file) : options.out;
    camrig::writePicture(picture, out);
    std::printf("%s", camrig::summarise(context.kind, bytes.data(), bytes.size(), context.view.width,
                                        context.view.height, context.source.width, context.source.height)
                          .c_str());
    std::printf("wrote %s\n", out.c_str());
}
