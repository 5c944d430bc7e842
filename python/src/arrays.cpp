// Conversions between numpy arrays and the library's pictures, matrices and
// point lists, and the argument forms every part of the module shares.
#include <cstring>
#include <string>

#include "bind.h"

namespace {

[[noreturn]] void crBadArray(const char* what, const std::string& wanted, const py::array& found) {
    std::string shape = "(";
    for (py::ssize_t i = 0; i < found.ndim(); ++i) shape += (i ? ", " : "") + std::to_string(found.shape(i));
    shape += found.ndim() == 1 ? ",)" : ")";
    throw py::value_error(std::string(what) + ": wanted " + wanted + ", got an array of shape " + shape + " and type " +
                          py::str(found.dtype()).cast<std::string>());
}

}  // namespace

void crCheckSize(int64_t width, int64_t height, const char* what) {
    if (width < 1 || height < 1 || width > kCrMaxSide || height > kCrMaxSide || width * height > kCrMaxPixels)
        throw py::value_error(std::string(what) + ": wanted a size of 1.." + std::to_string(kCrMaxSide) +
                              " pixels each way and at most " + std::to_string(kCrMaxPixels) + " in all, got " +
                              std::to_string(width) + " x " + std::to_string(height));
}

py::array crArrayOf(const py::handle& value, const char* what, int64_t maxValues) {
    auto a = py::array::ensure(value);
    if (!a) {
        PyErr_Clear();
        throw py::type_error(std::string(what) + ": wanted an array of numbers");
    }
    if (a.size() > maxValues)
        throw py::value_error(std::string(what) + ": wanted at most " + std::to_string(maxValues) + " values, got " +
                              std::to_string(a.size()));
    return a;
}

CrFrameIn crFrameIn(const py::handle& array, const char* what, int width, int height, int channels) {
    auto a = py::array::ensure(array);
    if (!a) throw py::type_error(std::string(what) + ": wanted a numpy array of pixels");
    const std::string wanted =
        (width > 0 ? std::to_string(height) + " x " + std::to_string(width) : std::string("height x width")) + " x " +
        std::to_string(channels) + " uint8 pixels";
    const bool shaped = a.ndim() == 3 && a.shape(2) == channels;
    if (!shaped || !a.dtype().is(py::dtype::of<uint8_t>())) crBadArray(what, wanted, a);
    crCheckSize(a.shape(1), a.shape(0), what);
    CrFrameIn in;
    in.height = static_cast<int>(a.shape(0));
    in.width = static_cast<int>(a.shape(1));
    if ((width > 0 && in.width != width) || (height > 0 && in.height != height)) crBadArray(what, wanted, a);
    const py::ssize_t stride = crImageStride(channels, in.width);
    if (a.strides(0) == stride && a.strides(1) == channels && a.strides(2) == 1) {
        in.data = static_cast<const unsigned char*>(a.data());
        in.keep = a;
        return in;
    }
    in.copy.assign(static_cast<size_t>(stride) * static_cast<size_t>(in.height), 0);
    auto pixels = a.unchecked<uint8_t, 3>();
    for (py::ssize_t r = 0; r < in.height; ++r) {
        unsigned char* row = in.copy.data() + r * stride;
        for (py::ssize_t c = 0; c < in.width; ++c)
            for (py::ssize_t k = 0; k < channels; ++k) row[c * channels + k] = pixels(r, c, k);
    }
    in.data = in.copy.data();
    return in;
}

py::array crFrameOut(int width, int height, unsigned char** pixels, int channels) {
    const py::ssize_t stride = crImageStride(channels, width);
    py::array_t<uint8_t> block({static_cast<py::ssize_t>(height), stride});
    std::memset(block.mutable_data(), 0, static_cast<size_t>(block.nbytes()));
    *pixels = block.mutable_data();
    return py::array(py::dtype::of<uint8_t>(),
                     {static_cast<py::ssize_t>(height), py::ssize_t(width), py::ssize_t(channels)},
                     {stride, py::ssize_t(channels), py::ssize_t(1)}, block.mutable_data(), block);
}

py::array crBytesArray(std::vector<unsigned char>&& bytes) {
    auto* owned = new std::vector<unsigned char>(std::move(bytes));
    py::capsule free(owned, [](void* p) { delete static_cast<std::vector<unsigned char>*>(p); });
    return py::array_t<uint8_t>({static_cast<py::ssize_t>(owned->size())}, {py::ssize_t(1)}, owned->data(), free);
}

