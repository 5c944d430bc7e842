// The toolkit in Python: rig files, picture files, view records and
// rendering, the target binaries' decoders, imported lenses and calibration.
//
// Rigs, cameras and views live on the Python side as objects holding Python
// lists of individually owned records, so that nested objects can be changed
// in place and no reference into a C++ vector is ever handed out (it would
// dangle once the vector grows). Each toolkit call works on a camrig::Rig
// copied from them; what the toolkit writes is copied back.
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "bind.h"
#include "camrig_toolkit/calibrate.h"
#include "camrig_toolkit/corners.h"
#include "camrig_toolkit/decode.h"
#include "camrig_toolkit/lens.h"
#include "camrig_toolkit/picture.h"
#include "camrig_toolkit/rig.h"
#include "camrig_toolkit/views.h"

namespace {

// ---- Python-side records ---------------------------------------------------

struct CrPyPhotograph {
    std::string file;
    int mode = 0;
    py::list corners;
};

struct CrPyRigCamera {
    int slot = 0;
    py::object param;  // CameraParam
    py::list sightings;
    py::object photograph = py::none();  // Photograph or None
    std::string frame;
    py::object lensFit = py::none();  // LensFit or None
};

struct CrPyRigView {
    std::string name;
    camrig::ViewKind kind = camrig::ViewKind::top;
    int engineType = 0;
    py::object multiview;  // MultiviewParam (CrPyMultiviewParam), cameras unused
    py::object viewpoint;  // CameraParam
    py::object single;     // ViewParam (CrPyViewParam), camera unused
    std::string camera;
};

struct CrPyRig {
    std::string path;
    int carWidth = 0, carLength = 0;
    uint32_t carColor = 0;
    float markTolerance = 0;
    py::list marks, cameras, views;
};

struct CrPyViewResult {
    py::object preview;
    py::dict files;
    double initMs = 0, applyMs = 0;
    py::list calibrated;
};

PyObject* crRigErrorType = nullptr;  // camrig.RigError, alive as long as the process

// ---- Small conversions -----------------------------------------------------

std::string crTypeName(const py::handle& h) { return Py_TYPE(h.ptr())->tp_name; }

// The record of type T inside `h`, or TypeError naming `where`.
template <typename T> T& crItem(const py::handle& h, const std::string& where, const char* type) {
    try {
        return h.cast<T&>();
    } catch (const py::cast_error&) {
        throw py::type_error(where + ": wanted " + type + ", got " + crTypeName(h));
    }
}

std::string crString(const py::handle& h, const std::string& where) {
    if (!py::isinstance<py::str>(h)) throw py::type_error(where + ": wanted a str, got " + crTypeName(h));
    return h.cast<std::string>();
}

std::string crFormat(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.7g", value);
    return text;
}

std::string crPointText(const Point2f& p) { return "(" + crFormat(p.x) + ", " + crFormat(p.y) + ")"; }

py::tuple crPointOut(const Point2f& p) { return py::make_tuple(p.x, p.y); }

Point2f crPointArg(const py::handle& h, const char* what) {
    const std::vector<Point2f> points = crPointsIn(h, what);
    if (points.size() != 1) throw py::value_error(std::string(what) + ": wanted one point (x, y)");
    return points[0];
}

// A Python list of the items of any iterable, each checked to be a T.
template <typename T> py::list crListOf(const py::handle& items, const char* what, const char* type) {
    if (!py::isinstance<py::iterable>(items) || py::isinstance<py::str>(items))
        throw py::type_error(std::string(what) + ": wanted a sequence of " + type);
    py::list out;
    for (const py::handle item : items) {
        crItem<T>(item, std::string(what) + "[" + std::to_string(py::len(out)) + "]",
                  (std::string("a ") + type).c_str());
        out.append(item);
    }
    return out;
}

// Replaces the list's items in place, so every holder of the list sees them.
void crReplaceItems(py::list& list, const py::list& items) {
    if (PyList_SetSlice(list.ptr(), 0, PyList_GET_SIZE(list.ptr()), items.ptr()) != 0) throw py::error_already_set();
}

// ---- Bytes and pictures in -------------------------------------------------

struct CrBytesIn {
    const unsigned char* data = nullptr;
    size_t length = 0;
    py::object keep;
};

// `bytes`, or any uint8 array (or buffer: bytearray, memoryview) read as its bytes.
CrBytesIn crBytesIn(const py::handle& h, const char* what) {
    CrBytesIn in;
    if (py::isinstance<py::bytes>(h)) {
        char* data = nullptr;
        Py_ssize_t length = 0;
        if (PyBytes_AsStringAndSize(h.ptr(), &data, &length) != 0) throw py::error_already_set();
        in.data = reinterpret_cast<const unsigned char*>(data);
        in.length = static_cast<size_t>(length);
        in.keep = py::reinterpret_borrow<py::object>(h);
        return in;
    }
    auto array = py::array::ensure(h);
    if (array) crArrayOf(array, what, 4 * kCrMaxPixels);
    if (!array || !array.dtype().is(py::dtype::of<uint8_t>()))
        throw py::type_error(std::string(what) + ": wanted bytes or a uint8 array, got " + crTypeName(h));
    auto packed = py::array_t<uint8_t, py::array::c_style>::ensure(array);
    if (!packed) throw py::error_already_set();
    in.data = packed.data();
    in.length = static_cast<size_t>(packed.nbytes());
    in.keep = packed;
    return in;
}

camrig::Picture crPictureOf(const CrFrameIn& in) {
    camrig::Picture picture;
    picture.width = in.width;
    picture.height = in.height;
    picture.pixels.assign(in.data, in.data + static_cast<size_t>(crImageStride(3, in.width)) * in.height);
    return picture;
}

camrig::Picture crPictureIn(const py::handle& h, const std::string& what) {
    return crPictureOf(crFrameIn(h, what.c_str()));
}

py::array crPictureOut(camrig::Picture&& picture) {
    return crPictureArray(std::move(picture.pixels), picture.width, picture.height);
}

// ---- Rig records between Python and C++ -----------------------------------

camrig::Photograph crPhotographIn(const CrPyPhotograph& p, const std::string& where) {
    camrig::Photograph out;
    out.file = p.file;
    out.mode = p.mode;
    if (py::len(p.corners) != out.corners.size())
        throw py::value_error(where + ".corners: wanted 12 mark names, got " + std::to_string(py::len(p.corners)));
    for (size_t i = 0; i < out.corners.size(); ++i)
        out.corners[i] = crString(p.corners[i], where + ".corners[" + std::to_string(i) + "]");
    return out;
}

camrig::RigCamera crCameraIn(const CrPyRigCamera& c, const std::string& where) {
    camrig::RigCamera out;
    out.slot = c.slot;
    out.param = crItem<CameraParam>(c.param, where + ".param", "a CameraParam");
    size_t i = 0;
    for (const py::handle s : c.sightings)
        out.sightings.push_back(
            crItem<camrig::Sighting>(s, where + ".sightings[" + std::to_string(i++) + "]", "a Sighting"));
    if (!c.photograph.is_none())
        out.photograph = crPhotographIn(crItem<CrPyPhotograph>(c.photograph, where + ".photograph", "a Photograph"),
                                        where + ".photograph");
    out.frame = c.frame;
    if (!c.lensFit.is_none()) out.lensFit = crItem<camrig::LensFit>(c.lensFit, where + ".lensFit", "a LensFit");
    return out;
}

camrig::RigView crViewIn(const CrPyRigView& v, const std::string& where) {
    camrig::RigView out;
    out.name = v.name;
    out.kind = v.kind;
    out.engineType = v.engineType;
    out.multiview = crItem<CrPyMultiviewParam>(v.multiview, where + ".multiview", "a MultiviewParam").rec;
    out.multiview.cameras = nullptr;
    out.viewpoint = crItem<CameraParam>(v.viewpoint, where + ".viewpoint", "a CameraParam");
    out.single = crItem<CrPyViewParam>(v.single, where + ".single", "a ViewParam").rec;
    out.single.camera = nullptr;
    out.camera = v.camera;
    return out;
}

camrig::Rig crRigIn(const CrPyRig& r) {
    camrig::Rig out;
    out.path = r.path;
    out.carWidth = r.carWidth;
    out.carLength = r.carLength;
    out.carColor = r.carColor;
    out.markTolerance = r.markTolerance;
    size_t i = 0;
    for (const py::handle m : r.marks)
        out.marks.push_back(crItem<camrig::Mark>(m, "marks[" + std::to_string(i++) + "]", "a Mark"));
    i = 0;
    for (const py::handle c : r.cameras) {
        const std::string where = "cameras[" + std::to_string(i++) + "]";
        out.cameras.push_back(crCameraIn(crItem<CrPyRigCamera>(c, where, "a RigCamera"), where));
    }
    i = 0;
    for (const py::handle v : r.views) {
        const std::string where = "views[" + std::to_string(i++) + "]";
        out.views.push_back(crViewIn(crItem<CrPyRigView>(v, where, "a RigView"), where));
    }
    return out;
}

py::list crSightingsOut(const std::vector<camrig::Sighting>& sightings) {
    py::list out;
    for (const camrig::Sighting& s : sightings) out.append(py::cast(s));
    return out;
}

py::object crCameraOut(const camrig::RigCamera& c) {
    CrPyRigCamera out;
    out.slot = c.slot;
    out.param = py::cast(c.param);
    out.sightings = crSightingsOut(c.sightings);
    if (c.photograph) {
        CrPyPhotograph p;
        p.file = c.photograph->file;
        p.mode = c.photograph->mode;
        for (const std::string& corner : c.photograph->corners) p.corners.append(corner);
        out.photograph = py::cast(std::move(p));
    }
    out.frame = c.frame;
    if (c.lensFit) out.lensFit = py::cast(*c.lensFit);
    return py::cast(std::move(out));
}

py::object crViewOut(const camrig::RigView& v) {
    CrPyRigView out;
    out.name = v.name;
    out.kind = v.kind;
    out.engineType = v.engineType;
    CrPyMultiviewParam multiview;
    multiview.rec = v.multiview;
    multiview.rec.cameras = nullptr;
    out.multiview = py::cast(multiview);
    out.viewpoint = py::cast(v.viewpoint);
    CrPyViewParam single;
    single.rec = v.single;
    single.rec.camera = nullptr;
    out.single = py::cast(single);
    out.camera = v.camera;
    return py::cast(std::move(out));
}

py::object crRigOut(const camrig::Rig& r) {
    CrPyRig out;
    out.path = r.path;
    out.carWidth = r.carWidth;
    out.carLength = r.carLength;
    out.carColor = r.carColor;
    out.markTolerance = r.markTolerance;
    for (const camrig::Mark& m : r.marks) out.marks.append(py::cast(m));
    for (const camrig::RigCamera& c : r.cameras) out.cameras.append(crCameraOut(c));
    for (const camrig::RigView& v : r.views) out.views.append(crViewOut(v));
    return py::cast(std::move(out));
}

// What the toolkit wrote into a camera, back into the caller's objects: the
// record in place (every holder of it sees the change) and the sightings.
void crCameraBack(CrPyRigCamera& target, const camrig::RigCamera& written) {
    crItem<CameraParam>(target.param, "camera.param", "a CameraParam") = written.param;
    crReplaceItems(target.sightings, crSightingsOut(written.sightings));
}

// A view given as a RigView or by name.
camrig::RigView crViewArg(const camrig::Rig& rig, const py::handle& view) {
    if (py::isinstance<py::str>(view)) return camrig::findView(rig, view.cast<std::string>());
    return crViewIn(crItem<CrPyRigView>(view, "view", "a RigView or a view name"), "view");
}

std::vector<camrig::Picture> crFramesIn(const py::handle& frames) {
    if (!py::isinstance<py::sequence>(frames))
        throw py::type_error("frames: wanted a list of pictures, got " + crTypeName(frames));
    std::vector<camrig::Picture> out;
    for (const py::handle frame : frames)
        out.push_back(crPictureIn(frame, "frames[" + std::to_string(out.size()) + "]"));
    return out;
}

const camrig::RefineOptions& crOptions(const camrig::RefineOptions* options) {
    static const camrig::RefineOptions defaults;
    return options ? *options : defaults;
}

py::list crResidualsOut(const std::vector<std::vector<double>>& residuals) {
    py::list out;
    for (const std::vector<double>& camera : residuals) {
        py::array_t<double> a(static_cast<py::ssize_t>(camera.size()));
        if (!camera.empty()) std::memcpy(a.mutable_data(), camera.data(), sizeof(double) * camera.size());
        out.append(a);
    }
    return out;
}

// ---- Reprs -----------------------------------------------------------------

std::string crRepr(const py::handle& h) { return py::repr(h).cast<std::string>(); }

std::string crSlotText(int slot) {
    return std::to_string(slot) +
           (slot >= 0 && slot < 4 ? std::string(" (") + camrig::kSlotNames[static_cast<size_t>(slot)] + ")" : "");
}

std::string crCameraRepr(const CrPyRigCamera& c) {
    std::string text = "RigCamera(slot=" + crSlotText(c.slot) + ", sightings=" + std::to_string(py::len(c.sightings));
    if (!c.photograph.is_none()) text += ", photograph=" + crRepr(c.photograph);
    if (!c.frame.empty()) text += ", frame=" + crRepr(py::str(c.frame));
    if (!c.lensFit.is_none()) text += ", lensFit=" + crRepr(c.lensFit);
    return text + ")";
}

std::string crRigRepr(const CrPyRig& r) {
    return "Rig(path=" + crRepr(py::str(r.path)) + ", car=" + std::to_string(r.carWidth) + " x " +
           std::to_string(r.carLength) + ", marks=" + std::to_string(py::len(r.marks)) +
           ", cameras=" + std::to_string(py::len(r.cameras)) + ", views=" + std::to_string(py::len(r.views)) + ")";
}

// ---- Bindings: errors and rig records --------------------------------------

void crBindRigError(py::module_& m) {
    crRigErrorType = PyErr_NewExceptionWithDoc(
        "camrig.RigError",
        "A problem in a rig or another input file; str() is the toolkit's message, with the attributes "
        "file, line (0 when unknown) and field.",
        PyExc_ValueError, nullptr);
    if (!crRigErrorType) throw py::error_already_set();
    py::handle type(crRigErrorType);
    type.attr("file") = "";
    type.attr("line") = 0;
    type.attr("field") = "";
    m.add_object("RigError", type);
    // pybind11 takes translators as plain function pointers of this signature.
    py::register_exception_translator([](std::exception_ptr p) {  // NOLINT(performance-unnecessary-value-param)
        try {
            if (p) std::rethrow_exception(p);
        } catch (const camrig::RigError& e) {
            py::object error = py::handle(crRigErrorType)(e.what());
            error.attr("file") = e.file();
            error.attr("line") = e.line();
            error.attr("field") = e.field();
            PyErr_SetObject(crRigErrorType, error.ptr());
        }
    });
}

void crBindSmallRecords(py::module_& m) {
    py::class_<camrig::Mark>(m, "Mark", "A calibration mark: a surveyed point on the ground, calibration frame.")
        .def(py::init([](std::string id, const py::object& ground) {
                 return camrig::Mark{std::move(id), crPointArg(ground, "ground")};
             }),
             py::arg("id") = "", py::arg("ground") = py::make_tuple(0.0f, 0.0f),
             "A mark from its name and ground position.")
        .def_readwrite("id", &camrig::Mark::id, "The mark's name.")
        .def_property(
            "ground", [](const camrig::Mark& mk) { return crPointOut(mk.ground); },
            [](camrig::Mark& mk, const py::object& p) { mk.ground = crPointArg(p, "ground"); },
            "Its ground position (x, y).")
        .def("__repr__", [](const camrig::Mark& mk) {
            return "Mark(id=" + crRepr(py::str(mk.id)) + ", ground=" + crPointText(mk.ground) + ")";
        });

    py::class_<camrig::Sighting>(m, "Sighting", "Where one camera sees a mark: a distorted pixel.")
        .def(py::init([](std::string mark, const py::object& pixel) {
                 return camrig::Sighting{std::move(mark), crPointArg(pixel, "pixel")};
             }),
             py::arg("mark") = "", py::arg("pixel") = py::make_tuple(0.0f, 0.0f),
             "A sighting from the mark's name and its pixel.")
        .def_readwrite("mark", &camrig::Sighting::mark, "The mark's name.")
        .def_property(
            "pixel", [](const camrig::Sighting& s) { return crPointOut(s.pixel); },
            [](camrig::Sighting& s, const py::object& p) { s.pixel = crPointArg(p, "pixel"); },
            "The pixel (x, y) at which it is seen.")
        .def("__repr__", [](const camrig::Sighting& s) {
            return "Sighting(mark=" + crRepr(py::str(s.mark)) + ", pixel=" + crPointText(s.pixel) + ")";
        });

    py::class_<CrPyPhotograph>(m, "Photograph", "A calibration photograph with two triangular targets.")
        .def(py::init([](std::string file, int mode, const py::object& corners) {
                 CrPyPhotograph p;
                 p.file = std::move(file);
                 p.mode = mode;
                 p.corners = corners.is_none() ? py::list(12) : py::list(corners);
                 if (corners.is_none())
                     for (size_t i = 0; i < 12; ++i) p.corners[i] = "";
                 return p;
             }),
             py::arg("file") = "", py::arg("mode") = 0, py::arg("corners") = py::none(),
             "A photograph from its file, detector mode and corner marks (12 empty names by default).")
        .def_readwrite("file", &CrPyPhotograph::file, "The picture file, relative to the rig file's folder.")
        .def_readwrite("mode", &CrPyPhotograph::mode, "The corner detector's search windows, 0..3.")
        .def_property(
            "corners", [](const CrPyPhotograph& p) { return p.corners; },
            [](CrPyPhotograph& p, const py::object& c) { p.corners = py::list(c); },
            "The marks of the twelve corners, in the detector's order (a list, changed in place).")
        .def("__repr__", [](const CrPyPhotograph& p) {
            return "Photograph(file=" + crRepr(py::str(p.file)) + ", mode=" + std::to_string(p.mode) +
                   ", corners=" + crRepr(p.corners) + ")";
        });

    py::class_<camrig::LensFit>(m, "LensFit", "How an imported lens's inverse polynomial fits its forward one.")
        .def(py::init([](double maxAngle, double maxError) {
                 return camrig::LensFit{maxAngle, maxError};
             }),
             py::arg("max_angle") = 0.0, py::arg("max_error") = 0.0,
             "A lens fit from its angle (degrees) and error (pixels).")
        .def_readwrite("maxAngle", &camrig::LensFit::maxAngle, "Degrees: the fit covers incidence angles up to it.")
        .def_readwrite("maxError", &camrig::LensFit::maxError, "Pixels: the largest round-trip error there.")
        .def("__repr__", [](const camrig::LensFit& f) {
            return "LensFit(maxAngle=" + crFormat(f.maxAngle) + ", maxError=" + crFormat(f.maxError) + ")";
        });
}

void crBindRigCamera(py::module_& m) {
    py::class_<CrPyRigCamera>(m, "RigCamera", "One of the rig's cameras: its record, sightings and files.")
        .def(py::init([](int slot, const py::object& param, const py::object& sightings, const py::object& photograph,
                         std::string frame, const py::object& lensFit) {
                 CrPyRigCamera c;
                 c.slot = slot;
                 c.param = param.is_none() ? py::cast(CameraParam{}) : param;
                 crItem<CameraParam>(c.param, "param", "a CameraParam");
                 if (!sightings.is_none()) c.sightings = crListOf<camrig::Sighting>(sightings, "sightings", "Sighting");
                 if (!photograph.is_none()) crItem<CrPyPhotograph>(photograph, "photograph", "a Photograph");
                 c.photograph = photograph;
                 c.frame = std::move(frame);
                 if (!lensFit.is_none()) crItem<camrig::LensFit>(lensFit, "lens_fit", "a LensFit");
                 c.lensFit = lensFit;
                 return c;
             }),
             py::arg("slot") = 0, py::arg("param") = py::none(), py::arg("sightings") = py::none(),
             py::arg("photograph") = py::none(), py::arg("frame") = "", py::arg("lens_fit") = py::none(),
             "A camera from its slot and parts; a zero CameraParam by default.")
        .def_readwrite("slot", &CrPyRigCamera::slot, "CR_SLOT_*: front, rear, left or right.")
        .def_property(
            "param", [](const CrPyRigCamera& c) { return c.param; },
            [](CrPyRigCamera& c, const py::object& p) {
                crItem<CameraParam>(p, "param", "a CameraParam");
                c.param = p;
            },
            "The camera's record (intrinsics, image size, pose); changed in place.")
        .def_property(
            "sightings", [](const CrPyRigCamera& c) { return c.sightings; },
            [](CrPyRigCamera& c, const py::object& s) {
                c.sightings = crListOf<camrig::Sighting>(s, "sightings", "Sighting");
            },
            "The marks it sees, a list of Sighting.")
        .def_property(
            "photograph", [](const CrPyRigCamera& c) { return c.photograph; },
            [](CrPyRigCamera& c, const py::object& p) {
                if (!p.is_none()) crItem<CrPyPhotograph>(p, "photograph", "a Photograph");
                c.photograph = p;
            },
            "Its calibration Photograph, or None.")
        .def_readwrite("frame", &CrPyRigCamera::frame, "A frame picture file for the views, or ''.")
        .def_property(
            "lensFit", [](const CrPyRigCamera& c) { return c.lensFit; },
            [](CrPyRigCamera& c, const py::object& f) {
                if (!f.is_none()) crItem<camrig::LensFit>(f, "lensFit", "a LensFit");
                c.lensFit = f;
            },
            "The LensFit of a lens imported from OpenCV, or None.")
        .def("__repr__", &crCameraRepr);
}

void crBindRigView(py::module_& m) {
    py::enum_<camrig::ViewKind>(m, "ViewKind", "The kind of a rig's view.")
        .value("single", camrig::ViewKind::single)
        .value("top", camrig::ViewKind::top)
        .value("bowl", camrig::ViewKind::bowl);

    py::class_<CrPyRigView>(m, "RigView", "A view to produce from the rig: its kind and engine record.")
        .def(py::init([](std::string name, camrig::ViewKind kind, int engineType, const py::object& multiview,
                         const py::object& viewpoint, const py::object& single, std::string camera) {
                 CrPyRigView v;
                 v.name = std::move(name);
                 v.kind = kind;
                 v.engineType = engineType;
                 v.multiview = multiview.is_none() ? py::cast(CrPyMultiviewParam{}) : multiview;
                 crItem<CrPyMultiviewParam>(v.multiview, "multiview", "a MultiviewParam");
                 v.viewpoint = viewpoint.is_none() ? py::cast(CameraParam{}) : viewpoint;
                 crItem<CameraParam>(v.viewpoint, "viewpoint", "a CameraParam");
                 v.single = single.is_none() ? py::cast(CrPyViewParam{}) : single;
                 crItem<CrPyViewParam>(v.single, "single", "a ViewParam");
                 v.camera = std::move(camera);
                 return v;
             }),
             py::arg("name") = "", py::arg("kind") = camrig::ViewKind::top, py::arg("engine_type") = 0,
             py::arg("multiview") = py::none(), py::arg("viewpoint") = py::none(), py::arg("single") = py::none(),
             py::arg("camera") = "", "A view from its name, kind and records; zero records by default.")
        .def_readwrite("name", &CrPyRigView::name, "The view's name, which its files start with.")
        .def_readwrite("kind", &CrPyRigView::kind, "ViewKind.single, top or bowl.")
        .def_readwrite("engineType", &CrPyRigView::engineType, "The multi-view engine type: 0 top, 1 or 2 bowl.")
        .def_property(
            "multiview", [](const CrPyRigView& v) { return v.multiview; },
            [](CrPyRigView& v, const py::object& p) {
                crItem<CrPyMultiviewParam>(p, "multiview", "a MultiviewParam");
                v.multiview = p;
            },
            "Top and bowl views: the MultiviewParam (its cameras are the rig's).")
        .def_property(
            "viewpoint", [](const CrPyRigView& v) { return v.viewpoint; },
            [](CrPyRigView& v, const py::object& p) {
                crItem<CameraParam>(p, "viewpoint", "a CameraParam");
                v.viewpoint = p;
            },
            "Bowl views: the virtual pinhole camera's CameraParam.")
        .def_property(
            "single", [](const CrPyRigView& v) { return v.single; },
            [](CrPyRigView& v, const py::object& p) {
                crItem<CrPyViewParam>(p, "single", "a ViewParam");
                v.single = p;
            },
            "Single views: the ViewParam (its camera is the rig's).")
        .def_readwrite("camera", &CrPyRigView::camera, "Single views: the slot name of the camera seen.")
        .def("__repr__", [](const CrPyRigView& v) {
            std::string text = "RigView(name=" + crRepr(py::str(v.name)) +
                               ", kind=" + py::str(py::cast(v.kind)).cast<std::string>() +
                               ", engineType=" + std::to_string(v.engineType);
            if (v.kind == camrig::ViewKind::single) text += ", camera=" + crRepr(py::str(v.camera));
            return text + ")";
        });
}

void crBindRig(py::module_& m) {
    py::class_<CrPyRig>(m, "Rig", "A vehicle's cameras, calibration marks and views, as a rig file holds them.")
        .def(py::init([](std::string path, int carWidth, int carLength, uint32_t carColor, float markTolerance,
                         const py::object& marks, const py::object& cameras, const py::object& views) {
                 CrPyRig r;
                 r.path = std::move(path);
                 r.carWidth = carWidth;
                 r.carLength = carLength;
                 r.carColor = carColor;
                 r.markTolerance = markTolerance;
                 if (!marks.is_none()) r.marks = crListOf<camrig::Mark>(marks, "marks", "Mark");
                 if (!cameras.is_none()) r.cameras = crListOf<CrPyRigCamera>(cameras, "cameras", "RigCamera");
                 if (!views.is_none()) r.views = crListOf<CrPyRigView>(views, "views", "RigView");
                 return r;
             }),
             py::arg("path") = "", py::arg("car_width") = 0, py::arg("car_length") = 0, py::arg("car_color") = 0,
             py::arg("mark_tolerance") = 0.0f, py::arg("marks") = py::none(), py::arg("cameras") = py::none(),
             py::arg("views") = py::none(), "A rig from its fields; empty lists by default.")
        .def_readwrite("path", &CrPyRig::path, "The file read or written last; relative names use its folder.")
        .def_readwrite("carWidth", &CrPyRig::carWidth, "The vehicle's width, world units.")
        .def_readwrite("carLength", &CrPyRig::carLength, "The vehicle's length, world units.")
        .def_readwrite("carColor", &CrPyRig::carColor, "The vehicle's colour in the views, 0x00BBGGRR.")
        .def_readwrite("markTolerance", &CrPyRig::markTolerance,
                       "How far a mark may lie from its surveyed place, world units.")
        .def_property(
            "marks", [](const CrPyRig& r) { return r.marks; },
            [](CrPyRig& r, const py::object& v) { r.marks = crListOf<camrig::Mark>(v, "marks", "Mark"); },
            "The calibration marks, a list of Mark.")
        .def_property(
            "cameras", [](const CrPyRig& r) { return r.cameras; },
            [](CrPyRig& r, const py::object& v) { r.cameras = crListOf<CrPyRigCamera>(v, "cameras", "RigCamera"); },
            "The cameras, a list of RigCamera (at most one per slot).")
        .def_property(
            "views", [](const CrPyRig& r) { return r.views; },
            [](CrPyRig& r, const py::object& v) { r.views = crListOf<CrPyRigView>(v, "views", "RigView"); },
            "The views, a list of RigView.")
        .def("__repr__", &crRigRepr);
}

// ---- Bindings: rig files ---------------------------------------------------

void crBindRigFiles(py::module_& m) {
    m.def(
        "read_rig", [](const py::handle& path) { return crRigOut(camrig::readRig(crPathOf(path))); }, py::arg("path"),
        "Reads and checks a rig file; raises RigError naming the field on anything wrong.");
    m.def(
        "parse_rig",
        [](const std::string& text, const std::string& name) { return crRigOut(camrig::parseRig(text, name)); },
        py::arg("text"), py::arg("name") = "<text>",
        "Reads and checks a rig from YAML text; `name` stands for the file.");
    m.def(
        "format_rig", [](const CrPyRig& rig) { return camrig::formatRig(crRigIn(rig)); }, py::arg("rig"),
        "The rig as YAML text that parse_rig reads back to an equal rig.");
    m.def(
        "write_rig",
        [](CrPyRig& rig, const py::handle& pathArg) {
            const std::string path = crPathOf(pathArg);
            camrig::Rig r = crRigIn(rig);
            camrig::writeRig(r, path);
            rig.path = r.path;
        },
        py::arg("rig"), py::arg("path"), "Writes the rig file (replaced only when complete) and sets rig.path.");
    m.def(
        "validate_rig", [](const CrPyRig& rig) { camrig::validateRig(crRigIn(rig)); }, py::arg("rig"),
        "Checks a rig made or changed in code as read_rig checks a file; raises RigError naming the field.");
    m.def(
        "find_camera",
        [](const CrPyRig& rig, const py::handle& slot) -> py::object {
            const camrig::Rig r = crRigIn(rig);
            const camrig::RigCamera* c = camrig::findCamera(r, crSlotOf(slot, "slot"));
            if (!c) return py::none();
            return rig.cameras[static_cast<size_t>(c - r.cameras.data())];
        },
        py::arg("rig"), py::arg("slot"), "The rig's RigCamera in `slot` (the object in rig.cameras), or None.");
    m.def(
        "find_view",
        [](const CrPyRig& rig, const std::string& name) -> py::object {
            const camrig::Rig r = crRigIn(rig);
            const camrig::RigView& v = camrig::findView(r, name);
            return rig.views[static_cast<size_t>(&v - r.views.data())];
        },
        py::arg("rig"), py::arg("name"), "The rig's RigView named `name` (the object in rig.views); RigError if none.");
    m.def(
        "camera_record",
        [](const CrPyRig& rig, const CrPyRigCamera& camera) {
            return camrig::cameraRecord(crRigIn(rig), crCameraIn(camera, "camera"));
        },
        py::arg("rig"), py::arg("camera"),
        "A new CameraParam: the camera's record with its calibration pairs (sighting pixel, mark position).");
    m.def(
        "rig_relative",
        [](const CrPyRig& rig, const std::string& file) { return camrig::rigRelative(crRigIn(rig), file); },
        py::arg("rig"), py::arg("file"), "A file named in the rig, resolved against the rig file's folder.");
    m.def("slot_of", &camrig::slotOf, py::arg("name"), "The slot of a camera slot name ('front'...), -1 for others.");
    py::tuple names(camrig::kSlotNames.size());
    for (size_t i = 0; i < camrig::kSlotNames.size(); ++i) names[i] = camrig::kSlotNames[i];
    m.attr("SLOT_NAMES") = names;
}

// ---- Bindings: pictures and views ------------------------------------------

void crBindPictures(py::module_& m) {
    m.def(
        "read_picture", [](const py::handle& path) { return crPictureOut(camrig::readPicture(crPathOf(path))); },
        py::arg("path"), "Reads a PNG, JPEG or BMP file as a (height, width, 3) uint8 array, blue-green-red.");
    m.def(
        "write_picture",
        [](const py::object& picture, const py::handle& path) {
            camrig::writePicture(crPictureIn(picture, "picture"), crPathOf(path));
        },
        py::arg("picture"), py::arg("path"), "Writes a picture array as PNG or BMP, chosen by the extension.");
    m.def(
        "packed_rows",
        [](const py::object& picture) { return crBytesArray(camrig::packedRows(crPictureIn(picture, "picture"))); },
        py::arg("picture"), "The picture's bytes as a flat uint8 array, rows of 3 x width bytes without padding.");
}

py::object crViewResultOut(camrig::ViewResult&& result) {
    CrPyViewResult out;
    out.preview = crPictureOut(std::move(result.preview));
    for (camrig::ViewFile& file : result.files) out.files[py::str(file.name)] = crBytesArray(std::move(file.bytes));
    out.initMs = result.initMs;
    out.applyMs = result.applyMs;
    for (const CameraParam& cam : result.calibrated) out.calibrated.append(py::cast(cam));
    return py::cast(std::move(out));
}

void crBindViews(py::module_& m) {
    py::class_<CrPyViewResult>(m, "ViewResult", "What a view gives: its preview, target files and timings.")
        .def_readonly("preview", &CrPyViewResult::preview, "The view composed from the frames, a picture array.")
        .def_readonly("files", &CrPyViewResult::files, "The target files: a dict of file name -> uint8 array.")
        .def_readonly("initMs", &CrPyViewResult::initMs, "Milliseconds the engine's Init took.")
        .def_readonly("applyMs", &CrPyViewResult::applyMs, "Milliseconds its Apply took.")
        .def_readonly("calibrated", &CrPyViewResult::calibrated,
                      "Bowl views: the four CameraParam that Init calibrated, by slot.")
        .def("__repr__", [](const CrPyViewResult& r) {
            return "ViewResult(preview=" + crRepr(r.preview.attr("shape")) +
                   ", files=" + crRepr(r.files.attr("keys")()) + ", initMs=" + crFormat(r.initMs) +
                   ", applyMs=" + crFormat(r.applyMs) + ")";
        });

    m.def(
        "make_multiview_records",
        [](const CrPyRig& rig, const py::object& view) {
            const camrig::Rig r = crRigIn(rig);
            camrig::MultiviewRecords rec;
            camrig::makeMultiviewRecords(r, crViewArg(r, view), &rec);
            CrPyMultiviewParam out;
            out.cameras = rec.cams;
            out.rec = rec.param;
            out.rec.cameras = nullptr;
            return out;
        },
        py::arg("rig"), py::arg("view"),
        "A top or bowl view's MultiviewParam with its five cameras filled; `view` a RigView or its name.");
    m.def(
        "make_singleview_records",
        [](const CrPyRig& rig, const py::object& view) {
            const camrig::Rig r = crRigIn(rig);
            camrig::SingleviewRecords rec;
            camrig::makeSingleviewRecords(r, crViewArg(r, view), &rec);
            CrPyViewParam out;
            out.camera = rec.cam;
            out.rec = rec.param;
            out.rec.camera = nullptr;
            return out;
        },
        py::arg("rig"), py::arg("view"), "A single view's ViewParam with its camera; `view` a RigView or its name.");
    m.def(
        "check_frames",
        [](const CrPyRig& rig, const py::object& view, const py::object& frames) {
            const camrig::Rig r = crRigIn(rig);
            camrig::checkFrames(r, crViewArg(r, view), crFramesIn(frames));
        },
        py::arg("rig"), py::arg("view"), py::arg("frames"),
        "Checks that the frames (4 by slot, or 1 for a single view) fit their cameras; RigError otherwise.");
    m.def(
        "render_view",
        [](const CrPyRig& rig, const py::object& view, const py::object& frames) {
            const camrig::Rig r = crRigIn(rig);
            const camrig::RigView v = crViewArg(r, view);
            const std::vector<camrig::Picture> pictures = crFramesIn(frames);
            camrig::ViewResult result;
            {
                py::gil_scoped_release unlocked;
                result = camrig::renderView(r, v, pictures);
            }
            return crViewResultOut(std::move(result));
        },
        py::arg("rig"), py::arg("view"), py::arg("frames"),
        "Runs the view's engine over the frames (4 by slot, or 1 for a single view); returns a ViewResult.");
}

// ---- Bindings: decoders ----------------------------------------------------

py::object crKindOrNone(const std::string& path) {
    camrig::BinaryKind kind{};
    if (!camrig::binaryKindFromName(path, &kind)) return py::none();
    return py::cast(kind);
}

void crBindLutEntries(py::module_& m) {
    py::class_<camrig::LutEntries>(m, "LutEntries", "A decoded view LUT: each view pixel's source in the camera.")
        .def_readonly("width", &camrig::LutEntries::width, "The view's width.")
        .def_readonly("height", &camrig::LutEntries::height, "The view's height.")
        .def_readonly("mode", &camrig::LutEntries::mode, "1 when the entries keep 1/64 pixel, 0 for whole pixels.")
        .def_property_readonly(
            "source",
            [](const py::object& self) {
                auto& lut = self.cast<camrig::LutEntries&>();
                return crViewOf(self, reinterpret_cast<float*>(lut.source.data()), {lut.height, lut.width, 2});
            },
            "Source (x, y) per view pixel, a (height, width, 2) float32 view.")
        .def_property_readonly(
            "valid",
            [](const py::object& self) {
                auto& lut = self.cast<camrig::LutEntries&>();
                return crViewOf(self, lut.valid.data(), {lut.height, lut.width});
            },
            "1 where a view pixel has a source, a (height, width) uint8 view.")
        .def("__repr__", [](const camrig::LutEntries& l) {
            return "LutEntries(width=" + std::to_string(l.width) + ", height=" + std::to_string(l.height) +
                   ", mode=" + std::to_string(l.mode) + ")";
        });

    m.def(
        "decode_lut",
        [](const py::object& bytes, int width, int height, bool half) {
            const CrBytesIn in = crBytesIn(bytes, "bytes");
            return camrig::decodeLut(in.data, in.length, width, height, half);
        },
        py::arg("bytes"), py::arg("width"), py::arg("height"), py::arg("half") = false,
        "Decodes a width x height view LUT binary (the half format with half=True).");
    m.def(
        "lut_picture",
        [](const camrig::LutEntries& lut, int sourceWidth, int sourceHeight) {
            return crPictureOut(camrig::lutPicture(lut, sourceWidth, sourceHeight));
        },
        py::arg("lut"), py::arg("source_width"), py::arg("source_height"),
        "The LUT as a picture: sources coloured by position in the camera frame, none magenta.");
}

void crBindMaskEntries(py::module_& m) {
    py::class_<camrig::MaskEntries>(m, "MaskEntries", "A decoded mask: zone, pair weight and colour per pixel.")
        .def_readonly("width", &camrig::MaskEntries::width, "The view's width.")
        .def_readonly("height", &camrig::MaskEntries::height, "The view's height.")
        .def_property_readonly(
            "zone",
            [](const py::object& self) {
                auto& mask = self.cast<camrig::MaskEntries&>();
                return crViewOf(self, mask.zone.data(), {mask.height, mask.width});
            },
            "Zone 0..7 per pixel, -1 for a colour pixel: a (height, width) int8 view.")
        .def_property_readonly(
            "weight",
            [](const py::object& self) {
                auto& mask = self.cast<camrig::MaskEntries&>();
                return crViewOf(self, mask.weight.data(), {mask.height, mask.width});
            },
            "The pair weight per pixel (0 for one camera): a (height, width) uint8 view.")
        .def_property_readonly(
            "colour",
            [](const py::object& self) {
                auto& mask = self.cast<camrig::MaskEntries&>();
                return crViewOf(self, mask.colour.data(), {mask.height, mask.width});
            },
            "Colour pixels' colour, 0x00BBGGRR: a (height, width) uint32 view.")
        .def("__repr__", [](const camrig::MaskEntries& k) {
            return "MaskEntries(width=" + std::to_string(k.width) + ", height=" + std::to_string(k.height) + ")";
        });

    m.def(
        "decode_mask",
        [](const py::object& bytes, int width, int height, camrig::BinaryKind format) {
            const CrBytesIn in = crBytesIn(bytes, "bytes");
            return camrig::decodeMask(in.data, in.length, width, height, format);
        },
        py::arg("bytes"), py::arg("width"), py::arg("height"), py::arg("format"),
        "Decodes a width x height mask binary of the given BinaryKind (a mask kind).");
    m.def(
        "mask_picture", [](const camrig::MaskEntries& mask) { return crPictureOut(camrig::maskPicture(mask)); },
        py::arg("mask"), "The mask as a picture: zones in their colours, pairs shaded by weight.");
}

void crBindPointsAndZones(py::module_& m) {
    m.def(
        "decode_points",
        [](const py::object& bytes) {
            const CrBytesIn in = crBytesIn(bytes, "bytes");
            const std::vector<Point2f> points = camrig::decodePoints(in.data, in.length);
            return crPointsOut(points.data(), points.size());
        },
        py::arg("bytes"), "Decodes a point list binary as an (n, 2) float32 array; no-point markers are (-1, -1).");
    m.def(
        "draw_points",
        [](const py::object& picture, const py::object& points, uint32_t colour) {
            if (!py::isinstance<py::array>(picture) || !picture.cast<py::array>().writeable())
                throw py::type_error("picture: wanted a writable numpy array (it is drawn on in place)");
            camrig::Picture drawn = crPictureIn(picture, "picture");
            camrig::drawPoints(&drawn, crPointsIn(points, "points"), colour);
            py::array target = picture.cast<py::array>();
            auto* base = static_cast<unsigned char*>(target.mutable_data());
            for (py::ssize_t r = 0; r < drawn.height; ++r)
                for (py::ssize_t c = 0; c < drawn.width; ++c)
                    for (py::ssize_t k = 0; k < 3; ++k)
                        base[r * target.strides(0) + c * target.strides(1) + k * target.strides(2)] =
                            drawn.row(static_cast<int>(r))[3 * c + k];
        },
        py::arg("picture"), py::arg("points"), py::arg("colour"),
        "Draws the points as crosses on the picture array in place (colour 0x00BBGGRR).");

    py::class_<camrig::ZoneRect>(m, "ZoneRect", "A zone's rectangle in view pixels.")
        .def(py::init([](int x, int y, int width, int height) {
                 return camrig::ZoneRect{x, y, width, height};
             }),
             py::arg("x") = 0, py::arg("y") = 0, py::arg("width") = 0, py::arg("height") = 0,
             "A rectangle from its corner and size.")
        .def_readwrite("x", &camrig::ZoneRect::x, "Left column.")
        .def_readwrite("y", &camrig::ZoneRect::y, "Top row.")
        .def_readwrite("width", &camrig::ZoneRect::width, "Width in pixels.")
        .def_readwrite("height", &camrig::ZoneRect::height, "Height in pixels.")
        .def("__repr__", [](const camrig::ZoneRect& z) {
            return "ZoneRect(x=" + std::to_string(z.x) + ", y=" + std::to_string(z.y) +
                   ", width=" + std::to_string(z.width) + ", height=" + std::to_string(z.height) + ")";
        });
    m.def(
        "decode_zones",
        [](const py::object& bytes) {
            const CrBytesIn in = crBytesIn(bytes, "bytes");
            py::list out;
            for (const camrig::ZoneRect& z : camrig::decodeZones(in.data, in.length)) out.append(py::cast(z));
            return out;
        },
        py::arg("bytes"), "Decodes the 72-byte zone block: a list of nine ZoneRect.");
    m.def(
        "zones_picture",
        [](const py::object& zones, int width, int height) {
            crCheckSize(width, height, "width, height");
            std::vector<camrig::ZoneRect> rects;
            for (const py::handle z : crListOf<camrig::ZoneRect>(zones, "zones", "ZoneRect"))
                rects.push_back(z.cast<camrig::ZoneRect>());
            return crPictureOut(camrig::zonesPicture(rects, width, height));
        },
        py::arg("zones"), py::arg("width"), py::arg("height"), "Outlines of the zones over a width x height picture.");
}

void crBindDecoders(py::module_& m) {
    py::enum_<camrig::BinaryKind>(m, "BinaryKind", "The kinds of target binaries the decoders read.")
        .value("lut", camrig::BinaryKind::lut)
        .value("lutHalf", camrig::BinaryKind::lutHalf)
        .value("maskRgb16", camrig::BinaryKind::maskRgb16)
        .value("maskRgb32", camrig::BinaryKind::maskRgb32)
        .value("maskYcbcr", camrig::BinaryKind::maskYcbcr)
        .value("maskRgb24", camrig::BinaryKind::maskRgb24)
        .value("points", camrig::BinaryKind::points)
        .value("zones", camrig::BinaryKind::zones)
        .value("maskPalette", camrig::BinaryKind::maskPalette);
    m.def("binary_kind_name", &camrig::binaryKindName, py::arg("kind"),
          "The kind's command-line name ('lut', 'mask-rgb16', ...).");
    m.def("parse_binary_kind", &camrig::parseBinaryKind, py::arg("name"),
          "The BinaryKind of a command-line name; RigError for an unknown one.");
    m.def("binary_kind_from_name", &crKindOrNone, py::arg("path"),
          "The BinaryKind that a file name written by the command line implies, or None.");
    crBindLutEntries(m);
    crBindMaskEntries(m);
    crBindPointsAndZones(m);
    m.def(
        "summarise",
        [](camrig::BinaryKind kind, const py::object& bytes, int width, int height, int sourceWidth, int sourceHeight) {
            const CrBytesIn in = crBytesIn(bytes, "bytes");
            return camrig::summarise(kind, in.data, in.length, width, height, sourceWidth, sourceHeight);
        },
        py::arg("kind"), py::arg("bytes"), py::arg("width"), py::arg("height"), py::arg("source_width") = 0,
        py::arg("source_height") = 0, "A few lines describing a decoded binary: kind, size, counts and ranges.");
}

// ---- Bindings: lenses and calibration --------------------------------------

void crBindLens(py::module_& m) {
    py::class_<camrig::OpenCvFisheye>(m, "OpenCvFisheye", "OpenCV's fisheye camera model: K, D and the image size.")
        .def(py::init<>(), "A model of zeros, to fill in field by field.")
        .def_readwrite("fx", &camrig::OpenCvFisheye::fx, "Focal length along columns, pixels.")
        .def_readwrite("fy", &camrig::OpenCvFisheye::fy, "Focal length along rows, pixels.")
        .def_readwrite("cx", &camrig::OpenCvFisheye::cx, "Principal point column.")
        .def_readwrite("cy", &camrig::OpenCvFisheye::cy, "Principal point row.")
        .def_readwrite("skew", &camrig::OpenCvFisheye::skew, "K's skew term.")
        .def_property(
            "k",
            [](const py::object& self) { return crViewOf<double>(self, self.cast<camrig::OpenCvFisheye&>().k, {4}); },
            [](camrig::OpenCvFisheye& lens, const py::object& values) {
                auto a = crArrayIn<double>(values, "k", 4);
                if (a.ndim() != 1 || a.shape(0) != 4) throw py::value_error("k: wanted 4 numbers");
                std::memcpy(lens.k, a.data(), sizeof lens.k);
            },
            "D: k1..k4, a float64 view.")
        .def_readwrite("width", &camrig::OpenCvFisheye::width, "The calibrated image width.")
        .def_readwrite("height", &camrig::OpenCvFisheye::height, "The calibrated image height.")
        .def("__repr__", [](const camrig::OpenCvFisheye& l) {
            return "OpenCvFisheye(fx=" + crFormat(l.fx) + ", fy=" + crFormat(l.fy) + ", cx=" + crFormat(l.cx) +
                   ", cy=" + crFormat(l.cy) + ", skew=" + crFormat(l.skew) + ", k=[" + crFormat(l.k[0]) + ", " +
                   crFormat(l.k[1]) + ", " + crFormat(l.k[2]) + ", " + crFormat(l.k[3]) +
                   "], width=" + std::to_string(l.width) + ", height=" + std::to_string(l.height) + ")";
        });
    m.def("read_opencv_fisheye", &camrig::readOpenCvFisheye, py::arg("path"), py::arg("width") = 0,
          py::arg("height") = 0, "Reads an OpenCV fisheye calibration file; a non-zero size overrides the file's.");
    m.def("import_opencv_fisheye", &camrig::importOpenCvFisheye, py::arg("lens"), py::arg("cam"),
          "Writes the lens fields and image size of the CameraParam `cam` from the model; returns the LensFit.");
}

void crBindCornerReport(py::module_& m) {
    py::class_<camrig::CornerReport>(m, "CornerReport", "The corners found in a camera's calibration photograph.")
        .def_property_readonly(
            "detected",
            [](const py::object& self) {
                return crViewOf(self, &self.cast<camrig::CornerReport&>().detected[0].x, {12, 2});
            },
            "The detector's twelve corners, its order: a (12, 2) float32 view.")
        .def_property_readonly(
            "refined",
            [](const py::object& self) {
                return crViewOf(self, &self.cast<camrig::CornerReport&>().refined[0].x, {12, 2});
            },
            "The corners after sub-pixel refinement: a (12, 2) float32 view.")
        .def_readonly("refinedMask", &camrig::CornerReport::refinedMask, "Bit t set: triangle t was refined.")
        .def_readonly("missing", &camrig::CornerReport::missing, "Triangles the detector could not fit.")
        .def("__repr__", [](const camrig::CornerReport& c) {
            return "CornerReport(refinedMask=" + std::to_string(c.refinedMask) +
                   ", missing=" + std::to_string(c.missing) + ")";
        });
}

void crBindRefineRecords(py::module_& m) {
    py::class_<camrig::RefineOptions>(m, "RefineOptions", "Options of the pose refinement.")
        .def(py::init([](double lossScale, int maxIterations) {
                 return camrig::RefineOptions{lossScale, maxIterations};
             }),
             py::arg("loss_scale") = 3.0, py::arg("max_iterations") = 100, "Options for the refinement.")
        .def_readwrite("lossScale", &camrig::RefineOptions::lossScale,
                       "Pixels: the Huber loss's scale; 0 plain squares.")
        .def_readwrite("maxIterations", &camrig::RefineOptions::maxIterations, "The most iterations run.")
        .def("__repr__", [](const camrig::RefineOptions& o) {
            return "RefineOptions(lossScale=" + crFormat(o.lossScale) +
                   ", maxIterations=" + std::to_string(o.maxIterations) + ")";
        });
    py::class_<camrig::RefineReport>(m, "RefineReport", "Residuals (pixels) before and after a refinement.")
        .def_property_readonly(
            "before", [](const camrig::RefineReport& r) { return crResidualsOut(r.before); },
            "Per camera a float64 array of its sightings' residuals before.")
        .def_property_readonly(
            "after", [](const camrig::RefineReport& r) { return crResidualsOut(r.after); }, "The same after.")
        .def_readonly("converged", &camrig::RefineReport::converged, "Whether the refinement converged.")
        .def("__repr__", [](const camrig::RefineReport& r) {
            return "RefineReport(cameras=" + std::to_string(r.after.size()) +
                   ", converged=" + (r.converged ? "True" : "False") + ")";
        });
}

// Runs `work` on copies of the rig and camera without the GIL and writes the
// camera back into the caller's objects.
template <typename Work> auto crOnCamera(const CrPyRig& rig, CrPyRigCamera& camera, Work&& work) {
    const camrig::Rig r = crRigIn(rig);
    camrig::RigCamera c = crCameraIn(camera, "camera");
    decltype(work(r, &c)) result;
    {
        py::gil_scoped_release unlocked;
        result = work(r, &c);
    }
    crCameraBack(camera, c);
    return result;
}

void crBindCalibration(py::module_& m) {
    crBindCornerReport(m);
    crBindRefineRecords(m);
    m.def(
        "detect_marks",
        [](const CrPyRig& rig, CrPyRigCamera& camera, const py::object& photo) {
            const camrig::Picture picture = crPictureIn(photo, "photo");
            return crOnCamera(rig, camera, [&](const camrig::Rig& r, camrig::RigCamera* c) {
                return camrig::detectMarks(r, c, picture);
            });
        },
        py::arg("rig"), py::arg("camera"), py::arg("photo"),
        "Finds the photograph's targets and replaces the camera's sightings of their marks; returns a CornerReport.");
    m.def(
        "match_corners",
        [](const py::object& corners, const py::object& expected) {
            const std::vector<Point2f> c = crPointsIn(corners, "corners"), e = crPointsIn(expected, "expected");
            if (c.size() != 12 || e.size() != 12) throw py::value_error("corners, expected: wanted 12 points each");
            py::array_t<int> match(12);
            camrig::matchCorners(c.data(), e.data(), match.mutable_data());
            return match;
        },
        py::arg("corners"), py::arg("expected"),
        "Pairs twelve detected corners with the expected pixels of their marks: match[i] is corner i's mark.");
    m.def(
        "reprojection_errors",
        [](const CrPyRig& rig, const CrPyRigCamera& camera) {
            const std::vector<double> e = camrig::reprojectionErrors(crRigIn(rig), crCameraIn(camera, "camera"));
            return crResidualsOut({e})[0];
        },
        py::arg("rig"), py::arg("camera"), "Pixels between each sighting and its mark's projection, float64 array.");
    m.def(
        "rms_of",
        [](const py::handle& values) {
            auto errors = crArrayIn<double>(values, "errors");
            return camrig::rmsOf(std::vector<double>(errors.data(), errors.data() + errors.size()));
        },
        py::arg("errors"), "The root mean square of the errors.");
    m.def(
        "project_ground",
        [](const CameraParam& camera, const py::object& ground) {
            const Point2f g = crPointArg(ground, "ground");
            const double in[2] = {g.x, g.y};
            double pixel[2] = {0, 0};
            camrig::projectGround(camera, in, pixel);
            return py::make_tuple(pixel[0], pixel[1]);
        },
        py::arg("camera"), py::arg("ground"),
        "The pixel (x, y) at which the camera sees a ground point (calibration frame), double precision.");
    m.def(
        "estimate_pose",
        [](const CrPyRig& rig, CrPyRigCamera& camera) {
            crOnCamera(rig, camera, [](const camrig::Rig& r, camrig::RigCamera* c) {
                camrig::estimatePose(r, c);
                return 0;
            });
        },
        py::arg("rig"), py::arg("camera"), "The library's pose estimate from the camera's sightings, written into it.");
    m.def(
        "refine_pose",
        [](const CrPyRig& rig, CrPyRigCamera& camera, const camrig::RefineOptions* options) {
            return crOnCamera(rig, camera, [&](const camrig::Rig& r, camrig::RigCamera* c) {
                return camrig::refinePose(r, c, crOptions(options));
            });
        },
        py::arg("rig"), py::arg("camera"), py::arg("options") = py::none(),
        "Refines the camera's pose from its sightings (robust least squares), written into it; a RefineReport.");
    m.def(
        "refine_rig",
        [](CrPyRig& rig, const camrig::RefineOptions* options) {
            camrig::Rig r = crRigIn(rig);
            std::vector<Point2f> marks;
            camrig::RefineReport report;
            {
                py::gil_scoped_release unlocked;
                report = camrig::refineRig(&r, &marks, crOptions(options));
            }
            for (size_t i = 0; i < r.cameras.size() && i < py::len(rig.cameras); ++i)
                crItem<CrPyRigCamera>(rig.cameras[i], "cameras[" + std::to_string(i) + "]", "a RigCamera")
                    .param.cast<CameraParam&>() = r.cameras[i].param;
            return py::make_tuple(report, crPointsOut(marks.data(), marks.size()));
        },
        py::arg("rig"), py::arg("options") = py::none(),
        "Refines all poses and the marks jointly; writes the poses, returns (RefineReport, marks (n, 2)).");
    m.def(
        "refine_corners",
        [](const py::object& photo, const CameraParam& cam, py::array corners) {
            const CameraParam camera = cam;  // the lens the photograph is checked against, kept while unlocked
            crCheckSize(camera.imageWidth, camera.imageHeight, "cam image");
            const std::vector<unsigned char> packed =
                camrig::packedRows(crPictureOf(crFrameIn(photo, "photo", camera.imageWidth, camera.imageHeight)));
            const bool shaped = corners.ndim() == 2 && corners.shape(0) == 12 && corners.shape(1) == 2 &&
                                corners.dtype().is(py::dtype::of<float>());
            if (!shaped || !corners.writeable() || !(corners.flags() & py::array::c_style))
                throw py::value_error(
                    "corners: wanted a writable C-contiguous (12, 2) float32 array (refined in place)");
            Point2f* points = static_cast<Point2f*>(corners.mutable_data());
            py::gil_scoped_release unlocked;
            return camrig::refineCorners(packed.data(), &camera, points);
        },
        py::arg("photo"), py::arg("cam"), py::arg("corners"),
        "Refines crDetectCorner's twelve corners of a photograph in place; returns the mask of triangles refined.");
}

}  // namespace

void crBindToolkit(py::module_& m) {
    crBindRigError(m);
    crBindSmallRecords(m);
    crBindRigCamera(m);
    crBindRigView(m);
    crBindRig(m);
    crBindRigFiles(m);
    crBindPictures(m);
    crBindViews(m);
    crBindDecoders(m);
    crBindLens(m);
    crBindCalibration(m);
}
