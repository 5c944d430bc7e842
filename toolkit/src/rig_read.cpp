// Reading rig files: YAML into the rig's records, each field checked for its
// type and shape as it is read, then every record for its range.

#include "camrig_toolkit/lens.h"
#include "camrig_toolkit/picture.h"
#include "rig_check.h"
#include "yaml_fields.h"

namespace camrig {

namespace {

// Larger lists are not a rig: they stop a hostile file early.
constexpr size_t kMaxMarks = 100000;
constexpr size_t kMaxViews = 1000;
constexpr size_t kMaxFileBytes = 64 << 20;

void crReadSize(const YamlFields& in, const YAML::Node& node, const std::string& path, int32_t* width,
                int32_t* height) {
    in.list(node, path, 2, 2);
    *width = in.integer(node[0], path + "[0]", 1, kRigMaxSide);
    *height = in.integer(node[1], path + "[1]", 1, kRigMaxSide);
}

void crReadPoint(const YamlFields& in, const YAML::Node& node, const std::string& path, float* x, float* y) {
    float xy[2];
    in.numbers(node, path, xy, 2);
    *x = xy[0], *y = xy[1];
}

void crReadVehicle(const YamlFields& in, const YAML::Node& node, Rig* rig) {
    in.map(node, "vehicle", {"width", "length", "colour"});
    rig->carWidth = in.integer(in.need(node, "vehicle", "width"), "vehicle.width", 1, 1000000);
    rig->carLength = in.integer(in.need(node, "vehicle", "length"), "vehicle.length", 1, 1000000);
    rig->carColor = 0x00606060;
    in.optional(node, "vehicle", "colour", [&](const YAML::Node& colour, const std::string& path) {
        in.list(colour, path, 3, 3);
        rig->carColor = 0;
        for (int i = 0; i < 3; ++i)  // blue, green, red into 0x00BBGGRR
            rig->carColor |= static_cast<uint32_t>(in.integer(colour[i], fieldIndex(path, i), 0, 255)) << (16 - 8 * i);
    });
}

void crReadMarks(const YamlFields& in, const YAML::Node& node, Rig* rig) {
    const size_t count = in.list(node, "marks", 0, kMaxMarks);
    for (size_t i = 0; i < count; ++i) {
        const std::string path = fieldIndex("marks", i);
        const YAML::Node mark = node[i];
        in.map(mark, path, {"id", "ground"});
        Mark m;
        m.id = in.text(in.need(mark, path, "id"), path + ".id");
        crReadPoint(in, in.need(mark, path, "ground"), path + ".ground", &m.ground.x, &m.ground.y);
        rig->marks.push_back(m);
    }
}

void crReadLens(const YamlFields& in, const YAML::Node& node, const std::string& path, CameraParam* cam) {
    in.map(node, path, {"focal_length", "pixel_scale", "principal_point", "distortion", "undistortion"});
    cam->focalLength = 1.0f;
    in.optional(node, path, "focal_length",
                [&](const YAML::Node& v, const std::string& at) { cam->focalLength = in.number(v, at); });
    crReadPoint(in, in.need(node, path, "pixel_scale"), path + ".pixel_scale", &cam->pixelScaleX, &cam->pixelScaleY);
    crReadPoint(in, in.need(node, path, "principal_point"), path + ".principal_point", &cam->principalX,
                &cam->principalY);
    in.numbers(in.need(node, path, "distortion"), path + ".distortion", cam->distortion, 5);
    in.numbers(in.need(node, path, "undistortion"), path + ".undistortion", cam->undistortion, 9);
}

// K as [[fx, skew, cx], [0, fy, cy], [0, 0, 1]] and D as [k1, k2, k3, k4].
LensFit crReadOpenCv(const YamlFields& in, const YAML::Node& node, const std::string& path, CameraParam* cam) {
    in.map(node, path, {"K", "D"});
    const YAML::Node k = in.need(node, path, "K");
    in.list(k, path + ".K", 3, 3);
    float rows[3][3];
    for (int r = 0; r < 3; ++r) in.numbers(k[r], fieldIndex(path + ".K", r), rows[r], 3);
    const float expected[3][3] = {{rows[0][0], rows[0][1], rows[0][2]}, {0, rows[1][1], rows[1][2]}, {0, 0, 1}};
    for (int r = 1; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            if (rows[r][c] != expected[r][c])
                in.fail(k[r][c], fieldIndex(fieldIndex(path + ".K", r), c),
                        "not a camera matrix (value " + numberText(rows[r][c]) + ", allowed " +
                            numberText(expected[r][c]) + ")");
    float d[4];
    in.numbers(in.need(node, path, "D"), path + ".D", d, 4);
    OpenCvFisheye lens;
    lens.fx = rows[0][0], lens.skew = rows[0][1], lens.cx = rows[0][2];
    lens.fy = rows[1][1], lens.cy = rows[1][2];
    for (int i = 0; i < 4; ++i) lens.k[i] = d[i];
    lens.width = cam->imageWidth, lens.height = cam->imageHeight;
    try {
        return importOpenCvFisheye(lens, cam);
    } catch (const RigError& e) {
        std::string problem = e.what();  // "<field>: <problem>", without file or line
        if (!e.field().empty()) problem.erase(0, e.field().size() + 2);
        in.fail(node, path + (e.field().empty() ? "" : "." + e.field()), problem);
    }
}

void crReadLensFit(const YamlFields& in, const YAML::Node& node, const std::string& path, LensFit* fit) {
    in.map(node, path, {"max_angle", "max_error"});
    fit->maxAngle = in.real(in.need(node, path, "max_angle"), path + ".max_angle");
    fit->maxError = in.real(in.need(node, path, "max_error"), path + ".max_error");
}

// Position, angles (degrees, about x, y and z) and origin of a camera's pose.
void crReadPoseFields(const YamlFields& in, const YAML::Node& node, const std::string& path, CameraParam* cam) {
    float position[3];
    in.numbers(in.need(node, path, "position"), path + ".position", position, 3);
    cam->positionX = position[0], cam->positionY = position[1], cam->positionZ = position[2];
    const YAML::Node angles = in.need(node, path, "angles");
    in.map(angles, path + ".angles", {"x", "y", "z"});
    cam->angleX = in.number(in.need(angles, path + ".angles", "x"), path + ".angles.x");
    cam->angleY = in.number(in.need(angles, path + ".angles", "y"), path + ".angles.y");
    cam->angleZ = in.number(in.need(angles, path + ".angles", "z"), path + ".angles.z");
    in.optional(node, path, "origin", [&](const YAML::Node& v, const std::string& at) {
        crReadPoint(in, v, at, &cam->originX, &cam->originY);
    });
}

void crReadPose(const YamlFields& in, const YAML::Node& node, const std::string& path, CameraParam* cam) {
    in.map(node, path, {"position", "angles", "origin"});
    crReadPoseFields(in, node, path, cam);
}

void crReadSightings(const YamlFields& in, const YAML::Node& node, const std::string& path, RigCamera* camera) {
    const size_t count = in.list(node, path, 0, kRigMaxSightings);
    for (size_t i = 0; i < count; ++i) {
        const std::string at = fieldIndex(path, i);
        in.map(node[i], at, {"mark", "pixel"});
        Sighting s;
        s.mark = in.text(in.need(node[i], at, "mark"), at + ".mark");
        crReadPoint(in, in.need(node[i], at, "pixel"), at + ".pixel", &s.pixel.x, &s.pixel.y);
        camera->sightings.push_back(s);
    }
}

Photograph crReadPhotograph(const YamlFields& in, const YAML::Node& node, const std::string& path) {
    in.map(node, path, {"file", "mode", "corners"});
    Photograph p;
    p.file = in.text(in.need(node, path, "file"), path + ".file");
    in.optional(node, path, "mode",
                [&](const YAML::Node& v, const std::string& at) { p.mode = in.integer(v, at, 0, 3); });
    const YAML::Node corners = in.need(node, path, "corners");
    in.list(corners, path + ".corners", 12, 12);
    for (size_t i = 0; i < 12; ++i) p.corners[i] = in.text(corners[i], fieldIndex(path + ".corners", i));
    return p;
}

RigCamera crReadCamera(const YamlFields& in, const YAML::Node& node, const std::string& path, int slot) {
    in.map(node, path, {"image", "lens", "opencv_fisheye", "lens_fit", "pose", "sightings", "photograph", "frame"});
    RigCamera camera;
    camera.slot = slot;
    CameraParam& cam = camera.param;
    crReadSize(in, in.need(node, path, "image"), path + ".image", &cam.imageWidth, &cam.imageHeight);
    const YAML::Node lens = node["lens"], opencv = node["opencv_fisheye"];
    if (lens && opencv) in.fail(opencv, path + ".opencv_fisheye", "give either lens or opencv_fisheye, not both");
    if (opencv && node["lens_fit"]) in.fail(node["lens_fit"], path + ".lens_fit", "comes with lens only");
    if (opencv) {
        camera.lensFit = crReadOpenCv(in, opencv, path + ".opencv_fisheye", &cam);
    } else {
        crReadLens(in, in.need(node, path, "lens"), path + ".lens", &cam);
        in.optional(node, path, "lens_fit", [&](const YAML::Node& v, const std::string& at) {
            camera.lensFit.emplace();
            crReadLensFit(in, v, at, &*camera.lensFit);
        });
    }
    in.optional(node, path, "pose", [&](const YAML::Node& v, const std::string& at) { crReadPose(in, v, at, &cam); });
    in.optional(node, path, "sightings",
                [&](const YAML::Node& v, const std::string& at) { crReadSightings(in, v, at, &camera); });
    in.optional(node, path, "photograph",
                [&](const YAML::Node& v, const std::string& at) { camera.photograph = crReadPhotograph(in, v, at); });
    in.optional(node, path, "frame",
                [&](const YAML::Node& v, const std::string& at) { camera.frame = in.text(v, at); });
    return camera;
}

void crReadCameras(const YamlFields& in, const YAML::Node& node, Rig* rig) {
    in.map(node, "cameras", {kSlotNames[0], kSlotNames[1], kSlotNames[2], kSlotNames[3]});
    if (node.size() == 0) in.fail(node, "cameras", "no camera");
    for (const auto& entry : node) {
        const std::string name = entry.first.Scalar();
        rig->cameras.push_back(crReadCamera(in, entry.second, "cameras." + name, slotOf(name)));
    }
}

uint32_t crReadSampling(const YamlFields& in, const YAML::Node& node, const std::string& path, uint32_t bilinear,
                        uint32_t bicubic) {
    uint32_t flags = bilinear;
    in.optional(node, path, "sampling", [&](const YAML::Node& v, const std::string& at) {
        const std::string name = in.text(v, at);
        if (name == "nearest")
            flags = 0;
        else if (name == "bicubic")
            flags = bicubic;
        else if (name != "bilinear")
            in.fail(v, at, "unknown sampling (value \"" + name + "\", allowed nearest, bilinear, bicubic)");
    });
    return flags;
}

void crReadFlag(const YamlFields& in, const YAML::Node& node, const std::string& path, const char* key, uint32_t bit,
                uint32_t* flags) {
    in.optional(node, path, key, [&](const YAML::Node& v, const std::string& at) {
        if (in.boolean(v, at)) *flags |= bit;
    });
}

void crReadNumber(const YamlFields& in, const YAML::Node& node, const std::string& path, const char* key, float* out) {
    in.optional(node, path, key, [&](const YAML::Node& v, const std::string& at) { *out = in.number(v, at); });
}

void crReadPair(const YamlFields& in, const YAML::Node& node, const std::string& path, const char* key, float* x,
                float* y) {
    in.optional(node, path, key, [&](const YAML::Node& v, const std::string& at) { crReadPoint(in, v, at, x, y); });
}

// Size, centre (the middle by default), field of view and blending: what top
// and bowl views share.
void crReadMultiview(const YamlFields& in, const YAML::Node& node, const std::string& path, const Rig& rig,
                     RigView* view) {
    MultiviewParam& p = view->multiview;
    crReadSize(in, in.need(node, path, "size"), path + ".size", &p.viewWidth, &p.viewHeight);
    p.viewCenterX = p.viewWidth / 2.0f, p.viewCenterY = p.viewHeight / 2.0f;
    crReadPair(in, node, path, "centre", &p.viewCenterX, &p.viewCenterY);
    p.flags = crReadSampling(in, node, path, CR_MULTI_BILINEAR, CR_MULTI_BICUBIC);
    crReadFlag(in, node, path, "tint", CR_MULTI_TINT, &p.flags);
    in.optional(node, path, "mode",
                [&](const YAML::Node& v, const std::string& at) { p.mode = in.integer(v, at, 0, 5); });
    p.frontFov = 190.0f, p.rearFov = 190.0f, p.blendAngle = 10.0f;
    crReadNumber(in, node, path, "front_fov", &p.frontFov);
    crReadNumber(in, node, path, "rear_fov", &p.rearFov);
    crReadNumber(in, node, path, "blend_angle", &p.blendAngle);
    p.carWidth = rig.carWidth, p.carLength = rig.carLength, p.carColor = rig.carColor;
}

void crReadTop(const YamlFields& in, const YAML::Node& node, const std::string& path, const Rig& rig, RigView* view) {
    in.map(node, path,
           {"name", "type", "size", "centre", "scale", "mode", "sampling", "tint", "turned", "front_fov", "rear_fov",
            "blend_angle", "line_width"});
    crReadMultiview(in, node, path, rig, view);
    MultiviewParam& p = view->multiview;
    p.scale = in.number(in.need(node, path, "scale"), path + ".scale");
    crReadFlag(in, node, path, "turned", CR_MULTI_TURNED, &p.flags);
    p.lineWidth = 2;
    in.optional(node, path, "line_width",
                [&](const YAML::Node& v, const std::string& at) { p.lineWidth = in.integer(v, at, 0, 64); });
}

// The virtual camera the bowl is seen through; the engine takes its principal
// point from the view centre, and it has the view's size.
void crReadViewpoint(const YamlFields& in, const YAML::Node& node, const std::string& path, RigView* view) {
    in.map(node, path, {"pixel_scale", "position", "angles", "origin"});
    CameraParam& v = view->viewpoint;
    crReadPoint(in, in.need(node, path, "pixel_scale"), path + ".pixel_scale", &v.pixelScaleX, &v.pixelScaleY);
    crReadPoseFields(in, node, path, &v);
    v.focalLength = 1.0f;
    v.principalX = view->multiview.viewCenterX, v.principalY = view->multiview.viewCenterY;
    v.imageWidth = view->multiview.viewWidth, v.imageHeight = view->multiview.viewHeight;
}

void crReadBowl(const YamlFields& in, const YAML::Node& node, const std::string& path, const Rig& rig, RigView* view) {
    in.map(node, path,
           {"name", "type", "engine", "size", "centre", "mode", "sampling", "tint", "front_fov", "rear_fov",
            "blend_angle", "bowl", "viewpoint"});
    view->engineType = 1;
    in.optional(node, path, "engine",
                [&](const YAML::Node& v, const std::string& at) { view->engineType = in.integer(v, at, 1, 2); });
    crReadMultiview(in, node, path, rig, view);
    MultiviewParam& p = view->multiview;
    const YAML::Node bowl = in.need(node, path, "bowl");
    in.map(bowl, path + ".bowl", {"wall", "height", "floor_y"});
    crReadPoint(in, in.need(bowl, path + ".bowl", "wall"), path + ".bowl.wall", &p.bowlWallX, &p.bowlWallY);
    p.bowlHeight = in.number(in.need(bowl, path + ".bowl", "height"), path + ".bowl.height");
    p.bowlFloorY = in.number(in.need(bowl, path + ".bowl", "floor_y"), path + ".bowl.floor_y");
    crReadViewpoint(in, in.need(node, path, "viewpoint"), path + ".viewpoint", view);
}

uint32_t crReadViewFlags(const YamlFields& in, const YAML::Node& node, const std::string& path) {
    static const std::pair<const char*, uint32_t> kFlags[] = {
        {"lens", CR_VIEW_LENS}, {"radial", CR_VIEW_RADIAL},   {"flip", CR_VIEW_FLIP},   {"mirror", CR_VIEW_MIRROR},
        {"fold", CR_VIEW_FOLD}, {"overlay", CR_VIEW_OVERLAY}, {"split", CR_VIEW_SPLIT}, {"rowwise", CR_VIEW_ROWWISE},
    };
    const size_t count = in.list(node, path, 0, 8);
    uint32_t flags = 0;
    for (size_t i = 0; i < count; ++i) {
        const std::string at = fieldIndex(path, i), name = in.text(node[i], at);
        uint32_t bit = 0;
        for (const auto& flag : kFlags)
            if (name == flag.first) bit = flag.second;
        if (bit == 0)
            in.fail(node[i], at,
                    "unknown flag (value \"" + name +
                        "\", allowed lens, radial, flip, mirror, fold, overlay, split, "
                        "rowwise)");
        if (flags & bit) in.fail(node[i], at, "flag given twice (value \"" + name + "\")");
        flags |= bit;
    }
    return flags;
}

void crReadSingle(const YamlFields& in, const YAML::Node& node, const std::string& path, RigView* view) {
    in.map(node, path,
           {"name", "type", "camera", "size", "centre", "flags", "sampling", "mode_param", "keystone", "shift",
            "rotation", "zoom", "shear", "band_width", "overlay_scale", "overlay_offset"});
    ViewParam& p = view->single;
    view->camera = in.text(in.need(node, path, "camera"), path + ".camera");
    if (slotOf(view->camera) < 0)
        in.fail(node["camera"], path + ".camera",
                "unknown camera (value \"" + view->camera + "\", allowed front, rear, left, right)");
    crReadSize(in, in.need(node, path, "size"), path + ".size", &p.outWidth, &p.outHeight);
    p.centerX = p.outWidth / 2.0f, p.centerY = p.outHeight / 2.0f;
    crReadPair(in, node, path, "centre", &p.centerX, &p.centerY);
    p.flags = crReadSampling(in, node, path, CR_VIEW_BILINEAR, CR_VIEW_BICUBIC);
    in.optional(node, path, "flags",
                [&](const YAML::Node& v, const std::string& at) { p.flags |= crReadViewFlags(in, v, at); });
    crReadNumber(in, node, path, "mode_param", &p.modeParam);
    crReadPair(in, node, path, "keystone", &p.keystoneX, &p.keystoneY);
    crReadPair(in, node, path, "shift", &p.shiftX, &p.shiftY);
    crReadNumber(in, node, path, "rotation", &p.rotation);
    p.zoomX = 1.0f, p.zoomY = 1.0f;
    crReadPair(in, node, path, "zoom", &p.zoomX, &p.zoomY);
    crReadPair(in, node, path, "shear", &p.shearX, &p.shearY);
    crReadNumber(in, node, path, "band_width", &p.bandWidth);
    p.overlayScale = 10.0f;
    crReadNumber(in, node, path, "overlay_scale", &p.overlayScale);
    in.optional(node, path, "overlay_offset", [&](const YAML::Node& v, const std::string& at) {
        p.overlayOffset = in.integer(v, at, -100000000, 100000000);
    });
}

void crReadViews(const YamlFields& in, const YAML::Node& node, Rig* rig) {
    const size_t count = in.list(node, "views", 0, kMaxViews);
    for (size_t i = 0; i < count; ++i) {
        const YAML::Node entry = node[i];
        const std::string at = fieldIndex("views", i);
        if (!entry.IsMap()) in.map(entry, at, {});
        RigView view;
        view.name = in.text(in.need(entry, at, "name"), at + ".name");
        const std::string path = "views." + view.name;
        const YAML::Node type = in.need(entry, path, "type");
        const std::string kind = in.text(type, path + ".type");
        if (kind == "top") {
            view.kind = ViewKind::top;
            crReadTop(in, entry, path, *rig, &view);
        } else if (kind == "bowl") {
            view.kind = ViewKind::bowl;
            crReadBowl(in, entry, path, *rig, &view);
        } else if (kind == "single") {
            view.kind = ViewKind::single;
            crReadSingle(in, entry, path, &view);
        } else {
            in.fail(type, path + ".type", "unknown view type (value \"" + kind + "\", allowed top, bowl, single)");
        }
        rig->views.push_back(view);
    }
}

}  // namespace

Rig parseRig(const std::string& text, const std::string& name) {
    RigLines lines;
    const YamlFields in(name, &lines);
    Rig rig;
    rig.path = name;
    try {
        const YAML::Node root = loadYaml(text, name);
        in.map(root, "", {"vehicle", "mark_tolerance", "marks", "cameras", "views"});
        crReadVehicle(in, in.need(root, "", "vehicle"), &rig);
        in.optional(root, "", "mark_tolerance", [&](const YAML::Node& v, const std::string&) {
            rig.markTolerance = in.number(v, "mark_tolerance");
        });
        in.optional(root, "", "marks", [&](const YAML::Node& v, const std::string&) { crReadMarks(in, v, &rig); });
        crReadCameras(in, in.need(root, "", "cameras"), &rig);
        in.optional(root, "", "views", [&](const YAML::Node& v, const std::string&) { crReadViews(in, v, &rig); });
    } catch (const YAML::Exception& e) {
        // Reading a well-formed document should not throw; whatever does is still a bad file.
        throw RigError(name, e.mark.line < 0 ? 0 : e.mark.line + 1, "", e.msg);
    }
    checkRig(rig, lines);
    return rig;
}

Rig readRig(const std::string& path) {
    const std::vector<unsigned char> bytes = readFileBounded(path, kMaxFileBytes);
    return parseRig(std::string(bytes.begin(), bytes.end()), path);
}

}  // namespace camrig
