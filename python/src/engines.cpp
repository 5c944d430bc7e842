// The view engines as Python classes: SingleView, and TopView and BowlView
// over one multi-view base. Each object owns its C handle until release();
// the wrappers check every size the C functions take on trust, so that no
// argument can make them read or write outside a buffer.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "bind.h"

namespace {

// A method called on an engine after release().
struct CrReleasedError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void crOutOfMemory(const std::string& message) {
    PyErr_SetString(PyExc_MemoryError, message.c_str());
    throw py::error_already_set();
}

// A -1 result: the handle has no state (its creation ran out of memory).
void crCheck(int result, const char* what) {
    if (result == -1) crOutOfMemory(std::string(what) + ": the engine has no state (out of memory)");
}

// The pixels of an optional picture argument; none for None.
CrFrameIn crOptionalFrame(const py::handle& picture, const char* what, int width = 0, int height = 0) {
    if (picture.is_none()) return CrFrameIn{};
    return crFrameIn(picture, what, width, height);
}

// The array Apply writes into: a new view, or the caller's `out`, which must
// be a writable (height, width, 3) uint8 array over padded rows. The engines
// write every row whole, padding included, so `out` is written directly only
// when some array it is a view of holds the last row's padding too;
// otherwise the view goes through `scratch` and is copied into it.
class CrViewOut {
public:
    CrViewOut(const py::object& out, int width, int height)
        : width_(width), height_(height), stride_(crImageStride(3, width)) {
        if (out.is_none()) {
            array_ = crFrameOut(width, height, &pixels_);
            return;
        }
        if (!py::isinstance<py::array>(out)) throw py::type_error("out: wanted a numpy array of pixels");
        array_ = py::reinterpret_borrow<py::array>(out);
        const std::string wanted = std::to_string(height) + " x " + std::to_string(width) +
                                   " x 3 uint8 array over rows of " + std::to_string(stride_) + " bytes";
        const bool laidOut = array_.ndim() == 3 && array_.shape(0) == height && array_.shape(1) == width &&
                             array_.shape(2) == 3 && array_.strides(0) == stride_ && array_.strides(1) == 3 &&
                             array_.strides(2) == 1 && array_.dtype().is(py::dtype::of<uint8_t>());
        if (!laidOut) throw py::value_error("out: wanted a writable " + wanted);
        if (!array_.writeable()) throw py::value_error("out: the array is read-only");
        pixels_ = static_cast<unsigned char*>(array_.mutable_data());
        if (!holdsPadding()) {
            scratch_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
            pixels_ = scratch_.data();
        }
    }

    unsigned char* pixels() const { return pixels_; }

    // The view, copied into `out` first when it went through the scratch rows.
    py::array finish() {
        if (scratch_.empty()) return array_;
        auto* rows = static_cast<unsigned char*>(array_.mutable_data());
        for (size_t r = 0; r < static_cast<size_t>(height_); ++r)
            std::memcpy(rows + r * stride_, scratch_.data() + r * stride_, 3 * static_cast<size_t>(width_));
        return array_;
    }

private:
    // Whether the bytes from the first pixel to the end of the last row's
    // padding lie inside one contiguous array that `out` views.
    bool holdsPadding() const {
        const auto* first = static_cast<const unsigned char*>(array_.data());
        const auto* end = first + static_cast<size_t>(stride_) * static_cast<size_t>(height_);
        if (3 * width_ == stride_) return true;
        for (py::handle a = array_; py::isinstance<py::array>(a); a = a.attr("base")) {
            const auto base = py::reinterpret_borrow<py::array>(a);
            if (!(base.flags() & py::array::c_style)) continue;
            const auto* begin = static_cast<const unsigned char*>(base.data());
            if (begin <= first && end <= begin + base.nbytes()) return true;
        }
        return false;
    }

