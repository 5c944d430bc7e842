// Rig files: what is written reads back to the same bits, and every kind of
// bad file is refused with one line naming the file, the line and the field.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include "camrig_toolkit/lens.h"
#include "camrig_toolkit/rig.h"
#include "scene/scene.h"

namespace {

using camrig::Rig;
using camrig::RigError;

bool crSameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

// The scene's rig with its marks seen by each camera, the left lens imported
// from OpenCV, floats that need all their digits, and one view of each kind.
Rig crSceneRigFile() {
    CameraParam cams[5];
    const MultiviewParam bowl = crSceneBowlview(cams, 720, 480, SceneViewpoint::corner);
    MultiviewParam top = crSceneTopview(cams, 720, 480);
    Rig rig;
    rig.carWidth = top.carWidth, rig.carLength = top.carLength, rig.carColor = top.carColor;
    rig.markTolerance = 0.1f;
    for (int slot = 0; slot < 4; ++slot) {
        camrig::RigCamera camera;
        camera.slot = slot;
        camera.param = cams[slot];
        camera.param.pointCount = 0;
        std::memset(camera.param.imagePoints, 0, sizeof camera.param.imagePoints);
        std::memset(camera.param.worldPoints, 0, sizeof camera.param.worldPoints);
        for (int i = 0; i < cams[slot].pointCount; ++i) {
            const std::string id = std::string(camrig::kSlotNames[slot]) + "_" + std::to_string(i);
            rig.marks.push_back({id, cams[slot].worldPoints[i]});
            camera.sightings.push_back({id, cams[slot].imagePoints[i]});
        }
        camera.frame = std::string("rig_") + camrig::kSlotNames[slot] + ".png";
        rig.cameras.push_back(camera);
    }
    camrig::Photograph photo;
    photo.file = "calib_front.png";
    photo.mode = 2;
    for (int i = 0; i < 12; ++i) photo.corners[i] = rig.marks[i].id;
    rig.cameras[0].photograph = photo;
    rig.cameras[0].param.undistortion[8] = 1.40129846e-45f;  // the smallest float
    rig.cameras[0].param.originX = -0.0f;

    camrig::OpenCvFisheye lens;
    lens.fx = 281.5, lens.fy = 279.25, lens.cx = 360.3, lens.cy = 239.7, lens.width = 720, lens.height = 480;
    lens.k[0] = 0.02, lens.k[1] = -0.004, lens.k[2] = 0.0007, lens.k[3] = -0.00005;
    rig.cameras[2].lensFit = camrig::importOpenCvFisheye(lens, &rig.cameras[2].param);

    top.flags = CR_MULTI_BICUBIC | CR_MULTI_TURNED;
    top.cameras = nullptr;
    camrig::RigView view;
    view.name = "top", view.kind = camrig::ViewKind::top, view.multiview = top;
    rig.views.push_back(view);
    view.name = "bowl", view.kind = camrig::ViewKind::bowl, view.engineType = 2, view.multiview = bowl;
    view.multiview.cameras = nullptr, view.multiview.carColor = rig.carColor, view.multiview.flags |= CR_MULTI_TINT;
    view.viewpoint = cams[4];
    rig.views.push_back(view);
    view = camrig::RigView{};
    view.name = "single", view.kind = camrig::ViewKind::single, view.camera = "front";
    view.single = crSceneCorrectedView(&cams[0]);
    view.single.camera = nullptr;
    rig.views.push_back(view);
    return rig;
}

void crExpectEqual(const Rig& a, const Rig& b) {
    EXPECT_EQ(a.carWidth, b.carWidth);
    EXPECT_EQ(a.carLength, b.carLength);
    EXPECT_EQ(a.carColor, b.carColor);
    EXPECT_TRUE(crSameBytes(&a.markTolerance, &b.markTolerance, sizeof(float)));
    ASSERT_EQ(a.marks.size(), b.marks.size());
    for (size_t i = 0; i < a.marks.size(); ++i) {
        EXPECT_EQ(a.marks[i].id, b.marks[i].id);
        EXPECT_TRUE(crSameBytes(&a.marks[i].ground, &b.marks[i].ground, sizeof(Point2f))) << a.marks[i].id;
    }
    ASSERT_EQ(a.cameras.size(), b.cameras.size());
    for (size_t i = 0; i < a.cameras.size(); ++i) {
        const camrig::RigCamera &x = a.cameras[i], &y = b.cameras[i];
        EXPECT_EQ(x.slot, y.slot);
        EXPECT_TRUE(crSameBytes(&x.param, &y.param, sizeof(CameraParam))) << "camera " << x.slot;
        ASSERT_EQ(x.sightings.size(), y.sightings.size());
        for (size_t k = 0; k < x.sightings.size(); ++k) {
            EXPECT_EQ(x.sightings[k].mark, y.sightings[k].mark);
            EXPECT_TRUE(crSameBytes(&x.sightings[k].pixel, &y.sightings[k].pixel, sizeof(Point2f)));
        }
        ASSERT_EQ(x.photograph.has_value(), y.photograph.has_value());
        if (x.photograph) {
            EXPECT_EQ(x.photograph->file, y.photograph->file);
            EXPECT_EQ(x.photograph->mode, y.photograph->mode);
            EXPECT_EQ(x.photograph->corners, y.photograph->corners);
        }
        EXPECT_EQ(x.frame, y.frame);
        ASSERT_EQ(x.lensFit.has_value(), y.lensFit.has_value());
        if (x.lensFit) {
            EXPECT_TRUE(crSameBytes(&*x.lensFit, &*y.lensFit, sizeof(camrig::LensFit)));
        }
    }
    ASSERT_EQ(a.views.size(), b.views.size());
    for (size_t i = 0; i < a.views.size(); ++i) {
        const camrig::RigView &x = a.views[i], &y = b.views[i];
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.kind, y.kind);
        EXPECT_EQ(x.engineType, y.engineType);
        EXPECT_EQ(x.camera, y.camera);
        // Up to the pointers, whose 64-bit alignment leaves padding that no copy need keep.
        EXPECT_TRUE(crSameBytes(&x.multiview, &y.multiview, offsetof(MultiviewParam, reserved124) + 32)) << x.name;
        EXPECT_TRUE(crSameBytes(&x.viewpoint, &y.viewpoint, sizeof(CameraParam))) << x.name;
        EXPECT_TRUE(crSameBytes(&x.single, &y.single, offsetof(ViewParam, reserved23) + 4)) << x.name;
        EXPECT_EQ(x.single.overlayOffset, y.single.overlayOffset);
    }
}

