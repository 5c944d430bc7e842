// A view's engine run over a set of frames, and the target files it gives.
//
// The engines answer 0 whatever they found, so success is read from what
// they hand back: a view whose engine built no table is an error here.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "camrig_toolkit/views.h"
#include "rig_check.h"

namespace camrig {

namespace {

constexpr std::array<const char*, 4> kMaskFormats = {"rgb16", "rgb32", "ycbcr", "rgb24"};
constexpr int kMaxPointList = 50;  // the target's calibration point list, all cameras together
constexpr int kPointsPerCamera = kMaxPointList / 4;
// With this base the single view's mask strip is as wide as the view.
constexpr int kMaskScaleBase = 720;

struct crMultiviewCloser {
    void operator()(EngineHandle* h) const { crMultiviewRelease(&h); }
};
struct crSingleviewCloser {
    void operator()(EngineHandle* h) const { crSingleviewRelease(&h); }
};
using crMultiviewHandle = std::unique_ptr<EngineHandle, crMultiviewCloser>;
using crSingleviewHandle = std::unique_ptr<EngineHandle, crSingleviewCloser>;

template <class Work> double crMilliseconds(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    std::forward<Work>(work)();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

std::string crViewField(const RigView& view, const char* what) { return "views." + view.name + "." + what; }

// Records built in code skip the rig file's checks: keep the engines'
// allocations sane whatever reaches them.
void crCheckViewSize(const Rig& rig, const RigView& view, int width, int height) {
    if (width < 1 || height < 1 || width > kRigMaxSide || height > kRigMaxSide ||
        static_cast<long long>(width) * height > kRigMaxViewArea)
        throw RigError(rig.path, 0, crViewField(view, "size"),
                       "out of range (value " + std::to_string(width) + " x " + std::to_string(height) +
                           ", allowed 1.." + std::to_string(kRigMaxSide) + " a side and at most " +
                           std::to_string(kRigMaxViewArea) + " pixels)");
}

void crCheckMultiview(const Rig& rig, const RigView& view, const MultiviewRecords& rec) {
    crCheckViewSize(rig, view, rec.param.viewWidth, rec.param.viewHeight);
    // The top view's zone block divides by the scale.
    if (view.kind == ViewKind::top && (!(rec.param.scale > 0.0f) || !std::isfinite(rec.param.scale)))
        throw RigError(rig.path, 0, crViewField(view, "scale"),
                       "out of range (value " + std::to_string(rec.param.scale) + ", allowed > 0 and finite)");
}

// Runs `save` on a path in a fresh temporary folder and returns the file it
// wrote: the engines' text LUT goes to a file only.
std::vector<unsigned char> crSavedFile(const std::string& what, void (*save)(EngineHandle*, const char*, int),
                                       EngineHandle* h, int slot) {
    std::string pattern = (std::filesystem::temp_directory_path() / "camrig_view_XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw RigError(pattern, 0, "", "cannot make a temporary folder");
    const std::filesystem::path dir = pattern;
    const std::string path = (dir / "lut.txt").string();
    save(h, path.c_str(), slot);
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool written = in.is_open() && !in.bad();
    in.close();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (!written) throw RigError(path, 0, "", "the engine wrote no " + what);
    return bytes;
}

void crSaveMultiviewLut(EngineHandle* h, const char* path, int slot) { crMultiviewSaveLUT(h, path, slot); }
void crSaveSingleviewLut(EngineHandle* h, const char* path, int /*slot*/) { crSingleviewSaveLUT(h, path); }

void crNoTable(const Rig& rig, const RigView& view) {
    throw RigError(rig.path, 0, "views." + view.name, "the engine built no table from the view's records");
}

// The target's list holds 50 points in all: each camera's first 12 pairs.
std::vector<unsigned char> crPointList(void (*make)(const CameraParam*, unsigned char*, int*),
                                       const CameraParam* cams) {
    std::array<CameraParam, 4> trimmed;
    std::copy(cams, cams + 4, trimmed.begin());
    for (CameraParam& cam : trimmed) cam.pointCount = std::min(cam.pointCount, kPointsPerCamera);
    std::vector<unsigned char> bytes(4 * static_cast<size_t>(kMaxPointList));
    int length = 0;
    make(trimmed.data(), bytes.data(), &length);
    bytes.resize(static_cast<size_t>(length));
    return bytes;
}

std::vector<unsigned char> crZones(const MultiviewParam& param) {
    std::array<uint16_t, 36> zones{};
    int length = 0;
    if (param.flags & CR_MULTI_TURNED)
        crMakeFullTopviewParam(&param, zones.data(), &length);
    else
        crMakeTopviewParam(&param, zones.data(), &length);
    // The device reads little-endian values.
    std::vector<unsigned char> bytes;
    for (const uint16_t value : zones) {
        bytes.push_back(static_cast<unsigned char>(value & 0xFF));
        bytes.push_back(static_cast<unsigned char>(value >> 8));
    }
    return bytes;
}

void crMultiviewTables(EngineHandle* h, const RigView& view, int lutLength, ViewResult* result) {
    for (int slot = 0; slot < 4; ++slot) {
        std::vector<unsigned char> lut(static_cast<size_t>(lutLength));
        crMultiviewGetLUT(h, lut.data(), lutLength, slot);
        result->files.push_back({view.name + "_lut_" + kSlotNames[slot] + ".bin", std::move(lut)});
    }
    for (int format = 0; format < 4; ++format) {
        int length = 0;
        crMultiviewGetMaskLen(h, &length, format);
        if (length <= 0) continue;  // a format this engine does not encode
        std::vector<unsigned char> mask(static_cast<size_t>(length));
        crMultiviewGetMask(h, mask.data(), length, format);
        result->files.push_back({view.name + "_mask_" + kMaskFormats[format] + ".bin", std::move(mask)});
    }
}

ViewResult crRenderMultiview(const Rig& rig, const RigView& view, const std::vector<Picture>& frames) {
    MultiviewRecords rec;
    makeMultiviewRecords(rig, view, &rec);
    crCheckMultiview(rig, view, rec);
    const crMultiviewHandle h(crMultiviewCreate(view.engineType));
    if (!h)
        throw RigError(rig.path, 0, crViewField(view, "engine"),
                       "no engine of type " + std::to_string(view.engineType) + " (allowed 0, 1, 2)");

    ViewResult result;
    int status = 0;
    result.initMs = crMilliseconds([&] { status = crMultiviewInit(h.get(), &rec.param); });
    int lutLength = 0;
    crMultiviewGetLUTLen(h.get(), &lutLength);
    if (status != 0 || lutLength != rec.param.viewWidth * rec.param.viewHeight * 4) crNoTable(rig, view);

    result.preview = Picture(rec.param.viewWidth, rec.param.viewHeight);
    result.applyMs = crMilliseconds([&] {
        crMultiviewApply(h.get(), frames[CR_SLOT_FRONT].pixels.data(), frames[CR_SLOT_LEFT].pixels.data(),
                         frames[CR_SLOT_RIGHT].pixels.data(), frames[CR_SLOT_REAR].pixels.data(),
                         result.preview.pixels.data());
    });
    crMultiviewTables(h.get(), view, lutLength, &result);
    result.files.push_back({view.name + "_points_image.bin", crPointList(crMakeBinIPoint, rec.cams.data())});
    result.files.push_back({view.name + "_points_ground.bin", crPointList(crMakeBinWPoint, rec.cams.data())});
    if (view.kind == ViewKind::top) result.files.push_back({view.name + "_zones.bin", crZones(rec.param)});
    result.files.push_back({view.name + "_lut.txt", crSavedFile("text LUT", crSaveMultiviewLut, h.get(), 0)});
    if (view.kind == ViewKind::bowl)
        for (int slot = 0; slot < 4; ++slot) result.calibrated[slot] = rec.cams[slot];
    return result;
}

ViewResult crRenderSingleview(const Rig& rig, const RigView& view, const Picture& frame) {
    SingleviewRecords rec;
    makeSingleviewRecords(rig, view, &rec);
    crCheckViewSize(rig, view, rec.param.outWidth, rec.param.outHeight);
    const crSingleviewHandle h(crSingleviewCreate(0));
    if (!h) throw RigError(rig.path, 0, "views." + view.name, "the single-view engine is not available");

    ViewResult result;
    int status = 0;
    result.initMs = crMilliseconds([&] { status = crSingleviewInit(h.get(), &rec.param); });
    int lutLength = 0;
    crSingleviewGetLUTLen(h.get(), &lutLength);
    if (status != 0 || lutLength != rec.param.outWidth * rec.param.outHeight * 4) crNoTable(rig, view);

    result.preview = Picture(rec.param.outWidth, rec.param.outHeight);
    result.applyMs =
        crMilliseconds([&] { crSingleviewApply(h.get(), frame.pixels.data(), result.preview.pixels.data()); });
    std::vector<unsigned char> lut(static_cast<size_t>(lutLength));
    crSingleviewGetLUT(h.get(), lut.data(), lutLength);
    result.files.push_back({view.name + "_lut.bin", std::move(lut)});
    result.files.push_back({view.name + "_lut.txt", crSavedFile("text LUT", crSaveSingleviewLut, h.get(), 0)});
    // The mask is the engine's ground picture as the view sees it; a view
    // without one (or without the overlay flag) has none.
    int maskLength = 0;
    crSingleviewGetMaskLen(h.get(), &maskLength, kMaskScaleBase);
    if (maskLength > 0) {
        std::vector<unsigned char> mask(static_cast<size_t>(maskLength));
        crSingleviewGetMask(h.get(), mask.data(), maskLength);
        result.files.push_back({view.name + "_mask.bin", std::move(mask)});
    }
    return result;
}

}  // namespace

ViewResult renderView(const Rig& rig, const RigView& view, const std::vector<Picture>& frames) {
    checkFrames(rig, view, frames);
    return view.kind == ViewKind::single ? crRenderSingleview(rig, view, frames[0])
                                         : crRenderMultiview(rig, view, frames);
}

}  // namespace camrig