    int width_, height_, stride_;
    py::array array_;
    unsigned char* pixels_ = nullptr;
    std::vector<unsigned char> scratch_;
};

using CrReleaseFunction = int (*)(EngineHandle**);

// One C engine handle, owned until release(). Its methods take the lock:
// Init and Apply run without the GIL, and no other call on the handle, nor
// its release, may overlap them.
class CrPyEngine {
public:
    CrPyEngine(EngineHandle* handle, CrReleaseFunction releaseFunction, const char* name)
        : handle_(handle), release_(releaseFunction), name_(name) {
        if (!handle_) crOutOfMemory(std::string(name) + ": the engine could not be created (out of memory)");
    }
    CrPyEngine(const CrPyEngine&) = delete;
    CrPyEngine& operator=(const CrPyEngine&) = delete;
    virtual ~CrPyEngine() { release_(&handle_); }

    void release() {
        auto lock = hold();
        live("release");
        release_(&handle_);
    }

    // The end of a `with` block: releases unless release() came first.
    void exit() {
        auto lock = hold();
        release_(&handle_);
    }

    bool released() const { return handle_ == nullptr; }
    const char* name() const { return name_; }

protected:
    // The engine's lock, waited for without the GIL, since its holder may be
    // running without the GIL and want it back only after letting go.
    std::unique_lock<std::mutex> hold() {
        std::unique_lock<std::mutex> lock(busy_, std::defer_lock);
        py::gil_scoped_release nogil;
        lock.lock();
        return lock;
    }

    EngineHandle* live(const char* what) const {
        if (!handle_) throw CrReleasedError(std::string(name_) + "." + what + ": the engine has been released");
        return handle_;
    }

private:
    EngineHandle* handle_;
    CrReleaseFunction release_;
    const char* name_;
    std::mutex busy_;
};

// The size of the view the last Init built tables for; 0 x 0 when it built
// none, so that nothing is sized from a record the engine did not take.
struct CrViewSize {
    int width = 0, height = 0;
    bool built() const { return width > 0 && height > 0; }
};

CrViewSize crBuiltSize(int width, int height, int lutLength) {
    if (width < 1 || height < 1 || int64_t{width} * height * 4 != lutLength) return {};
    return {width, height};
}

// A view size to init with: below 1 x 1 leaves the engine without a view, as
// in C, but one too large would have the engine allocate gigabytes.
void crCheckViewSize(int width, int height, const char* what) {
    if (width > 0 && height > 0) crCheckSize(width, height, what);
}

[[noreturn]] void crNoView(const char* engine, const char* what) {
    throw py::value_error(std::string(engine) + "." + what +
                          ": the engine has no view (the last init built none: a view size below 1 x 1, or too large)");
}

class CrPySingleView : public CrPyEngine {
public:
    explicit CrPySingleView(const CrPyViewParam& view)
        : CrPyEngine(crSingleviewCreate(0), &crSingleviewRelease, "SingleView") {
        init(view);
    }

    // The engine reads its record again after Init (GetFOV, GetMaskLen,
    // SaveImage), so it gets a copy that lives as long as it does and that
    // agrees with the tables the last Init built.
    void init(const CrPyViewParam& view) {
        auto lock = hold();
        EngineHandle* h = live("init");
        crCheckViewSize(view.rec.outWidth, view.rec.outHeight, "view");
        *kept_ = view;
        ViewParam* rec = kept_->c();
        int result = 0, length = 0;
        {
            py::gil_scoped_release nogil;
            result = crSingleviewInit(h, rec);
        }
        crCheck(result, "SingleView.init");
        crCheck(crSingleviewGetLUTLen(h, &length), "SingleView.init");
        size_ = crBuiltSize(rec->outWidth, rec->outHeight, length);
        frameWidth_ = kept_->camera.imageWidth;
        frameHeight_ = kept_->camera.imageHeight;
    }

