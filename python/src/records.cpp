// The library's records as Python classes: fields by their header names,
// fixed arrays as numpy views over the record's memory, and the records
// that own their cameras and point lists (bind.h) in place of the C ones.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "bind.h"

namespace {

// The calibration pairs a camera holds (imagePoints, worldPoints).
constexpr int kCrMaxPairs = 50;
// The multi-view record's cameras: slots 0..3 and the bowl views' virtual camera.
constexpr int kCrCameraSlots = 5;

// The shortest text that reads back as the same float: 1.5, 2, 0.1, 2250
// (%g would write 2.25e+03: it turns to an exponent once the digits run out).
std::string crFloatText(float v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v > 0 ? "inf" : "-inf";
    char text[48];
    int digits = 1;
    for (; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(text, nullptr) == v) break;
    }
    const double magnitude = std::fabs(static_cast<double>(v));
    if (std::strchr(text, 'e') && magnitude >= 1 && magnitude < 1e15) {
        const int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
        std::snprintf(text, sizeof text, "%.*f", std::max(0, digits - 1 - exponent), static_cast<double>(v));
    }
    return text;
}

std::string crHexText(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", v);
    return text;
}

template <typename T> std::string crValueText(T v) {
    if constexpr (std::is_floating_point_v<T>)
        return crFloatText(v);
    else
        return std::to_string(v);
}

// "name=value" pairs joined by ", ".
class CrFieldText {
public:
    template <typename T> CrFieldText& add(const char* name, T value) {
        text_ << (text_.tellp() > 0 ? ", " : "") << name << '=' << crValueText(value);
        return *this;
    }
    CrFieldText& raw(const char* name, const std::string& value) {
        text_ << (text_.tellp() > 0 ? ", " : "") << name << '=' << value;
        return *this;
    }
    std::string str() const { return text_.str(); }

private:
    std::ostringstream text_;
};

template <typename T> std::string crListText(const T* values, int count) {
    std::string text = "[";
    for (int i = 0; i < count; ++i) text += (i ? ", " : "") + crValueText(values[i]);
    return text + "]";
}

// ---- Fields -----------------------------------------------------------------

// A value's type and repr for a message, the repr cut short.
std::string crValueDescription(const py::handle& value) {
    std::string text = py::repr(value).cast<std::string>();
    if (text.size() > 40) text = text.substr(0, 37) + "...";
    return py::str(py::type::of(value).attr("__name__")).cast<std::string>() + " " + text;
}

// A Python value for a field of type T; a TypeError names the field (the
// setter's own error would not).
template <typename T> T crScalarArg(const py::handle& value, const char* name) {
    py::detail::make_caster<T> caster;
    if (!caster.load(value, true)) {
        const char* wanted = std::is_floating_point_v<T> ? "a number"
                             : std::is_signed_v<T>       ? "an integer of 32 bits"
                                                         : "an integer of 32 bits, not negative";
        throw py::type_error(std::string(name) + ": wanted " + wanted + ", got " + crValueDescription(value));
    }
    return py::detail::cast_op<T>(caster);
}

// A field of `Owner` by name.
template <typename Owner, typename T>
void crField(py::class_<Owner>& cls, const char* name, T Owner::*field, const char* doc = "") {
    cls.def_property(
        name, [field](const Owner& o) { return o.*field; },
        [name, field](Owner& o, const py::handle& v) { o.*field = crScalarArg<T>(v, name); }, doc);
}

// A field of the C record `rec` inside an owning wrapper (bind.h), by name.
template <typename Owner, typename Rec, typename T>
void crRecField(py::class_<Owner>& cls, const char* name, T Rec::*field, const char* doc = "") {
    cls.def_property(
        name, [field](const Owner& o) { return o.rec.*field; },
        [name, field](Owner& o, const py::handle& v) { o.rec.*field = crScalarArg<T>(v, name); }, doc);
}

// A camera record given for `name`.
const CameraParam& crCameraArg(const py::handle& value, const char* name) {
    if (!py::isinstance<CameraParam>(value))
        throw py::type_error(std::string(name) + ": wanted a CameraParam, got " +
                             py::str(py::type::of(value).attr("__name__")).cast<std::string>());
    return value.cast<const CameraParam&>();
}