TEST(RigFile, WrittenRigReadsBackBitForBit) {
    const Rig rig = crSceneRigFile();
    ASSERT_NO_THROW(camrig::validateRig(rig));
    crExpectEqual(rig, camrig::parseRig(camrig::formatRig(rig), "rig.yaml"));

    Rig written = rig;
    const std::string path = testing::TempDir() + "rig_test.yaml";
    camrig::writeRig(written, path);
    EXPECT_EQ(written.path, path);
    const Rig read = camrig::readRig(path);
    crExpectEqual(rig, read);
    EXPECT_EQ(read.path, path);
    EXPECT_EQ(std::fopen((path + ".tmp").c_str(), "rb"), nullptr);
    std::remove(path.c_str());
}

// A small valid rig; the cases below break one thing in it each.
const char* const kRig = R"(vehicle: {width: 1800, length: 4500, colour: [96, 96, 96]}
marks:
  - {id: a, ground: [-1000, -4000]}
  - {id: b, ground: [1000, -4000]}
cameras:
  front:
    image: [720, 480]
    lens: &lens
      pixel_scale: [280, 280]
      principal_point: [360, 240]
      distortion: [1, 0, 0, 0, 0]
      undistortion: [0, 1, 0, 0, 0, 0, 0, 0, 0]
    pose: {position: [0, -2250, -700], angles: {x: 55, y: 0, z: 0}}
    sightings: [{mark: a, pixel: [100, 300]}, {mark: b, pixel: [600, 300]}]
  rear: {image: [720, 480], lens: *lens, pose: {position: [0, 2250, -900], angles: {x: 50, y: 0, z: 180}}}
  left: {image: [720, 480], lens: *lens, pose: {position: [-1000, -1100, -1000], angles: {x: 25, y: 0, z: -90}}}
  right: {image: [720, 480], lens: *lens, pose: {position: [1000, -1100, -1000], angles: {x: 25, y: 0, z: 90}}}
views:
  - {name: top, type: top, size: [720, 480], scale: 30}
  - {name: single, type: single, camera: front, size: [720, 480], flags: [lens], sampling: bicubic}
)";

std::string crReplace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

int crLineOf(const std::string& text, const std::string& what) {
    const size_t at = text.find(what);
    return at == std::string::npos ? -1 : 1 + static_cast<int>(std::count(text.begin(), text.begin() + at, '\n'));
}

std::string crManySightings() {
    std::string list = "sightings: [";
    for (int i = 0; i < 51; ++i) list += std::string(i ? ", " : "") + "{mark: a, pixel: [1, 1]}";
    return list + "]";
}