    py::array apply(const py::handle& frame, const py::object& out) {
        auto lock = hold();
        EngineHandle* h = live("apply");
        if (!size_.built()) crNoView(name(), "apply");
        if (frameWidth_ < 1 || frameHeight_ < 1)
            throw py::value_error("SingleView.apply: the camera has no image size");
        const CrFrameIn in = crFrameIn(frame, "frame", frameWidth_, frameHeight_);
        CrViewOut view(out, size_.width, size_.height);
        int result = 0;
        {
            py::gil_scoped_release nogil;
            result = crSingleviewApply(h, in.data, view.pixels());
        }
        crCheck(result, "SingleView.apply");
        return view.finish();
    }

    py::array lut() {
        auto lock = hold();
        EngineHandle* h = live("lut");
        if (!size_.built()) crNoView(name(), "lut");
        std::vector<unsigned char> bytes(static_cast<size_t>(size_.width) * size_.height * 4);
        crCheck(crSingleviewGetLUT(h, bytes.data(), static_cast<int>(bytes.size())), "SingleView.lut");
        return crBytesArray(std::move(bytes));
    }

    void saveLut(const py::handle& path) {
        const std::string file = crPathOf(path);
        auto lock = hold();
        EngineHandle* h = live("save_lut");
        if (!size_.built()) crNoView(name(), "save_lut");
        crCheck(crSingleviewSaveLUT(h, file.c_str()), "SingleView.save_lut");
    }

    py::tuple fov() {
        auto lock = hold();
        EngineHandle* h = live("fov");
        if (!size_.built()) crNoView(name(), "fov");
        float horizontal = 0.0f, vertical = 0.0f;
        crCheck(crSingleviewGetFOV(h, &horizontal, &vertical), "SingleView.fov");
        return py::make_tuple(horizontal, vertical);
    }

    py::array mask(int scaleBase) {
        auto lock = hold();
        EngineHandle* h = live("mask");
        if (!size_.built()) crNoView(name(), "mask");
        // The strip is rendered before its coded length is known.
        const long long columns = scaleBase > 0 ? std::llround(720.0 * size_.width / scaleBase) : 0;
        if (columns > 0) crCheckSize(columns, size_.height, "scale_base");
        int length = 0;
        crCheck(crSingleviewGetMaskLen(h, &length, scaleBase), "SingleView.mask");
        std::vector<unsigned char> bytes(static_cast<size_t>(length > 0 ? length : 0));
        if (length > 0) crCheck(crSingleviewGetMask(h, bytes.data(), length), "SingleView.mask");
        return crBytesArray(std::move(bytes));
    }

    void setImage(const py::handle& picture, bool clear) {
        auto lock = hold();
        EngineHandle* h = live("set_image");
        if (clear) {
            // Without a picture every row is cleared; with one, as many rows as it has.
            const int rows = picture.is_none() ? INT32_MAX : crFrameIn(picture, "picture").height;
            crCheck(crSingleviewSetImage(h, 0, rows, nullptr, 1), "SingleView.set_image");
            return;
        }
        const CrFrameIn in = crFrameIn(picture, "picture");
        crCheck(crSingleviewSetImage(h, in.width, in.height, in.data, 0), "SingleView.set_image");
    }

    void setOverlay(const py::handle& picture) {
        auto lock = hold();
        EngineHandle* h = live("set_overlay");
        const CrFrameIn in = crFrameIn(picture, "picture");
        crCheck(crSingleviewSetOverlay(h, in.width, in.height, in.data), "SingleView.set_overlay");
    }

    void saveImage(const py::handle& path) {
        const std::string file = crPathOf(path);
        auto lock = hold();
        EngineHandle* h = live("save_image");
        if (!size_.built()) crNoView(name(), "save_image");
        crCheck(crSingleviewSaveImage(h, file.c_str()), "SingleView.save_image");
    }