// A fixed array of `Owner` as a numpy view of `shape` over its memory (the
// view keeps the Python object alive); assigning an array-like of that shape
// replaces its elements.
template <typename Elem, typename Owner, typename Access> void crArrayField(py::class_<Owner>& cls, const char* name,
                                                                            std::vector<py::ssize_t> shape,
                                                                            Access access, const char* doc) {
    py::ssize_t count = 1;
    for (py::ssize_t n : shape) count *= n;
    auto get = [shape, access](const py::object& self) { return crViewOf(self, access(self.cast<Owner&>()), shape); };
    auto set = [name, shape, count, access](Owner& o, const py::handle& value) {
        auto a = crArrayIn<Elem>(value, name, count);
        bool fits = a.ndim() == static_cast<py::ssize_t>(shape.size());
        for (size_t i = 0; fits && i < shape.size(); ++i) fits = a.shape(i) == shape[i];
        if (!fits) {
            std::string wanted;
            for (py::ssize_t n : shape) wanted += (wanted.empty() ? "" : " x ") + std::to_string(n);
            throw py::value_error(std::string(name) + ": wanted " + wanted + " numbers, got an array of shape " +
                                  py::str(a.attr("shape")).cast<std::string>());
        }
        // memmove: the value may be a view of this very array.
        std::memmove(access(o), a.data(), sizeof(Elem) * static_cast<size_t>(count));
    };
    cls.def_property(name, py::cpp_function(get), py::cpp_function(set, py::is_method(cls)), doc);
}

// ---- Shared methods ---------------------------------------------------------

// A new record from keyword arguments, each set as the attribute of that
// name, so it is checked as an assignment would be.
template <typename T> T crFromKeywords(const py::kwargs& fields, const char* className) {
    py::object record = py::cast(T{});
    const py::object property = py::module_::import("builtins").attr("property");
    const py::object type = py::type::of(record);
    for (auto item : fields) {
        const std::string name = py::str(item.first);
        if (!py::hasattr(type, name.c_str()) || !py::isinstance(type.attr(name.c_str()), property))
            throw py::type_error(std::string(className) + ": no field named '" + name + "'");
        record.attr(item.first) = item.second;
    }
    return record.cast<T>();
}

// copy(), and the `copy` module's protocol, as a copy of the whole record.
template <typename T> void crCopyMethods(py::class_<T>& cls) {
    cls.def(
           "copy", [](const T& r) { return T(r); }, "An independent copy of the record.")
        .def("__copy__", [](const T& r) { return T(r); })
        .def(
            "__deepcopy__", [](const T& r, const py::object&) { return T(r); }, py::arg("memo"));
}

template <typename Rec> py::bytes crRecordBytes(const Rec& rec) {
    return py::bytes(reinterpret_cast<const char*>(&rec), sizeof rec);
}

// ---- Points -----------------------------------------------------------------

// A point from a sequence of exactly `N` numbers.
template <typename P, size_t N> P crPointFromSequence(const py::sequence& values) {
    if (py::isinstance<py::str>(values) || py::isinstance<py::bytes>(values))
        throw py::type_error("wanted " + std::to_string(N) + " numbers, got text");
    if (values.size() != N)
        throw py::value_error("wanted " + std::to_string(N) + " numbers, got " + std::to_string(values.size()));
    float v[N];
    for (size_t i = 0; i < N; ++i) {
        py::detail::make_caster<float> number;
        if (!number.load(values[i], true)) throw py::type_error("wanted " + std::to_string(N) + " numbers");
        v[i] = py::detail::cast_op<float>(number);
    }
    P p{};
    std::memcpy(&p, v, sizeof p);
    return p;
}

template <typename P, size_t N> float crPointItem(const P& p, py::ssize_t index) {
    const auto count = static_cast<py::ssize_t>(N);
    if (index < 0) index += count;
    if (index < 0 || index >= count) throw py::index_error("point index out of range");
    return reinterpret_cast<const float*>(&p)[index];
}

// Equal coordinates, compared as floats (0.0 == -0.0, NaN unequal) as Python does.
template <typename P, size_t N> bool crSamePoint(const P& a, const P& b) {
    const auto* fa = reinterpret_cast<const float*>(&a);
    const auto* fb = reinterpret_cast<const float*>(&b);
    for (size_t i = 0; i < N; ++i)
        if (!(fa[i] == fb[i])) return false;
    return true;
}

// The sequence side shared by both points: len, indexing, iteration (so
// tuple(p) and numpy.array(p) work), equality with points and sequences.
template <typename P, size_t N> void crPointProtocol(py::class_<P>& cls) {
    cls.def(py::init(&crPointFromSequence<P, N>), py::arg("values"), "A point from a sequence of its coordinates.")
        .def("__len__", [](const P&) { return N; })
        .def("__getitem__", &crPointItem<P, N>)
        .def("__iter__",
             [](const P& p) {
                 py::tuple t(N);
                 for (size_t i = 0; i < N; ++i) t[i] = reinterpret_cast<const float*>(&p)[i];
                 return py::iter(t);
             })
        .def("__eq__", &crSamePoint<P, N>, py::is_operator())
        .def("_bytes", &crRecordBytes<P>, "The record's bytes as the library sees them.");
    crCopyMethods(cls);
    py::implicitly_convertible<py::tuple, P>();
    py::implicitly_convertible<py::list, P>();
}

