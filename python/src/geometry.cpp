// The lens model, world/image mapping, homographies, poses, view LUTs and
// parking guides: stateless functions over the records and numpy arrays.
// Functions that change a camera in C change the CameraParam given to them.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "bind.h"

namespace {

// The most parking-guide points made at once.
constexpr int kCrMaxGuidePoints = 1 << 20;

// World points from an array-like of shape (n, 2) or (n, 3) (or one point):
// a missing z is 0.
std::vector<Point3f> crWorldIn(const py::handle& array, const char* what) {
    auto a = crArrayIn<float>(array, what);
    const bool single = a.ndim() == 1 && (a.shape(0) == 2 || a.shape(0) == 3);
    const bool many = a.ndim() == 2 && (a.shape(1) == 2 || a.shape(1) == 3);
    if (!single && !many) throw py::value_error(std::string(what) + ": wanted points of shape (n, 2) or (n, 3)");
    const py::ssize_t n = single ? 1 : a.shape(0), dims = a.shape(a.ndim() - 1);
    std::vector<Point3f> points(static_cast<size_t>(n));
    const float* v = a.data();
    for (py::ssize_t i = 0; i < n; ++i, v += dims) points[i] = {v[0], v[1], dims == 3 ? v[2] : 0.0f};
    return points;
}

py::array_t<float> crWorldOut(const std::vector<Point3f>& points) {
    py::array_t<float> out({static_cast<py::ssize_t>(points.size()), py::ssize_t(3)});
    if (!points.empty()) std::memcpy(out.mutable_data(), points.data(), sizeof(Point3f) * points.size());
    return out;
}

// Applies a per-point C function to every point of `array`.
template <typename Map> py::array_t<float> crMapPoints(const py::handle& array, const char* what, Map&& map) {
    std::vector<Point2f> points = crPointsIn(array, what);
    for (Point2f& p : points) p = map(p);
    return crPointsOut(points.data(), points.size());
}

void crCheckPairs(const CameraParam& cam) {
    if (cam.pointCount < 4) throw py::value_error("cam: wanted at least 4 calibration pairs (pointCount)");
}

// A LUT (height, width, 2) as one numpy block, filled by `build` through a
// table of row pointers into it; `build` runs without the GIL.
template <typename Build> py::array_t<float> crLutOut(int width, int height, Build&& build) {
    py::array_t<float> lut({py::ssize_t(height), py::ssize_t(width), py::ssize_t(2)});
    std::vector<float*> rows(static_cast<size_t>(height));
    for (int r = 0; r < height; ++r) rows[r] = lut.mutable_data(r);
    {
        py::gil_scoped_release nogil;
        build(rows.data());
    }
    return lut;
}

void crBindLens(py::module_& m) {
    m.def(
        "feature_undistortion",
        [](const py::handle& pixels, const CameraParam& cam) {
            return crMapPoints(pixels, "pixels", [&](Point2f p) {
                Point2f u{};
                crFeatureUndistortion(&p, &u, &cam);
                return u;
            });
        },
        py::arg("pixels"), py::arg("cam"),
        "Undistorted sensor points (n, 2), sensor units about the optical centre, of camera pixels (n, 2).");
    m.def(
        "feature_distortion",
        [](const py::handle& undistorted, const CameraParam& cam) {
            return crMapPoints(undistorted, "undistorted", [&](Point2f u) {
                Point2f p{};
                crFeatureDistortion(&u, &p, &cam);
                return p;
            });
        },
        py::arg("undistorted"), py::arg("cam"),
        "Camera pixels (n, 2) of undistorted sensor points (n, 2): the inverse of feature_undistortion.");
    m.def(
        "get_fov",
        [](const CameraParam& cam, float u, float v) {
            float degrees = 0;
            crGetFOV(&cam, u, v, &degrees);
            return degrees;
        },
        py::arg("cam"), py::arg("u"), py::arg("v"),
        "Incidence angle in degrees of pixel (u, v): the angle between the optical axis and its ray.");
}

void crBindMapping(py::module_& m) {
    m.def(
        "get_projection_z3x3",
        [](const CameraParam& cam) {
            CrMatrix h(3, 3);
            crGetProjectionZ3x3(&h.m, &cam);
            return h.array();
        },
        py::arg("cam"), "The camera's ground-plane projection (3, 3): pose-frame (X, Y, 1) to camera coordinates.");
    m.def(
        "get_projection_3x4",
        [](const CameraParam& cam) {
            CrMatrix p(3, 4);
            crGetProjection3x4(&p.m, &cam);
            return p.array();
        },
        py::arg("cam"), "The camera's projection [R | R t] (3, 4): (X, Y, Z, 1) to camera coordinates.");
    m.def(
        "image_to_world",
        [](const py::handle& pixels, const CameraParam& cam, const py::handle& h) {
            const CrMatrix map = crMatrixIn(h, "h", 3, 3);
            const std::vector<Point2f> in = crPointsIn(pixels, "pixels");
            std::vector<Point3f> out(in.size());
            for (size_t i = 0; i < in.size(); ++i) out[i] = crImageToWorld(in[i], &cam, &map.m);
            return crWorldOut(out);
        },
        py::arg("pixels"), py::arg("cam"), py::arg("h"),
        "Calibration-frame ground points (n, 3) that camera pixels (n, 2) see through h, the sensor-to-ground "
        "homography of get_homography(cam, 1).");
    m.def(
        "world_to_image",
        [](const CameraParam& cam, const py::handle& world, const py::handle& h) {
            const CrMatrix map = crMatrixIn(h, "h", 3, 3);
            const std::vector<Point3f> in = crWorldIn(world, "world");
            std::vector<Point2f> out(in.size());
            for (size_t i = 0; i < in.size(); ++i) out[i] = crWorldToImage(&cam, in[i], &map.m);
            return crPointsOut(out.data(), out.size());
        },
        py::arg("cam"), py::arg("world"), py::arg("h"),
        "Camera pixels (n, 2) of ground points (n, 2) or (n, 3) in the frame of h, the ground-to-sensor "
        "homography of get_homography(cam, 0).");
    m.def(
        "world_to_image_2d",
        [](const CameraParam& cam, const py::handle& world) {
            const std::vector<Point2f> in = crPointsIn(world, "world");
            std::vector<Point2f> out(in.size());
            if (!in.empty()) crWorldToImage2D(&cam, in.data(), out.data(), static_cast<int>(in.size()));
            return crPointsOut(out.data(), out.size());
        },
        py::arg("cam"), py::arg("world"),
        "Camera pixels (n, 2) of pose-frame ground points (n, 2) through the camera's own pose and lens; "
        "(-1, -1) separators stay.");
    m.def(
        "convert_image2world",
        [](CameraParam& cam, const py::object& count) {
            crConvertImage2World(&cam, 0, 0, count.is_none() ? cam.pointCount : count.cast<int>());
        },
        py::arg("cam"), py::arg("count") = py::none(),
        "Writes into cam.worldPoints the ground points its first `count` imagePoints (default pointCount, "
        "at most 50) see; changes cam in place, nothing else.");
}

void crBindHomography(py::module_& m) {
    m.def(
        "get_homography_2d",
        [](const py::handle& src, const py::handle& dst) {
            const std::vector<Point2f> from = crPointsIn(src, "src"), to = crPointsIn(dst, "dst");
            if (from.size() != to.size()) throw py::value_error("src, dst: wanted as many points in each");
            if (from.size() < 4) throw py::value_error("src, dst: wanted at least 4 pairs");
            CrMatrix h(3, 3);
            crGetHomography2D(from.data(), to.data(), static_cast<int>(from.size()), &h.m);
            return h.array();
        },
        py::arg("src"), py::arg("dst"),
        "Least-squares homography (3, 3) with dst ~ h * src over n >= 4 pairs of points (n, 2).");
    m.def(
        "get_homography_2d3p",
        [](const py::handle& src, const py::handle& dst) {
            const std::vector<Point2f> from = crPointsIn(src, "src"), to = crPointsIn(dst, "dst");
            if (from.size() != to.size()) throw py::value_error("src, dst: wanted as many points in each");
            if (from.size() < 3) throw py::value_error("src, dst: wanted at least 3 pairs");
            CrMatrix h(3, 3);
            crGetHomography2D3P(from.data(), to.data(), static_cast<int>(from.size()), &h.m);
            return h.array();
        },
        py::arg("src"), py::arg("dst"),
        "Least-squares affine map (3, 3), last row (0, 0, 1), with dst ~ h * src over n >= 3 pairs.");
    m.def(
        "get_homography",
        [](const CameraParam& cam, int imageToWorld) {
            crCheckPairs(cam);
            CrMatrix h(3, 3);
            crGetHomography(&h.m, &cam, imageToWorld);
            return h.array();
        },
        py::arg("cam"), py::arg("image_to_world"),
        "Homography (3, 3) from the camera's calibration pairs: undistorted sensor plane to pose-frame ground "
        "when image_to_world is true, ground to sensor otherwise.");
    m.def(
        "homography_transform",
        [](const py::handle& points, const py::handle& h) {
            const CrMatrix map = crMatrixIn(h, "h", 3, 3);
            return crMapPoints(points, "points", [&](Point2f p) {
                Point2f q{};
                crHomographyTransform(&p, &q, &map.m);
                return q;
            });
        },
        py::arg("points"), py::arg("h"), "Points (n, 2) mapped through the homography h (3, 3).");
}

void crBindPose(py::module_& m) {
    py::object position =
        py::module_::import("collections").attr("namedtuple")("CameraPosition", "x y z angle_x angle_y angle_z");
    position.attr("__doc__") = "A camera pose: position (x, y, z) and angles in degrees, as the records hold them.";
    position.attr("__module__") = "camrig";
    m.attr("CameraPosition") = position;
    m.def(
        "get_camera_position",
        [position](const py::handle& h, float focalLength) {
            const CrMatrix map = crMatrixIn(h, "h", 3, 3);
            float x = 0, y = 0, z = 0, ax = 0, ay = 0, az = 0;
            crGetCameraPosition(&map.m, focalLength, &x, &y, &z, &ax, &ay, &az);
            return position(x, y, z, ax, ay, az);
        },
        py::arg("h"), py::arg("focal_length"),
        "The CameraPosition (x, y, z, angle_x, angle_y, angle_z) recovered from h, the ground-to-sensor "
        "homography, and the focal length.");
    m.def(
        "get_camera_pos",
        [](CameraParam& cam) {
            crCheckPairs(cam);
            crGetCameraPos(&cam);
        },
        py::arg("cam"), "Calibrates cam's position and angles in place from its own calibration pairs (at least 4).");
    m.def(
        "adjust_camera_position", [](CameraParam& cam) { return crAdjustCameraPosition(&cam); }, py::arg("cam"),
        "Refines cam's position in place against its calibration pairs; returns the remaining pose error.");
    m.def(
        "adjust_camera_angle", [](CameraParam& cam) { return crAdjustCameraAngle(&cam); }, py::arg("cam"),
        "Refines cam's pan angle (angleY) in place against its calibration pairs; returns the remaining pose error.");
    m.def(
        "adjust_camera_pan_angle", [](CameraParam& cam) { return crAdjustCameraPanAngle(&cam); }, py::arg("cam"),
        "The same as adjust_camera_angle.");
}

void crBindViewLuts(py::module_& m) {
    m.def(
        "get_view_mode_lut",
        [](int srcWidth, int srcHeight, CrPyViewParam& view) {
            crCheckSize(view.rec.outWidth, view.rec.outHeight, "view");
            return crLutOut(view.rec.outWidth, view.rec.outHeight,
                            [&, rec = view.c()](float** rows) { crGetviewModeLUT(srcWidth, srcHeight, rows, rec); });
        },
        py::arg("src_width"), py::arg("src_height"), py::arg("view"),
        "The view's remap LUT, float32 (outHeight, outWidth, 2): per view pixel the (x, y) camera-picture "
        "position it shows, (-1, -1) for none.");
    m.def(
        "get_view_mode_point",
        [](const py::handle& points, CrPyViewParam& view) {
            const ViewParam* v = view.c();
            return crMapPoints(points, "points", [&](Point2f p) {
                Point2f q{};
                crGetViewModePoint(&p, &q, v);
                return q;
            });
        },
        py::arg("points"), py::arg("view"), "Positions in the corrected view (n, 2) of camera-picture points (n, 2).");
    m.def(
        "get_overlay_lut",
        [](int pictureWidth, int pictureHeight, CrPyViewParam& view) {
            crCheckSize(view.rec.outWidth, view.rec.outHeight, "view");
            return crLutOut(view.rec.outWidth, view.rec.outHeight, [&, rec = view.c()](float** rows) {
                crGetOverlayLUT(pictureWidth, pictureHeight, rows, rec);
            });
        },
        py::arg("picture_width"), py::arg("picture_height"), py::arg("view"),
        "The LUT, float32 (outHeight, outWidth, 2), that paints a ground-plane overlay picture of that size "
        "into the view.");
}

void crBindParkingGuides(py::module_& m) {
    m.def(
        "get_pgs_world_points",
        [](CrPyPgsParam& pgs) {
            // pointCount is the capacity going in and the count written coming out;
            // the library fills all of it, so a wild count is refused, not allocated.
            if (pgs.rec.pointCount > kCrMaxGuidePoints)
                throw py::value_error("pgs: wanted a pointCount of at most " + std::to_string(kCrMaxGuidePoints));
            std::vector<Point2f> out(static_cast<size_t>(std::max(pgs.rec.pointCount, 1)));
            crGetPGSWorldPoints(pgs.c(), out.data());
            const size_t written = static_cast<size_t>(std::max(0, std::min<int>(pgs.rec.pointCount, out.size())));
            return crPointsOut(out.data(), written);
        },
        py::arg("pgs"),
        "The parking-guide outline as ground points (n, 2), y negated, (-1, -1) between bands; at most "
        "pgs.pointCount of them. Writes back pgs.pointCount, the band counts and the working fields.");
    m.def(
        "get_pgs_world_to_image",
        [](const CameraParam& cam, const py::handle& points) {
            std::vector<Point2f> in = crPointsIn(points, "points");
            if (!in.empty()) crGetPGSWorldToImage(&cam, in.data(), in.data(), static_cast<int>(in.size()));
            return crPointsOut(in.data(), in.size());
        },
        py::arg("cam"), py::arg("points"),
        "Camera pixels (n, 2) of guide points (n, 2) as get_pgs_world_points gives them; separators stay.");
}

}  // namespace

void crBindGeometry(py::module_& m) {
    crBindLens(m);
    crBindMapping(m);
    crBindHomography(m);
    crBindPose(m);
    crBindViewLuts(m);
    crBindParkingGuides(m);
}