    CrViewSize size() const { return size_; }

private:
    std::unique_ptr<CrPyViewParam> kept_ = std::make_unique<CrPyViewParam>();
    CrViewSize size_;
    int frameWidth_ = 0, frameHeight_ = 0;
};

// The top view (type 0) and the bowl views (types 1, 2).
class CrPyMultiview : public CrPyEngine {
public:
    CrPyMultiview(CrPyMultiviewParam& param, int type, const char* name)
        : CrPyEngine(crMultiviewCreate(type), &crMultiviewRelease, name), type_(type) {
        init(param);
    }

    // Init runs on the caller's own record: the bowl views write the
    // calibrated poses into its cameras, as they do in C.
    void init(CrPyMultiviewParam& param) {
        auto lock = hold();
        EngineHandle* h = live("init");
        crCheckViewSize(param.rec.viewWidth, param.rec.viewHeight, "param");
        const MultiviewParam* rec = param.c();
        const int width = rec->viewWidth, height = rec->viewHeight;
        const int frameWidth = param.cameras[0].imageWidth, frameHeight = param.cameras[0].imageHeight;
        int result = 0, length = 0;
        {
            py::gil_scoped_release nogil;
            result = crMultiviewInit(h, rec);
        }
        crCheck(result, (std::string(name()) + ".init").c_str());
        crCheck(crMultiviewGetLUTLen(h, &length), name());
        size_ = crBuiltSize(width, height, length);
        frameWidth_ = frameWidth;
        frameHeight_ = frameHeight;
    }

    // Frames in slot order (front, rear, left, right) or keyed by slot; the C
    // function takes them as front, left, right, rear.
    py::array apply(const py::object& frames, const py::object& out) {
        auto lock = hold();
        EngineHandle* h = live("apply");
        if (!size_.built()) crNoView(name(), "apply");
        if (frameWidth_ < 1 || frameHeight_ < 1)
            throw py::value_error(std::string(name()) + ".apply: camera slot 0 has no image size");
        const std::array<py::object, 4> given = framesBySlot(frames);
        std::array<CrFrameIn, 4> in;
        for (int slot = 0; slot < 4; ++slot) {
            const std::string what = std::string("frames['") + camrig::kSlotNames[static_cast<size_t>(slot)] + "']";
            in[slot] = crOptionalFrame(given[slot], what.c_str(), frameWidth_, frameHeight_);
        }
        CrViewOut view(out, size_.width, size_.height);
        int result = 0;
        {
            py::gil_scoped_release nogil;
            result = crMultiviewApply(h, in[CR_SLOT_FRONT].data, in[CR_SLOT_LEFT].data, in[CR_SLOT_RIGHT].data,
                                      in[CR_SLOT_REAR].data, view.pixels());
        }
        crCheck(result, (std::string(name()) + ".apply").c_str());
        return view.finish();
    }

    py::array lut(const py::handle& slot) {
        const int index = crSlotOf(slot, "slot");
        auto lock = hold();
        EngineHandle* h = live("lut");
        if (!size_.built()) crNoView(name(), "lut");
        std::vector<unsigned char> bytes(static_cast<size_t>(size_.width) * size_.height * 4);
        crCheck(crMultiviewGetLUT(h, bytes.data(), static_cast<int>(bytes.size()), index), name());
        return crBytesArray(std::move(bytes));
    }

    void saveLut(const py::handle& path, const py::handle& slot) {
        const std::string file = crPathOf(path);
        const int index = crSlotOf(slot, "slot");
        auto lock = hold();
        EngineHandle* h = live("save_lut");
        if (!size_.built()) crNoView(name(), "save_lut");
        crCheck(crMultiviewSaveLUT(h, file.c_str(), index), name());
    }