void crBindPoints(py::module_& m) {
    py::class_<Point2f> p2(m, "Point2f", "A point (x, y) of the image or the ground.");
    p2.def(py::init([](float x, float y) {
               return Point2f{x, y};
           }),
           py::arg("x") = 0.0f, py::arg("y") = 0.0f, "A point from its coordinates.")
        .def("__repr__",
             [](const Point2f& p) { return "Point2f(" + CrFieldText().add("x", p.x).add("y", p.y).str() + ")"; });
    crField(p2, "x", &Point2f::x);
    crField(p2, "y", &Point2f::y);
    crPointProtocol<Point2f, 2>(p2);

    py::class_<Point3f> p3(m, "Point3f", "A point (x, y, z) of the world.");
    p3.def(py::init([](float x, float y, float z) {
               return Point3f{x, y, z};
           }),
           py::arg("x") = 0.0f, py::arg("y") = 0.0f, py::arg("z") = 0.0f, "A point from its coordinates.")
        .def("__repr__", [](const Point3f& p) {
            return "Point3f(" + CrFieldText().add("x", p.x).add("y", p.y).add("z", p.z).str() + ")";
        });
    crField(p3, "x", &Point3f::x);
    crField(p3, "y", &Point3f::y);
    crField(p3, "z", &Point3f::z);
    crPointProtocol<Point3f, 3>(p3);
}

// ---- CameraParam ------------------------------------------------------------

// Equal when every field but the spare ones holds the same bits.
bool crSameCamera(const CameraParam& a, const CameraParam& b) {
    const auto* pa = reinterpret_cast<const char*>(&a);
    const auto* pb = reinterpret_cast<const char*>(&b);
    const size_t ranges[][2] = {{0, offsetof(CameraParam, spare1)},
                                {offsetof(CameraParam, positionX), offsetof(CameraParam, spare2)},
                                {offsetof(CameraParam, pointCount), offsetof(CameraParam, spare3)}};
    for (const auto& r : ranges)
        if (std::memcmp(pa + r[0], pb + r[0], r[1] - r[0]) != 0) return false;
    return true;
}

// One line: what tells cameras apart in a list of them.
std::string crCameraSummary(const CameraParam& c) {
    return "CameraParam(" +
           CrFieldText()
               .add("focalLength", c.focalLength)
               .add("imageWidth", c.imageWidth)
               .add("imageHeight", c.imageHeight)
               .add("positionX", c.positionX)
               .add("positionY", c.positionY)
               .add("positionZ", c.positionZ)
               .add("pointCount", c.pointCount)
               .str() +
           ")";
}

std::string crCameraRepr(const CameraParam& c) {
    const std::string intrinsics = CrFieldText()
                                       .add("focalLength", c.focalLength)
                                       .add("pixelScaleX", c.pixelScaleX)
                                       .add("pixelScaleY", c.pixelScaleY)
                                       .add("principalX", c.principalX)
                                       .add("principalY", c.principalY)
                                       .str();
    const std::string lens = CrFieldText()
                                 .raw("distortion", crListText(c.distortion, 5))
                                 .raw("undistortion", crListText(c.undistortion, 9))
                                 .str();
    const std::string size = CrFieldText().add("imageWidth", c.imageWidth).add("imageHeight", c.imageHeight).str();
    const std::string pose = CrFieldText()
                                 .add("positionX", c.positionX)
                                 .add("positionY", c.positionY)
                                 .add("positionZ", c.positionZ)
                                 .add("angleX", c.angleX)
                                 .add("angleZ", c.angleZ)
                                 .add("angleY", c.angleY)
                                 .str();
    const std::string frame =
        CrFieldText().add("originX", c.originX).add("originY", c.originY).add("pointCount", c.pointCount).str();
    return "CameraParam(\n    " + intrinsics + ",\n    " + lens + ",\n    " + size + ",\n    " + pose + ",\n    " +
           frame + ")";
}

void crSetPointCount(CameraParam& c, int32_t count) {
    if (count < 0 || count > kCrMaxPairs)
        throw py::value_error("pointCount: wanted 0.." + std::to_string(kCrMaxPairs) + ", got " +
                              std::to_string(count));
    c.pointCount = count;
}

