// Views of the scene's rig described as a rig: the toolkit's outputs equal
// what the engines give when called directly, frames of the wrong size are
// refused by name, and a bowl view hands back the poses its Init estimated.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "camrig_toolkit/views.h"
#include "scene/scene.h"

namespace {

using camrig::Picture;
using camrig::Rig;
using camrig::RigView;
using camrig::ViewKind;

using Bytes = std::vector<unsigned char>;

constexpr int kViewWidth = 360, kViewHeight = 240;
constexpr int kPairsPerCamera = 12;  // four cameras' pairs must fit the target's 50-point list

struct SceneRig {
    std::array<CameraParam, 5> cams{};  // the records the engines get directly
    Rig rig;
    std::vector<Picture> frames;  // by slot
};

const std::vector<Picture>& crSceneFrames() {
    static const std::vector<Picture> frames = [] {
        std::array<CameraParam, 4> cams{};
        crSceneRig(cams.data());
        std::vector<Picture> out;
        for (const CameraParam& cam : cams) {
            Picture frame;
            frame.width = cam.imageWidth, frame.height = cam.imageHeight, frame.pixels = crSceneRender(cam);
            out.push_back(frame);
        }
        return out;
    }();
    return frames;
}

// The scene's cameras, pairs and frames as a rig; `poseError` is added to
// every camera's height so that a bowl view's estimate can be told apart.
SceneRig crSceneAsRig(float poseError = 0.0f) {
    SceneRig s;
    crSceneRig(s.cams.data());
    s.rig.path = "scene.yaml";
    s.frames = crSceneFrames();
    for (int slot = 0; slot < 4; ++slot) {
        CameraParam& cam = s.cams[slot];
        cam.pointCount = std::min(cam.pointCount, kPairsPerCamera);
        cam.positionZ += poseError;
        camrig::RigCamera camera;
        camera.slot = slot, camera.param = cam, camera.frame = std::string("rig_") + camrig::kSlotNames[slot] + ".png";
        for (int i = 0; i < cam.pointCount; ++i) {
            const std::string id = camrig::kSlotNames[slot] + std::to_string(i);
            s.rig.marks.push_back({id, cam.worldPoints[i]});
            camera.sightings.push_back({id, cam.imagePoints[i]});
        }
        s.rig.cameras.push_back(camera);
    }
    return s;
}

RigView crMultiview(Rig* rig, const MultiviewParam& param, ViewKind kind, int engineType) {
    rig->carWidth = param.carWidth, rig->carLength = param.carLength, rig->carColor = param.carColor;
    RigView view;
    view.name = kind == ViewKind::top ? "top" : "bowl";
    view.kind = kind, view.engineType = engineType, view.multiview = param;
    view.multiview.cameras = nullptr;
    return view;
}

// The top view's outputs from the engine called directly, by file name.
std::map<std::string, Bytes> crDirectTopview(MultiviewParam param, const std::vector<Picture>& frames) {
    std::map<std::string, Bytes> files;
    EngineHandle* h = crMultiviewCreate(0);
    crMultiviewInit(h, &param);
    Bytes view(static_cast<size_t>(crImageStride(3, param.viewWidth)) * param.viewHeight);
    crMultiviewApply(h, frames[CR_SLOT_FRONT].pixels.data(), frames[CR_SLOT_LEFT].pixels.data(),
                     frames[CR_SLOT_RIGHT].pixels.data(), frames[CR_SLOT_REAR].pixels.data(), view.data());
    files["preview"] = view;
    int len = 0;
    crMultiviewGetLUTLen(h, &len);
    for (int slot = 0; slot < 4; ++slot) {
        Bytes& lut = files[std::string("top_lut_") + camrig::kSlotNames[slot] + ".bin"];
        lut.resize(len);
        crMultiviewGetLUT(h, lut.data(), len, slot);
    }
    const char* formats[] = {"rgb16", "rgb32", "ycbcr", "rgb24"};
    for (int format = 0; format < 4; ++format) {
        crMultiviewGetMaskLen(h, &len, format);
        Bytes& mask = files[std::string("top_mask_") + formats[format] + ".bin"];
        mask.resize(len);
        crMultiviewGetMask(h, mask.data(), len, format);
    }
    crMultiviewRelease(&h);
    Bytes& image = files["top_points_image.bin"];
    Bytes& ground = files["top_points_ground.bin"];
    image.resize(200), ground.resize(200);
    crMakeBinIPoint(param.cameras, image.data(), &len);
    image.resize(len);
    crMakeBinWPoint(param.cameras, ground.data(), &len);
    ground.resize(len);
    return files;
}

TEST(Views, TopViewGivesTheEnginesOwnOutputs) {
    SceneRig s = crSceneAsRig();
    const MultiviewParam param = crSceneTopview(s.cams.data(), kViewWidth, kViewHeight);
    const RigView view = crMultiview(&s.rig, param, ViewKind::top, 0);
    const camrig::ViewResult result = camrig::renderView(s.rig, view, s.frames);

    std::map<std::string, Bytes> files = crDirectTopview(param, s.frames);
    EXPECT_EQ(result.preview.pixels, files["preview"]);
    files.erase("preview");
    std::map<std::string, Bytes> got;
    for (const camrig::ViewFile& file : result.files) got[file.name] = file.bytes;
    for (const auto& [name, bytes] : files) {
        EXPECT_FALSE(bytes.empty()) << name;
        EXPECT_EQ(got[name], bytes) << name;
    }
    EXPECT_EQ(got.count("top_zones.bin"), 1u);
    EXPECT_FALSE(got["top_lut.txt"].empty());
}

TEST(Views, BowlViewReturnsThePosesItsInitEstimated) {
    SceneRig s = crSceneAsRig(100.0f);
    std::array<CameraParam, 5> direct{};
    MultiviewParam param = crSceneBowlview(direct.data(), kViewWidth, kViewHeight, SceneViewpoint::behind);
    std::copy_n(s.cams.begin(), 4, direct.begin());
    RigView view = crMultiview(&s.rig, param, ViewKind::bowl, 1);
    view.viewpoint = direct[4];
    const camrig::ViewResult result = camrig::renderView(s.rig, view, s.frames);

    EngineHandle* h = crMultiviewCreate(1);
    crMultiviewInit(h, &param);
    crMultiviewRelease(&h);
    const size_t pose = offsetof(CameraParam, positionX), poseBytes = offsetof(CameraParam, originX) - pose;
    for (int slot = 0; slot < 4; ++slot) {
        const auto* got = reinterpret_cast<const unsigned char*>(&result.calibrated[slot]);
        EXPECT_EQ(std::memcmp(got + pose, reinterpret_cast<const unsigned char*>(&direct[slot]) + pose, poseBytes), 0)
            << camrig::kSlotNames[slot];
        EXPECT_GT(std::abs(result.calibrated[slot].positionZ - s.cams[slot].positionZ), 50.0f)
            << camrig::kSlotNames[slot] << ": the rig's pose came back";
    }
}

TEST(Views, FrameOfTheWrongSizeIsNamed) {
    SceneRig s = crSceneAsRig();
    const RigView top = crMultiview(&s.rig, crSceneTopview(s.cams.data(), kViewWidth, kViewHeight), ViewKind::top, 0);
    RigView single;
    single.name = "single", single.kind = ViewKind::single, single.camera = "rear";
    single.single = crSceneCorrectedView(&s.cams[CR_SLOT_REAR]);
    struct Case {
        const RigView* view;
        int slot;  // whose frame is cut short
    };
    for (const Case& c : {Case{&top, CR_SLOT_LEFT}, Case{&top, CR_SLOT_REAR}, Case{&single, CR_SLOT_REAR}}) {
        std::vector<Picture> frames = s.frames;
        if (c.view == &single) frames = {s.frames[CR_SLOT_REAR]};
        Picture& cut = frames[c.view == &single ? 0 : c.slot];
        cut.height -= 1;
        cut.pixels.resize(cut.pixels.size() - crImageStride(3, cut.width));
        const std::string field = std::string("cameras.") + camrig::kSlotNames[c.slot] + ".frame";
        try {
            camrig::renderView(s.rig, *c.view, frames);
            ADD_FAILURE() << field << ": no error";
        } catch (const camrig::RigError& e) {
            EXPECT_EQ(e.field(), field);
            EXPECT_NE(std::string(e.what()).find("720 x 479"), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
        }
    }
}

}  // namespace