    // The blend map encoded in `format`; RGB24 (top view only) as a picture.
    py::array mask(int format) {
        auto lock = hold();
        EngineHandle* h = live("mask");
        if (!size_.built()) crNoView(name(), "mask");
        int length = 0;
        crCheck(crMultiviewGetMaskLen(h, &length, format), name());
        if (length <= 0)
            throw py::value_error(std::string(name()) + ".mask: format " + std::to_string(format) +
                                  " is not one of this engine's (0 RGB16, 1 RGB32, 2 YCbCr" +
                                  (type_ == 0 ? ", 3 RGB24)" : ")"));
        std::vector<unsigned char> bytes(static_cast<size_t>(length));
        crCheck(crMultiviewGetMask(h, bytes.data(), length, format), name());
        if (format == 3) return crPictureArray(std::move(bytes), size_.width, size_.height);
        return crBytesArray(std::move(bytes));
    }

    // Placed width and height default to the picture's own size.
    void setImage(const py::handle& picture, int kind, int x, int y, std::optional<int> placedWidth,
                  std::optional<int> placedHeight) {
        auto lock = hold();
        EngineHandle* h = live("set_image");
        if (!size_.built()) crNoView(name(), "set_image");
        const CrFrameIn in = crOptionalFrame(picture, "picture");
        const int width = placedWidth.value_or(in.width), height = placedHeight.value_or(in.height);
        if (width > 0 && height > 0) crCheckSize(width, height, "placed_width, placed_height");
        if (!in.data && kind != CR_CLEAR_OVERLAY)
            throw py::value_error(std::string(name()) + ".set_image: picture: wanted a picture for kind " +
                                  std::to_string(kind));
        crCheck(crMultiviewSetImage(h, in.width, in.height, in.data, kind, x, y, width, height), name());
    }

    void saveImage(const py::handle& path) {
        const std::string file = crPathOf(path);
        auto lock = hold();
        EngineHandle* h = live("save_image");
        if (!size_.built()) crNoView(name(), "save_image");
        crCheck(crMultiviewSaveImage(h, file.c_str()), name());
    }

    void adjustCameraPose(CrPyMultiviewParam& param, const py::handle& offsets, const py::handle& slot) {
        const int index = crSlotOf(slot, "slot");
        auto values = crArrayIn<float>(offsets, "offsets", 6);
        if (values.ndim() != 1 || values.shape(0) != 6)
            throw py::value_error(
                "offsets: wanted 6 numbers (positionX, positionY, positionZ, angleX, angleZ, angleY)");
        auto lock = hold();
        EngineHandle* h = live("adjust_camera_pose");
        MultiviewParam* rec = param.c();
        int result = 0;
        {
            py::gil_scoped_release nogil;  // it may rebuild the LUTs
            result = crMultiviewAdjustCameraPose(h, rec, values.data(), index);
        }
        crCheck(result, name());
    }

    CrViewSize size() const { return size_; }

private:
    static std::array<py::object, 4> framesBySlot(const py::object& frames) {
        std::array<py::object, 4> bySlot;
        for (auto& f : bySlot) f = py::none();
        if (py::isinstance<py::dict>(frames)) {
            std::array<bool, 4> seen{};
            for (const auto& item : py::reinterpret_borrow<py::dict>(frames)) {
                const int slot = crSlotOf(item.first, "frames");
                if (seen[slot])
                    throw py::value_error(std::string("frames: camera ") +
                                          camrig::kSlotNames[static_cast<size_t>(slot)] + " given twice");
                seen[slot] = true;
                bySlot[slot] = py::reinterpret_borrow<py::object>(item.second);
            }
            return bySlot;
        }
        if (!py::isinstance<py::sequence>(frames) || py::isinstance<py::str>(frames))
            throw py::type_error("frames: wanted 4 pictures (front, rear, left, right) or a dict keyed by camera");
        const auto list = py::reinterpret_borrow<py::sequence>(frames);
        if (list.size() != 4)
            throw py::value_error("frames: wanted 4 pictures (front, rear, left, right), got " +
                                  std::to_string(list.size()));
        for (size_t slot = 0; slot < 4; ++slot) bySlot[slot] = list[slot];
        return bySlot;
    }