CameraParam crCameraFromBytes(const py::bytes& state) {
    const std::string bytes = state;
    if (bytes.size() != sizeof(CameraParam)) throw py::value_error("CameraParam: wanted the bytes of one record");
    CameraParam c{};
    std::memcpy(&c, bytes.data(), sizeof c);
    crSetPointCount(c, c.pointCount);
    return c;
}

void crBindCameraFields(py::class_<CameraParam>& cls) {
    crField(cls, "focalLength", &CameraParam::focalLength, "Sensor units.");
    crField(cls, "pixelScaleX", &CameraParam::pixelScaleX, "Pixels per sensor unit along columns.");
    crField(cls, "pixelScaleY", &CameraParam::pixelScaleY, "Pixels per sensor unit along rows.");
    crField(cls, "principalX", &CameraParam::principalX, "Optical centre column.");
    crField(cls, "principalY", &CameraParam::principalY, "Optical centre row.");
    crField(cls, "imageWidth", &CameraParam::imageWidth);
    crField(cls, "imageHeight", &CameraParam::imageHeight);
    crField(cls, "positionX", &CameraParam::positionX);
    crField(cls, "positionY", &CameraParam::positionY);
    crField(cls, "positionZ", &CameraParam::positionZ, "Negative above the ground.");
    crField(cls, "angleX", &CameraParam::angleX, "Degrees.");
    crField(cls, "angleZ", &CameraParam::angleZ, "Degrees.");
    crField(cls, "angleY", &CameraParam::angleY, "Degrees (pan).");
    crField(cls, "originX", &CameraParam::originX, "Where the pose frame's origin lies, calibration frame.");
    crField(cls, "originY", &CameraParam::originY, "Where the pose frame's origin lies, calibration frame.");
    cls.def_property(
        "pointCount", [](const CameraParam& c) { return c.pointCount; },
        [](CameraParam& c, const py::handle& v) { crSetPointCount(c, crScalarArg<int32_t>(v, "pointCount")); },
        "The calibration pairs used, 0..50.");
}

void crBindCameraArrays(py::class_<CameraParam>& cls) {
    using C = CameraParam;
    crArrayField<float>(
        cls, "distortion", {5}, [](C& c) { return c.distortion; },
        "k1..k5: incidence angle -> image height (a view of the record).");
    crArrayField<float>(
        cls, "undistortion", {9}, [](C& c) { return c.undistortion; },
        "c0..c8: image height -> incidence angle (a view of the record).");
    crArrayField<int32_t>(
        cls, "spare1", {2}, [](C& c) { return c.spare1; }, "Unused.");
    crArrayField<int32_t>(
        cls, "spare2", {2}, [](C& c) { return c.spare2; }, "Unused.");
    crArrayField<int32_t>(
        cls, "spare3", {15}, [](C& c) { return c.spare3; }, "Unused.");
    crArrayField<float>(
        cls, "imagePoints", {kCrMaxPairs, 2}, [](C& c) { return &c.imagePoints[0].x; },
        "Calibration pairs: distorted pixels (50 x 2, a view of the record).");
    crArrayField<float>(
        cls, "worldPoints", {kCrMaxPairs, 2}, [](C& c) { return &c.worldPoints[0].x; },
        "Calibration pairs: ground points, calibration frame (50 x 2, a view of the record).");
}

void crBindCamera(py::module_& m) {
    py::class_<CameraParam> cls(m, "CameraParam",
                                "One camera: fisheye intrinsics, lens polynomials, pose on the vehicle and up to 50 "
                                "calibration pairs (pointCount of them used).");
    cls.def(py::init([](const py::kwargs& fields) { return crFromKeywords<CameraParam>(fields, "CameraParam"); }),
            "A camera of zeros, with the fields given by keyword.")
        .def(
            "__eq__", [](const CameraParam& a, const CameraParam& b) { return crSameCamera(a, b); }, py::is_operator())
        .def("__repr__", &crCameraRepr)
        .def("_bytes", &crRecordBytes<CameraParam>, "The record's bytes as the library sees them.")
        .def(py::pickle(&crRecordBytes<CameraParam>, &crCameraFromBytes));
    crBindCameraFields(cls);
    crBindCameraArrays(cls);
    crCopyMethods(cls);
}

// ---- ViewParam --------------------------------------------------------------