py::array crPictureArray(std::vector<unsigned char>&& pixels, int width, int height, int channels) {
    const py::ssize_t stride = crImageStride(channels, width);
    if (pixels.size() < static_cast<size_t>(stride) * static_cast<size_t>(height))
        throw py::value_error("picture: fewer bytes than its size needs");
    py::array flat = crBytesArray(std::move(pixels));
    return py::array(py::dtype::of<uint8_t>(), {py::ssize_t(height), py::ssize_t(width), py::ssize_t(channels)},
                     {stride, py::ssize_t(channels), py::ssize_t(1)}, flat.data(), flat);
}

CrMatrix::CrMatrix(int rowCount, int colCount) { crMatrixWrap(&m, rowCount, colCount, elements.data(), rows.data()); }

CrMatrix::CrMatrix(const CrMatrix& other) : CrMatrix(other.m.rows, other.m.cols) { elements = other.elements; }

CrMatrix& CrMatrix::operator=(const CrMatrix& other) {
    elements = other.elements;
    crMatrixWrap(&m, other.m.rows, other.m.cols, elements.data(), rows.data());
    return *this;
}

py::array_t<float> CrMatrix::array() const {
    py::array_t<float> out({py::ssize_t(m.rows), py::ssize_t(m.cols)});
    std::memcpy(out.mutable_data(), elements.data(), sizeof(float) * static_cast<size_t>(m.rows * m.cols));
    return out;
}

CrMatrix crMatrixIn(const py::handle& array, const char* what, int rowCount, int colCount) {
    auto a = crArrayIn<float>(array, what, int64_t{rowCount} * colCount);
    if (a.ndim() != 2 || a.shape(0) != rowCount || a.shape(1) != colCount)
        crBadArray(what, "a " + std::to_string(rowCount) + " x " + std::to_string(colCount) + " matrix", a);
    CrMatrix out(rowCount, colCount);
    std::memcpy(out.elements.data(), a.data(), sizeof(float) * static_cast<size_t>(rowCount * colCount));
    return out;
}

std::vector<Point2f> crPointsIn(const py::handle& array, const char* what) {
    auto a = crArrayIn<float>(array, what);
    const bool pair = a.ndim() == 1 && a.shape(0) == 2;
    if (!pair && !(a.ndim() == 2 && a.shape(1) == 2)) crBadArray(what, "points of shape (n, 2)", a);
    std::vector<Point2f> points(pair ? 1 : static_cast<size_t>(a.shape(0)));
    std::memcpy(points.data(), a.data(), sizeof(Point2f) * points.size());
    return points;
}

int crSlotOf(const py::handle& slot, const char* what, int count) {
    // The rig's slot names, then the multi-view record's virtual camera.
    const auto name = [](int i) { return i < 4 ? camrig::kSlotNames[static_cast<size_t>(i)] : "virtual"; };
    if (py::isinstance<py::str>(slot)) {
        const auto given = slot.cast<std::string>();
        for (int i = 0; i < count; ++i)
            if (given == name(i)) return i;
    } else if (PyIndex_Check(slot.ptr()) && !py::isinstance<py::bool_>(slot)) {
        const Py_ssize_t index = PyNumber_AsSsize_t(slot.ptr(), nullptr);  // saturates, never fails
        if (index >= 0 && index < count) return static_cast<int>(index);
    }
    std::string wanted = "0.." + std::to_string(count - 1) + " or ";
    for (int i = 0; i < count; ++i) wanted += std::string(i ? ", '" : "'") + name(i) + "'";
    throw py::value_error(std::string(what) + ": wanted a camera slot " + wanted + ", got " +
                          py::repr(slot).cast<std::string>());
}

std::string crPathOf(const py::handle& path, const char* what) {
    if (!py::isinstance<py::str>(path) && !py::isinstance<py::bytes>(path) && !py::hasattr(path, "__fspath__"))
        throw py::type_error(std::string(what) + ": wanted a str, bytes or path-like object, got " +
                             py::repr(path).cast<std::string>());
    auto bytes = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    if (bytes.find('\0') != std::string::npos) throw py::value_error(std::string(what) + ": contains a NUL byte");
    return bytes;
}

py::array_t<float> crPointsOut(const Point2f* points, size_t count) {
    py::array_t<float> out({static_cast<py::ssize_t>(count), py::ssize_t(2)});
    if (count) std::memcpy(out.mutable_data(), points, sizeof(Point2f) * count);
    return out;
}