    int type_;
    CrViewSize size_;
    int frameWidth_ = 0, frameHeight_ = 0;
};

struct CrPyTopView : CrPyMultiview {
    explicit CrPyTopView(CrPyMultiviewParam& param) : CrPyMultiview(param, 0, "TopView") {}
};

struct CrPyBowlView : CrPyMultiview {
    CrPyBowlView(CrPyMultiviewParam& param, int type) : CrPyMultiview(param, crBowlType(type), "BowlView") {}

private:
    static int crBowlType(int type) {
        if (type != 1 && type != 2) throw py::value_error("type: wanted 1 or 2, got " + std::to_string(type));
        return type;
    }
};

std::string crEngineRepr(const CrPyEngine& e, CrViewSize size) {
    std::string text = std::string("<camrig.") + e.name();
    if (e.released()) return text + " released>";
    if (!size.built()) return text + " without a view>";
    return text + " " + std::to_string(size.width) + "x" + std::to_string(size.height) + ">";
}

// `with engine:` returns the engine and releases it at the end.
template <typename Class> void crBindContext(Class& cls) {
    using Engine = typename Class::type;
    cls.def(
           "__enter__",
           [](py::object self) {
               if (self.cast<Engine&>().released())
                   throw CrReleasedError(std::string(self.cast<Engine&>().name()) + ": the engine has been released");
               return self;
           },
           "Returns the engine itself.")
        .def(
            "__exit__", [](Engine& e, const py::args&) { e.exit(); },
            "Releases the engine unless it has been released already.")
        .def("release", &Engine::release,
             "Frees the engine's tables. Every later call, a second release included, raises ReleasedError.")
        .def_property_readonly("released", &Engine::released, "Whether release() has run.")
        .def_property_readonly(
            "width", [](const Engine& e) { return e.size().width; }, "View width of the last init (0 without a view).")
        .def_property_readonly(
            "height", [](const Engine& e) { return e.size().height; },
            "View height of the last init (0 without a view).")
        .def(
            "__repr__", [](const Engine& e) { return crEngineRepr(e, e.size()); },
            "The engine's class and view size, or that it has been released.");
}

void crBindSingleView(py::module_& m) {
    py::class_<CrPySingleView> cls(m, "SingleView",
                                   "One camera's frames remapped into a corrected view described by a ViewParam.\n\n"
                                   "The engine works on a copy of the record taken at each init: change the record, "
                                   "then init again.");
    cls.def(py::init<const CrPyViewParam&>(), py::arg("view"), "Creates the engine and builds the view of `view`.")
        .def("init", &CrPySingleView::init, py::arg("view"),
             "Builds the view's tables again from `view` (and the pictures set since).")
        .def("apply", &CrPySingleView::apply, py::arg("frame"), py::arg("out") = py::none(),
             "Remaps one camera frame (imageHeight, imageWidth, 3) into the view, returned as a new (outHeight, "
             "outWidth, 3) picture, or written into `out`, an array over rows of (3 * outWidth + 3) & ~3 bytes.")
        .def("lut", &CrPySingleView::lut,
             "The view LUT in the target's format: outWidth * outHeight pairs of int16 source coordinates, as bytes.")
        .def("save_lut", &CrPySingleView::saveLut, py::arg("path"),
             "Writes the view LUT as a LUT text file (nothing when the file cannot be opened).")
        .def("fov", &CrPySingleView::fov, "The view's (horizontal, vertical) field of view in degrees.")
        .def("mask", &CrPySingleView::mask, py::arg("scale_base") = 720,
             "The target's run-length coded overlay mask, as bytes; empty without a ground picture or "
             "CR_VIEW_OVERLAY. Changes the engine's copy of the record's centerX to outWidth / 2.")
        .def("set_image", &CrPySingleView::setImage, py::arg("picture"), py::arg("clear") = false,
             "Sets the ground picture, drawn at the next init. With clear=True blackens the stored picture's "
             "rows instead: as many as `picture` has, or all of them when it is None.")
        .def("set_overlay", &CrPySingleView::setOverlay, py::arg("picture"),
             "Merges a picture laid over the view (black is transparent), drawn from the next init on.")
        .def("save_image", &CrPySingleView::saveImage, py::arg("path"),
             "Writes the mask strip in full colour as a 24-bit BMP file.");
    crBindContext(cls);
}

void crBindMultiviews(py::module_& m) {
    py::class_<CrPyMultiview> base(m, "MultiView",
                                   "What the top view and the bowl views share; made only as TopView or BowlView.");
    base.def("init", &CrPyMultiview::init, py::arg("param"),
             "Builds the engine's tables from `param` (a bowl view writes the calibrated poses into its cameras).")
        .def("apply", &CrPyMultiview::apply, py::arg("frames"), py::arg("out") = py::none(),
             "Makes one view from 4 camera frames, each of camera slot 0's image size: a sequence in slot order "
             "(front, rear, left, right) or a dict keyed by 'front', 'rear', 'left', 'right' (or slots 0..3). "
             "None, or a missing key, keeps that camera's previous picture. Returns a new (viewHeight, "
             "viewWidth, 3) picture, or writes into `out`, an array over rows of (3 * viewWidth + 3) & ~3 bytes.")
        .def("lut", &CrPyMultiview::lut, py::arg("slot"),
             "The LUT of camera `slot` (0..3 or its name) in the target's format, as bytes.")
        .def("save_lut", &CrPyMultiview::saveLut, py::arg("path"), py::arg("slot"),
             "Writes the LUT of camera `slot` as a LUT text file (nothing when the file cannot be opened).")
        .def("mask", &CrPyMultiview::mask, py::arg("format"),
             "The blend map encoded as 0 RGB16, 1 RGB32 or 2 YCbCr (bytes), or 3 RGB24 (top view only; a "
             "picture).")
        .def("set_image", &CrPyMultiview::setImage, py::arg("picture"), py::arg("kind"), py::arg("x") = 0,
             py::arg("y") = 0, py::arg("placed_width") = py::none(), py::arg("placed_height") = py::none(),
             "Places a picture on the view (scaled to placed_width x placed_height, by default its own size, top-left "
             "corner at (x, y)), or by `kind` replaces the blend map (CR_REPLACE_MAP), draws the vehicle "
             "(CR_CAR_PICTURE) or clears the overlay (CR_CLEAR_OVERLAY; picture may be None).")
        .def("save_image", &CrPyMultiview::saveImage, py::arg("path"), "Writes the blend map as a 24-bit BMP file.");
    crBindContext(base);

    py::class_<CrPyTopView, CrPyMultiview>(m, "TopView", "The ground around the vehicle seen from above.")
        .def(py::init<CrPyMultiviewParam&>(), py::arg("param"), "Creates the engine and builds the view of `param`.")
        .def("adjust_camera_pose", &CrPyMultiview::adjustCameraPose, py::arg("param"), py::arg("offsets"),
             py::arg("slot"),
             "Casts camera `slot`'s imagePoints onto the ground through its pose plus `offsets` (positionX, "
             "positionY, positionZ, angleX, angleZ, angleY) into its worldPoints, then rebuilds the LUTs when "
             "`param` has the view size of the last init.");
    py::class_<CrPyBowlView, CrPyMultiview>(
        m, "BowlView", "The surroundings modelled as a bowl, seen through the virtual camera param.cameras[4].")
        .def(py::init<CrPyMultiviewParam&, int>(), py::arg("param"), py::arg("type") = 1,
             "Creates a bowl view of type 1 or 2 and builds the view of `param`, writing the calibrated poses "
             "into its cameras.");
}

}  // namespace

void crBindEngines(py::module_& m) {
    auto& released = py::register_exception<CrReleasedError>(m, "ReleasedError", PyExc_RuntimeError);
    released.attr("__doc__") = "An engine used after release(), or released twice.";
    crBindSingleView(m);
    crBindMultiviews(m);
}