std::string crViewRepr(const CrPyViewParam& v) {
    const ViewParam& r = v.rec;
    return "ViewParam(" +
           CrFieldText()
               .raw("flags", crHexText(r.flags))
               .add("modeParam", r.modeParam)
               .add("keystoneX", r.keystoneX)
               .add("keystoneY", r.keystoneY)
               .add("shiftX", r.shiftX)
               .add("shiftY", r.shiftY)
               .add("rotation", r.rotation)
               .add("zoomX", r.zoomX)
               .add("zoomY", r.zoomY)
               .add("shearX", r.shearX)
               .add("shearY", r.shearY)
               .add("bandWidth", r.bandWidth)
               .add("outWidth", r.outWidth)
               .add("outHeight", r.outHeight)
               .add("centerX", r.centerX)
               .add("centerY", r.centerY)
               .add("overlayScale", r.overlayScale)
               .add("overlayOffset", r.overlayOffset)
               .str() +
           ",\n    camera=" + crCameraSummary(v.camera) + ")";
}

void crBindViewFields(py::class_<CrPyViewParam>& cls) {
    crRecField(cls, "flags", &ViewParam::flags, "CR_VIEW_* flags.");
    crRecField(cls, "modeParam", &ViewParam::modeParam);
    crRecField(cls, "keystoneX", &ViewParam::keystoneX, "Degrees.");
    crRecField(cls, "keystoneY", &ViewParam::keystoneY, "Degrees.");
    crRecField(cls, "shiftX", &ViewParam::shiftX);
    crRecField(cls, "shiftY", &ViewParam::shiftY);
    crRecField(cls, "rotation", &ViewParam::rotation, "Degrees.");
    crRecField(cls, "zoomX", &ViewParam::zoomX);
    crRecField(cls, "zoomY", &ViewParam::zoomY);
    crRecField(cls, "shearX", &ViewParam::shearX);
    crRecField(cls, "shearY", &ViewParam::shearY);
    crRecField(cls, "bandWidth", &ViewParam::bandWidth);
    crRecField(cls, "reserved13", &ViewParam::reserved13);
    crRecField(cls, "reserved14", &ViewParam::reserved14);
    crRecField(cls, "outWidth", &ViewParam::outWidth);
    crRecField(cls, "outHeight", &ViewParam::outHeight);
    crRecField(cls, "centerX", &ViewParam::centerX);
    crRecField(cls, "centerY", &ViewParam::centerY);
    crRecField(cls, "overlayScale", &ViewParam::overlayScale, "World units per overlay pixel.");
    crRecField(cls, "reserved20", &ViewParam::reserved20);
    crRecField(cls, "reserved21", &ViewParam::reserved21);
    crRecField(cls, "reserved22", &ViewParam::reserved22);
    crRecField(cls, "reserved23", &ViewParam::reserved23);
    crRecField(cls, "reserved25", &ViewParam::reserved25);
    crRecField(cls, "overlayOffset", &ViewParam::overlayOffset);
}

void crBindView(py::module_& m) {
    py::class_<CrPyViewParam> cls(m, "ViewParam",
                                  "A single camera's corrected view, with the camera it looks through.");
    cls.def(py::init([](const py::kwargs& fields) { return crFromKeywords<CrPyViewParam>(fields, "ViewParam"); }),
            "A view of zeros, with the fields given by keyword.")
        .def_property(
            "camera",
            py::cpp_function([](CrPyViewParam& v) -> CameraParam& { return v.camera; },
                             py::return_value_policy::reference_internal),
            [](CrPyViewParam& v, const py::handle& value) {
                const CameraParam& c = crCameraArg(value, "camera");
                if (&v.camera != &c) v.camera = c;
            },
            "The camera, part of this record (assigning copies one in).")
        .def("__repr__", &crViewRepr)
        .def(
            "_bytes", [](CrPyViewParam& v) { return crRecordBytes(*v.c()); },
            "The record's bytes as the library sees them.");
    crBindViewFields(cls);
    crCopyMethods(cls);
}

// ---- MultiviewParam ---------------------------------------------------------

// The five cameras of a MultiviewParam as a fixed sequence; it keeps the
// record's Python object alive, and so does every camera it hands out.
struct CrPyCameraSlots {
    py::object owner;
    CameraParam* cameras;

    CameraParam& at(py::ssize_t index) {
        if (index < 0) index += kCrCameraSlots;
        if (index < 0 || index >= kCrCameraSlots) throw py::index_error("cameras: slot out of range 0..4");
        return cameras[index];
    }
};

// Copies 4 or 5 cameras in (the virtual camera stays when 4 are given);
// they are read completely first, so a permutation of the record's own
// cameras works.
void crAssignCameras(CrPyMultiviewParam& p, const py::handle& value) {
    if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value))
        throw py::type_error("cameras: wanted a sequence of 4 or 5 CameraParam");
    const auto cameras = py::reinterpret_borrow<py::sequence>(value);
    const size_t count = cameras.size();
    if (count != 4 && count != kCrCameraSlots)
        throw py::value_error("cameras: wanted 4 or 5 cameras, got " + std::to_string(count));
    std::vector<CameraParam> copies;
    for (size_t i = 0; i < count; ++i) {
        py::object item = cameras[i];
        copies.push_back(crCameraArg(item, "cameras"));
    }
    std::copy(copies.begin(), copies.end(), p.cameras.begin());
}

