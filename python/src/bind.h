// The Python module's shared pieces: the records that own what their C
// pointers point to, and the conversions between numpy arrays and the
// library's pictures, matrices and point lists.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "camrig.h"
#include "camrig_toolkit/rig.h"

namespace py = pybind11;

// A single view's record together with the camera it looks through. Python
// sees a ViewParam whose `camera` is this camera; c() points the record at
// it, so the pointer never outlives what it points to.
struct CrPyViewParam {
    ViewParam rec{};
    CameraParam camera{};
    ViewParam* c() {
        rec.camera = &camera;
        return &rec;
    }
};

// A multi-view record together with its five camera records: slots 0..3
// (front, rear, left, right) and the bowl views' virtual camera.
struct CrPyMultiviewParam {
    MultiviewParam rec{};
    std::array<CameraParam, 5> cameras{};
    MultiviewParam* c() {
        rec.cameras = cameras.data();
        return &rec;
    }
};

// A parking-guide record together with its two point lists.
struct CrPyPgsParam {
    PgsParam rec{};
    std::vector<Point2f> points0, points1;
    PgsParam* c() {
        rec.points0 = points0.empty() ? nullptr : points0.data();
        rec.points1 = points1.empty() ? nullptr : points1.data();
        return &rec;
    }
};

// The largest picture, view or LUT read or made: 65536 pixels a side and
// 2^26 pixels in all, so that no size computed from it (w * h * 4 or a LUT's
// w * h * 8 bytes) overflows an int and no record field asks for gigabytes.
constexpr int kCrMaxSide = 1 << 16;
constexpr int64_t kCrMaxPixels = int64_t{1} << 26;
// Raises ValueError naming `what` unless width x height is within those limits
// (and at least 1 x 1).
void crCheckSize(int64_t width, int64_t height, const char* what);

// Array arguments hold at most this many values: a LUT of the largest
// picture. The count is checked before any conversion copies them, since a
// broadcast view of a few bytes may stand for gigabytes.
constexpr int64_t kCrMaxValues = 2 * kCrMaxPixels;
// `value` as an array (no copy when it is one); raises TypeError when it is
// not array-like, ValueError when it holds more than `maxValues` values.
py::array crArrayOf(const py::handle& value, const char* what, int64_t maxValues = kCrMaxValues);
// The same as a C-ordered array of T, converted after the count is checked.
template <typename T>
py::array_t<T, py::array::c_style | py::array::forcecast> crArrayIn(const py::handle& value, const char* what,
                                                                    int64_t maxValues = kCrMaxValues) {
    auto a = py::array_t<T, py::array::c_style | py::array::forcecast>::ensure(crArrayOf(value, what, maxValues));
    if (!a) throw py::type_error(std::string(what) + ": wanted an array of numbers");
    return a;
}

// A packed picture (rows of crImageStride(3, width) bytes, blue-green-red)
// read from a numpy array of shape (height, width, 3), uint8. The array's own
// memory is used when its rows already have that layout; otherwise the
// pixels are copied into `copy`. Raises ValueError naming `what` when the
// shape or type is not that of a width x height picture (width or height 0:
// any size, read from the array).
struct CrFrameIn {
    int width = 0, height = 0;
    const unsigned char* data = nullptr;
    py::object keep;  // the array whose memory `data` points into
    std::vector<unsigned char> copy;
};
CrFrameIn crFrameIn(const py::handle& array, const char* what, int width = 0, int height = 0, int channels = 3);

// A new picture of `height` rows of `width` pixels, `channels` bytes each,
// as a numpy array (height, width, channels) over padded rows: `*pixels`
// receives the first byte of its height x crImageStride(channels, width)
// bytes for the library to write.
py::array crFrameOut(int width, int height, unsigned char** pixels, int channels = 3);

// A numpy view of the elements at `data`, which `owner` holds: writes go
// through, and the view keeps `owner` alive.
template <typename T> py::array crViewOf(const py::object& owner, T* data, std::vector<py::ssize_t> shape) {
    return py::array(py::dtype::of<T>(), std::move(shape), {}, data, owner);
}

// A numpy array that takes over `bytes` without copying: flat, or with
// crPictureArray a picture (height, width, channels) over rows of
// crImageStride(channels, width) bytes, as the toolkit's pictures hold them.
py::array crBytesArray(std::vector<unsigned char>&& bytes);
py::array crPictureArray(std::vector<unsigned char>&& pixels, int width, int height, int channels = 3);

// A 3 x 3 or 3 x 4 matrix record over the floats of `elements`.
struct CrMatrix {
    std::array<float, 12> elements{};
    std::array<float*, 3> rows{};
    Matrix m{};
    CrMatrix(int rowCount, int colCount);
    // Copies point their row table at their own elements.
    CrMatrix(const CrMatrix& other);
    CrMatrix& operator=(const CrMatrix& other);
    py::array_t<float> array() const;  // a copy, shape (rows, cols)
};
// A matrix of `rowCount` x `colCount` from any array-like of that shape.
// Raises ValueError naming `what` otherwise.
CrMatrix crMatrixIn(const py::handle& array, const char* what, int rowCount, int colCount);

// Points from an array-like of shape (n, 2) (or one pair: n = 1), as floats.
std::vector<Point2f> crPointsIn(const py::handle& array, const char* what);
// Points as a float32 array of shape (n, 2).
py::array_t<float> crPointsOut(const Point2f* points, size_t count);

// A camera slot given as 0..count-1 or by name: 'front', 'rear', 'left',
// 'right' and, with count 5, the bowl views' 'virtual' camera. Raises
// ValueError naming `what` otherwise.
int crSlotOf(const py::handle& slot, const char* what, int count = 4);

// A file path (str, bytes or path-like) as the bytes the library opens.
// Raises TypeError or ValueError naming `what` otherwise.
std::string crPathOf(const py::handle& path, const char* what = "path");

// The parts of the module, each in its own file.
void crBindRecords(py::module_& m);
void crBindGeometry(py::module_& m);
void crBindImages(py::module_& m);
void crBindEngines(py::module_& m);
void crBindToolkit(py::module_& m);