TEST(RigFile, BadFilesNameFileLineAndField) {
    struct Case {
        std::string from, to;
        const char* field;
        std::string lineOf;  // the line reported is where this stands in the broken file
    };
    const Case cases[] = {
        {"length: 4500, ", "", "vehicle.length", "vehicle:"},
        {"scale: 30", "scale: wide", "views.top.scale", "scale: wide"},
        {"image: [720, 480]\n", "image: {w: 720}\n", "cameras.front.image", "image: {w"},
        {"pixel_scale: [280, 280]", "pixel_scale: [280]", "cameras.front.lens.pixel_scale", "pixel_scale"},
        {"pixel_scale: [280, 280]", "pixel_scale: [280, -3]", "cameras.front.lens.pixel_scale[1]", "pixel_scale"},
        {"principal_point: [360, 240]", "principal_point: [.nan, 240]", "cameras.front.lens.principal_point[0]",
         "principal_point"},
        {"[720, 480], lens: *lens, pose: {position: [0, 2250", "[7200000, 480], lens: *lens, pose: {position: [0, 2250",
         "cameras.rear.image[0]", "7200000"},
        {"image: [720, 480]\n", "image: [640, 480]\n", "cameras.rear.image", "rear:"},
        {"front:", "frnt:", "cameras.frnt", "frnt:"},
        {"type: top", "type: side", "views.top.type", "side"},
        {"flags: [lens]", "flags: [lens, zoom]", "views.single.flags[1]", "zoom"},
        {"sampling: bicubic", "sampling: cubic", "views.single.sampling", "cubic"},
        {"{name: single", "{name: top", "views[1].name", "{name: top, type: single"},
        {"{id: b,", "{id: a,", "marks[1].id", "{id: a, ground: [1000"},
        {"{mark: b,", "{mark: c,", "cameras.front.sightings[1].mark", "sightings:"},
        {"sightings: [{mark: a, pixel: [100, 300]}, {mark: b, pixel: [600, 300]}]", crManySightings(),
         "cameras.front.sightings", "sightings:"},
        {"pixel: [600, 300]", "pixel: [600, 480]", "cameras.front.sightings[1].pixel[1]", "sightings:"},
        {"position: [0, -2250, -700]", "position: [0, -2250, 700]", "cameras.front.pose.position[2]",
         "position: [0, -2250, 700]"},
        {"  rear: {", "  left: {", "cameras.left", "  left: {image: [720, 480], lens: *lens, pose: {position: [-1000"},
    };
    for (const Case& c : cases) {
        const std::string text = crReplace(kRig, c.from, c.to);
        SCOPED_TRACE(c.field);
        try {
            camrig::parseRig(text, "rig.yaml");
            ADD_FAILURE() << "accepted";
        } catch (const RigError& e) {
            const std::string what = e.what();
            EXPECT_EQ(what.find('\n'), std::string::npos) << what;
            EXPECT_EQ(e.field(), c.field) << what;
            EXPECT_EQ(e.line(), crLineOf(text, c.lineOf)) << what;
            EXPECT_EQ(what.rfind("rig.yaml:" + std::to_string(e.line()) + ": " + c.field + ": ", 0), 0u) << what;
        }
    }
}

TEST(RigFile, BrokenYamlGivesItsLine) {
    const std::string text = kRig;
    for (const size_t cut : {text.find("angles: {x: 55"), text.find("[720, 480], lens: *lens") + 5}) {
        try {
            camrig::parseRig(text.substr(0, cut), "cut.yaml");
            ADD_FAILURE() << "accepted a file cut at " << cut;
        } catch (const RigError& e) {
            EXPECT_GE(e.line(), crLineOf(text, "front:")) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(camrig::readRig(testing::TempDir() + "no such rig.yaml"), RigError);
}

TEST(RigFile, ValidateRigChecksRecordsMadeInCode) {
    const Rig good = crSceneRigFile();
    struct Case {
        void (*spoil)(Rig*);
        const char* field;
    };
    const Case cases[] = {
        {[](Rig* r) { r->cameras[1].param.pixelScaleY = -3; }, "cameras.rear.lens.pixel_scale[1]"},
        {[](Rig* r) { r->cameras[3].slot = 0; }, "cameras.front"},
        {[](Rig* r) { r->views[0].multiview.blendAngle = NAN; }, "views.top.blend_angle"},
        {[](Rig* r) { r->views[2].camera = "roof"; }, "views.single.camera"},
        {[](Rig* r) { r->cameras[0].photograph->corners[5] = "nowhere"; }, "cameras.front.photograph.corners[5]"},
    };
    for (const Case& c : cases) {
        Rig rig = good;
        c.spoil(&rig);
        try {
            camrig::validateRig(rig);
            ADD_FAILURE() << c.field << " accepted";
        } catch (const RigError& e) {
            EXPECT_EQ(e.field(), c.field) << e.what();
            EXPECT_EQ(e.line(), 0);
        }
    }
}

}  // namespace