void crBindCameraSlots(py::module_& m) {
    using Slots = CrPyCameraSlots;
    py::class_<Slots>(m, "MultiviewCameras",
                      "The five cameras of a MultiviewParam (front, rear, left, right, virtual), part of it.")
        .def("__len__", [](const Slots&) { return kCrCameraSlots; })
        .def("__getitem__", &Slots::at, py::return_value_policy::reference_internal, py::arg("slot"))
        .def(
            "__setitem__",
            [](Slots& s, py::ssize_t slot, const py::handle& c) {
                CameraParam& to = s.at(slot);
                const CameraParam& from = crCameraArg(c, "cameras");
                if (&to != &from) to = from;
            },
            py::arg("slot"), py::arg("camera"))
        .def(
            "__iter__",
            [](Slots& s) {
                return py::make_iterator<py::return_value_policy::reference_internal>(s.cameras,
                                                                                      s.cameras + kCrCameraSlots);
            },
            py::keep_alive<0, 1>())
        .def("__repr__", [](const Slots& s) {
            std::string text = "[";
            for (int i = 0; i < kCrCameraSlots; ++i) text += (i ? ",\n " : "") + crCameraSummary(s.cameras[i]);
            return text + "]";
        });
}

std::string crMultiviewRepr(const CrPyMultiviewParam& p) {
    const MultiviewParam& r = p.rec;
    std::string text = "MultiviewParam(" +
                       CrFieldText()
                           .raw("flags", crHexText(r.flags))
                           .add("carWidth", r.carWidth)
                           .add("carLength", r.carLength)
                           .add("frontFov", r.frontFov)
                           .add("rearFov", r.rearFov)
                           .add("blendAngle", r.blendAngle)
                           .raw("carColor", crHexText(r.carColor))
                           .add("lineWidth", r.lineWidth)
                           .add("mode", r.mode)
                           .str() +
                       ",\n    " +
                       CrFieldText()
                           .add("bowlWallX", r.bowlWallX)
                           .add("bowlWallY", r.bowlWallY)
                           .add("bowlHeight", r.bowlHeight)
                           .add("bowlFloorY", r.bowlFloorY)
                           .str() +
                       ",\n    " +
                       CrFieldText()
                           .add("viewWidth", r.viewWidth)
                           .add("viewHeight", r.viewHeight)
                           .add("viewCenterX", r.viewCenterX)
                           .add("viewCenterY", r.viewCenterY)
                           .add("scale", r.scale)
                           .str() +
                       ",\n    cameras=[";
    for (int i = 0; i < kCrCameraSlots; ++i) text += "\n        " + crCameraSummary(p.cameras[i]) + ",";
    return text + "\n    ])";
}

void crBindMultiviewFields(py::class_<CrPyMultiviewParam>& cls) {
    using P = CrPyMultiviewParam;
    crRecField(cls, "flags", &MultiviewParam::flags, "CR_MULTI_* flags.");
    crRecField(cls, "reserved4", &MultiviewParam::reserved4);
    crRecField(cls, "reserved8", &MultiviewParam::reserved8);
    crRecField(cls, "carWidth", &MultiviewParam::carWidth);
    crRecField(cls, "carLength", &MultiviewParam::carLength);
    crRecField(cls, "reserved20", &MultiviewParam::reserved20);
    crRecField(cls, "reserved24", &MultiviewParam::reserved24);
    crRecField(cls, "reserved28", &MultiviewParam::reserved28);
    crRecField(cls, "frontFov", &MultiviewParam::frontFov, "Degrees.");
    crRecField(cls, "rearFov", &MultiviewParam::rearFov, "Degrees.");
    crRecField(cls, "blendAngle", &MultiviewParam::blendAngle, "Degrees.");
    crRecField(cls, "carColor", &MultiviewParam::carColor, "0x00BBGGRR.");
    crRecField(cls, "lineWidth", &MultiviewParam::lineWidth);
    crRecField(cls, "mode", &MultiviewParam::mode);
    crRecField(cls, "bowlWallX", &MultiviewParam::bowlWallX);
    crRecField(cls, "bowlWallY", &MultiviewParam::bowlWallY);
    crRecField(cls, "bowlHeight", &MultiviewParam::bowlHeight);
    crRecField(cls, "bowlFloorY", &MultiviewParam::bowlFloorY);
    crArrayField<int32_t>(
        cls, "reserved72", {8}, [](P& p) { return p.rec.reserved72; }, "Reserved (a view).");
    crRecField(cls, "viewWidth", &MultiviewParam::viewWidth);
    crRecField(cls, "viewHeight", &MultiviewParam::viewHeight);
    crRecField(cls, "viewCenterX", &MultiviewParam::viewCenterX);
    crRecField(cls, "viewCenterY", &MultiviewParam::viewCenterY);
    crRecField(cls, "scale", &MultiviewParam::scale, "World units per view pixel.");
    crArrayField<int32_t>(
        cls, "reserved124", {8}, [](P& p) { return p.rec.reserved124; }, "Reserved (a view).");
}

void crBindMultiview(py::module_& m) {
    crBindCameraSlots(m);
    py::class_<CrPyMultiviewParam> cls(m, "MultiviewParam",
                                       "A top or bowl view, with its five cameras (slots 0..3 and the bowl views' "
                                       "virtual camera).");
    cls.def(py::init(
                [](const py::kwargs& fields) { return crFromKeywords<CrPyMultiviewParam>(fields, "MultiviewParam"); }),
            "A view of zeros, with the fields given by keyword.")
        .def_property(
            "cameras",
            [](const py::object& self) {
                return CrPyCameraSlots{self, self.cast<CrPyMultiviewParam&>().cameras.data()};
            },
            &crAssignCameras, "The five cameras, part of this record (assigning 4 or 5 copies them in).")
        .def(
            "camera",
            [](CrPyMultiviewParam& p, const py::handle& slot) -> CameraParam& {
                return p.cameras[static_cast<size_t>(crSlotOf(slot, "slot", kCrCameraSlots))];
            },
            py::return_value_policy::reference_internal, py::arg("slot"),
            "The camera of a slot, 0..4 or by name: front, rear, left, right or virtual.")
        .def("__repr__", &crMultiviewRepr)
        .def(
            "_bytes", [](CrPyMultiviewParam& p) { return crRecordBytes(*p.c()); },
            "The record's bytes as the library sees them.");
    crBindMultiviewFields(cls);
    crCopyMethods(cls);
}

// ---- PgsParam ---------------------------------------------------------------

// A point list as a read-only copy: the list's memory moves when it is
// replaced, so a view could outlive it; read-only, a write fails instead of
// being lost.
py::array crPointsCopy(const std::vector<Point2f>& points) {
    py::array out = crPointsOut(points.data(), points.size());
    out.attr("flags").attr("writeable") = false;
    return out;
}

std::vector<Point2f> crPointsArg(const py::handle& value, const char* what) {
    return value.is_none() ? std::vector<Point2f>{} : crPointsIn(value, what);
}

std::string crPgsRepr(const CrPyPgsParam& p) {
    const PgsParam& r = p.rec;
    return "PgsParam(" +
           CrFieldText()
               .add("guideWidth", r.guideWidth)
               .add("wheelbase", r.wheelbase)
               .add("segmentStart", r.segmentStart)
               .add("segmentEnd", r.segmentEnd)
               .add("steeringAngle", r.steeringAngle)
               .add("vehicleLength", r.vehicleLength)
               .add("startOffset", r.startOffset)
               .add("axleOffset", r.axleOffset)
               .add("turnRadius", r.turnRadius)
               .add("arcOffset", r.arcOffset)
               .str() +
           ",\n    " +
           CrFieldText()
               .add("rowCount", r.rowCount)
               .add("pointCount", r.pointCount)
               .raw("points0", "<" + std::to_string(p.points0.size()) + " points>")
               .raw("points1", "<" + std::to_string(p.points1.size()) + " points>")
               .add("bandCount", r.bandCount)
               .add("band1Points", r.band1Points)
               .add("band1Distance", r.band1Distance)
               .add("band2Points", r.band2Points)
               .add("band2Distance", r.band2Distance)
               .add("band3Points", r.band3Points)
               .add("band3Distance", r.band3Distance)
               .str() +
           ")";
}

void crBindPgsFields(py::class_<CrPyPgsParam>& cls) {
    crRecField(cls, "guideWidth", &PgsParam::guideWidth);
    crRecField(cls, "wheelbase", &PgsParam::wheelbase);
    crRecField(cls, "segmentEnd", &PgsParam::segmentEnd);
    crRecField(cls, "steeringAngle", &PgsParam::steeringAngle, "Degrees.");
    crRecField(cls, "reserved5", &PgsParam::reserved5);
    crRecField(cls, "vehicleLength", &PgsParam::vehicleLength);
    crRecField(cls, "reserved7", &PgsParam::reserved7);
    crRecField(cls, "startOffset", &PgsParam::startOffset);
    crRecField(cls, "axleOffset", &PgsParam::axleOffset);
    crRecField(cls, "segmentStart", &PgsParam::segmentStart);
    crRecField(cls, "turnRadius", &PgsParam::turnRadius);
    crRecField(cls, "arcOffset", &PgsParam::arcOffset);
    crRecField(cls, "reserved13", &PgsParam::reserved13);
    crRecField(cls, "rowCount", &PgsParam::rowCount);
    crRecField(cls, "pointCount", &PgsParam::pointCount);
    crRecField(cls, "bandCount", &PgsParam::bandCount);
    crRecField(cls, "reserved19", &PgsParam::reserved19);
    crRecField(cls, "reserved20", &PgsParam::reserved20);
    crRecField(cls, "band1Points", &PgsParam::band1Points);
    crRecField(cls, "band1Distance", &PgsParam::band1Distance);
    crRecField(cls, "reserved23", &PgsParam::reserved23);
    crRecField(cls, "reserved24", &PgsParam::reserved24);
    crRecField(cls, "band2Points", &PgsParam::band2Points);
    crRecField(cls, "band2Distance", &PgsParam::band2Distance);
    crRecField(cls, "reserved27", &PgsParam::reserved27);
    crRecField(cls, "reserved28", &PgsParam::reserved28);
    crRecField(cls, "band3Points", &PgsParam::band3Points);
    crRecField(cls, "band3Distance", &PgsParam::band3Distance);
}

void crBindPgs(py::module_& m) {
    py::class_<CrPyPgsParam> cls(m, "PgsParam", "A parking guide, with its two point lists.");
    cls.def(py::init([](const py::kwargs& fields) { return crFromKeywords<CrPyPgsParam>(fields, "PgsParam"); }),
            "A guide of zeros, with the fields given by keyword.")
        .def_property(
            "points0", [](const CrPyPgsParam& p) { return crPointsCopy(p.points0); },
            [](CrPyPgsParam& p, const py::handle& v) { p.points0 = crPointsArg(v, "points0"); },
            "The first point list, (n, 2) float32 (a read-only copy; assign to replace, None to clear).")
        .def_property(
            "points1", [](const CrPyPgsParam& p) { return crPointsCopy(p.points1); },
            [](CrPyPgsParam& p, const py::handle& v) { p.points1 = crPointsArg(v, "points1"); },
            "The second point list, (n, 2) float32 (a read-only copy; assign to replace, None to clear).")
        .def("__repr__", &crPgsRepr)
        .def(
            "_bytes", [](CrPyPgsParam& p) { return crRecordBytes(*p.c()); },
            "The record's bytes as the library sees them.");
    crBindPgsFields(cls);
    crCopyMethods(cls);
}

void crBindConstants(py::module_& m) {
#define CR_CONSTANT(name) m.attr(#name) = static_cast<long long>(name)
    CR_CONSTANT(CR_VIEW_BILINEAR);
    CR_CONSTANT(CR_VIEW_BICUBIC);
    CR_CONSTANT(CR_VIEW_LENS);
    CR_CONSTANT(CR_VIEW_RADIAL);
    CR_CONSTANT(CR_VIEW_FLIP);
    CR_CONSTANT(CR_VIEW_MIRROR);
    CR_CONSTANT(CR_VIEW_FOLD);
    CR_CONSTANT(CR_VIEW_OVERLAY);
    CR_CONSTANT(CR_VIEW_SPLIT);
    CR_CONSTANT(CR_VIEW_ROWWISE);
    CR_CONSTANT(CR_MULTI_BILINEAR);
    CR_CONSTANT(CR_MULTI_BICUBIC);
    CR_CONSTANT(CR_MULTI_TINT);
    CR_CONSTANT(CR_MULTI_TURNED);
    CR_CONSTANT(CR_SLOT_FRONT);
    CR_CONSTANT(CR_SLOT_REAR);
    CR_CONSTANT(CR_SLOT_LEFT);
    CR_CONSTANT(CR_SLOT_RIGHT);
    CR_CONSTANT(CR_CLEAR_OVERLAY);
    CR_CONSTANT(CR_CAR_PICTURE);
    CR_CONSTANT(CR_REPLACE_MAP);
#undef CR_CONSTANT
}

}  // namespace

void crBindRecords(py::module_& m) {
    crBindConstants(m);
    crBindPoints(m);
    crBindCamera(m);
    crBindView(m);
    crBindMultiview(m);
    crBindPgs(m);
}
