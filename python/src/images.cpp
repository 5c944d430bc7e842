// Picture operations (remap, resize, BMP, colour conversions, lines), corner
// detection, component labelling and the target device's byte tables, over
// numpy arrays. Every buffer the library writes is sized here from its
// contract, since the C functions check no sizes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <pybind11/stl.h>

#include "bind.h"

namespace {

// An Image record over pixels the caller keeps alive, with its row table.
struct CrImage {
    Image img{};
    std::vector<unsigned char*> rows;
    CrImage(int channels, int width, int height, unsigned char* pixels) : rows(static_cast<size_t>(height)) {
        crImageWrap(&img, channels, width, height, pixels, rows.data());
    }
    // img.data points into rows: moves keep that buffer, copies would not.
    CrImage(const CrImage&) = delete;
    CrImage(CrImage&&) = default;
};

// A picture read from numpy, with the Image record over it.
struct CrImageIn {
    CrFrameIn frame;
    CrImage image;
    CrImageIn(CrFrameIn&& in, int channels)
        : frame(std::move(in)), image(channels, frame.width, frame.height, const_cast<unsigned char*>(frame.data)) {}
};

// The channel count of a picture array, 3 when it has none that fits (the
// conversion then reports the shape).
int crChannelsOf(const py::handle& array) {
    auto a = py::array::ensure(array);
    return a && a.ndim() == 3 && a.shape(2) >= 1 && a.shape(2) <= 4 ? static_cast<int>(a.shape(2)) : 3;
}

// An Image over a writable numpy picture (height, width, channels) whose
// pixels lie packed within each row; rows may lie anywhere, as Image rows
// may. Anything else raises, since a copy would lose the writes.
CrImage crImageInPlace(const py::handle& array, const char* what, int width, int height, int channels) {
    if (!py::isinstance<py::array>(array)) throw py::type_error(std::string(what) + ": wanted a numpy array");
    auto a = py::reinterpret_borrow<py::array>(array);
    const bool fits = a.ndim() == 3 && a.dtype().is(py::dtype::of<uint8_t>()) && a.writeable() &&
                      a.shape(2) == channels && a.strides(1) == channels && a.strides(2) == 1 &&
                      (width == 0 || (a.shape(0) == height && a.shape(1) == width));
    if (!fits)
        throw py::value_error(std::string(what) + ": wanted a writable uint8 array of " +
                              (width ? std::to_string(height) + " x " + std::to_string(width) : "height x width") +
                              " x " + std::to_string(channels) + " pixels, each row's pixels packed");
    crCheckSize(a.shape(1), a.shape(0), what);
    auto* base = static_cast<unsigned char*>(a.mutable_data());
    CrImage out(channels, static_cast<int>(a.shape(1)), static_cast<int>(a.shape(0)), base);
    for (size_t r = 0; r < out.rows.size(); ++r) out.rows[r] = base + static_cast<py::ssize_t>(r) * a.strides(0);
    return out;
}

// A picture (height, width, 3) uint8 as one gapless run of 3 x width bytes a
// row, as the corner detector and the 4:2:2 converter read it.
py::array_t<uint8_t, py::array::c_style> crPackedIn(const py::handle& array, const char* what, int width = 0,
                                                    int height = 0) {
    auto a = py::array::ensure(array);
    const bool fits = a && a.ndim() == 3 && a.shape(2) == 3 && a.dtype().is(py::dtype::of<uint8_t>()) &&
                      (width == 0 || (a.shape(0) == height && a.shape(1) == width));
    if (!fits) crFrameIn(array, what, width, height);  // raises, naming what was wanted
    if (!fits) throw py::value_error(std::string(what) + ": wanted a picture");
    crCheckSize(a.shape(1), a.shape(0), what);
    return py::array_t<uint8_t, py::array::c_style>::ensure(a);
}

// A LUT (height, width, 2) of floats with its row table: the caller's memory
// when each row's pairs lie packed, else a copy.
struct CrLutIn {
    py::array_t<float> keep;
    std::vector<float*> rows;
    int width = 0, height = 0;
};

CrLutIn crLutIn(const py::handle& array, const char* what) {
    auto a = py::array_t<float, py::array::forcecast>::ensure(crArrayOf(array, what));
    if (!a) throw py::type_error(std::string(what) + ": wanted a LUT of floats");
    if (a.ndim() != 3 || a.shape(2) != 2)
        throw py::value_error(std::string(what) + ": wanted a LUT of shape (height, width, 2)");
    CrLutIn lut;
    crCheckSize(a.shape(1), a.shape(0), what);
    lut.height = static_cast<int>(a.shape(0));
    lut.width = static_cast<int>(a.shape(1));
    const bool packed = a.strides(1) == 2 * py::ssize_t(sizeof(float)) && a.strides(2) == py::ssize_t(sizeof(float)) &&
                        a.strides(0) % py::ssize_t(sizeof(float)) == 0;
    lut.keep = a;
    if (!packed) lut.keep = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(a);
    auto* base = reinterpret_cast<char*>(lut.keep.mutable_data());
    lut.rows.resize(static_cast<size_t>(lut.height));
    for (int r = 0; r < lut.height; ++r) lut.rows[r] = reinterpret_cast<float*>(base + r * lut.keep.strides(0));
    return lut;
}

// A LUT's floats as one flat run, row after row, as the view tables read it.
py::array_t<float, py::array::c_style> crFlatLutIn(const py::handle& array, const char* what) {
    auto a = crArrayIn<float>(array, what);
    if (a.ndim() != 3 || a.shape(2) != 2)
        throw py::value_error(std::string(what) + ": wanted a LUT of shape (height, width, 2)");
    crCheckSize(a.shape(1), a.shape(0), what);
    return a;
}

// `channels` colour bytes, or none (an empty list) for None.
std::vector<unsigned char> crColourIn(const py::object& colour, const char* what, int channels) {
    if (colour.is_none()) return {};
    std::vector<int> values;
    try {
        values = colour.cast<std::vector<int>>();
    } catch (const py::cast_error&) {
        throw py::type_error(std::string(what) + ": wanted a sequence of byte values");
    }
    const bool bytes = std::all_of(values.begin(), values.end(), [](int v) { return v >= 0 && v <= 255; });
    if (static_cast<int>(values.size()) != channels || !bytes)
        throw py::value_error(std::string(what) + ": wanted " + std::to_string(channels) + " values 0..255");
    return std::vector<unsigned char>(values.begin(), values.end());
}

// The destination of a remap: `out` when given (the LUT's size, at most the
// source's channels), else a new picture.
struct CrRemapOut {
    py::array array;
    std::optional<CrImage> image;
};

CrRemapOut crRemapOut(const py::object& out, const CrLutIn& lut, int srcChannels) {
    CrRemapOut dst;
    if (out.is_none()) {
        unsigned char* pixels = nullptr;
        dst.array = crFrameOut(lut.width, lut.height, &pixels, srcChannels);
        dst.image.emplace(srcChannels, lut.width, lut.height, pixels);
        return dst;
    }
    const int channels = crChannelsOf(out);
    if (channels > srcChannels) throw py::value_error("out: wanted no more channels than src");
    dst.array = py::reinterpret_borrow<py::array>(out);
    dst.image.emplace(crImageInPlace(out, "out", lut.width, lut.height, channels));
    return dst;
}

using CrRemapFn = int (*)(const Image*, Image*, float**, int, const unsigned char*);

py::array crRunRemap(CrRemapFn remap, const py::handle& src, const py::handle& lutArray, int flags,
                     const std::vector<unsigned char>& colour, const py::object& out) {
    const int channels = crChannelsOf(src);
    CrImageIn in(crFrameIn(src, "src", 0, 0, channels), channels);
    CrLutIn lut = crLutIn(lutArray, "lut");
    CrRemapOut dst = crRemapOut(out, lut, channels);
    if (!colour.empty() && static_cast<int>(colour.size()) != dst.image->img.channels)
        throw py::value_error("colour: wanted one value per channel of the output");
    {
        py::gil_scoped_release nogil;
        remap(&in.image.img, &dst.image->img, lut.rows.data(), flags, colour.empty() ? nullptr : colour.data());
    }
    return dst.array;
}

void crBindRemap(py::module_& m) {
    m.def(
        "remap",
        [](const py::handle& src, const py::handle& lut, int flags, const py::object& fill, const py::object& out) {
            const int channels = out.is_none() ? crChannelsOf(src) : crChannelsOf(out);
            return crRunRemap(crRemap, src, lut, flags, crColourIn(fill, "fill", channels), out);
        },
        py::arg("src"), py::arg("lut"), py::arg("flags") = 0, py::arg("fill") = py::none(), py::arg("out") = py::none(),
        "Samples src (h, w, c) through lut (H, W, 2) into a picture (H, W, c), or into `out` in place. flags: "
        "CR_VIEW_BICUBIC, CR_VIEW_BILINEAR or 0 (nearest); pixels without source get `fill` (c bytes) or keep "
        "their bytes.");
    m.def(
        "remap_alpha",
        [](const py::handle& src, const py::handle& lut, int flags, const py::object& key, const py::object& out) {
            const int channels = out.is_none() ? crChannelsOf(src) : crChannelsOf(out);
            std::vector<unsigned char> colour = crColourIn(key, "key", channels);
            if ((flags & 0x1) && colour.empty()) throw py::value_error("key: wanted with keyed bilinear sampling");
            return crRunRemap(crRemapAlpha, src, lut, flags, colour, out);
        },
        py::arg("src"), py::arg("lut"), py::arg("flags") = 0, py::arg("key") = py::none(), py::arg("out") = py::none(),
        "remap for overlays: `key` (c bytes) is the transparent colour, written where the LUT has no source; "
        "flags 0x1 keyed bilinear (key required), else nearest.");
    m.def(
        "resize_image",
        [](const py::handle& src, int width, int height, int flags) {
            crCheckSize(width, height, "width, height");
            const int channels = crChannelsOf(src);
            CrImageIn in(crFrameIn(src, "src", 0, 0, channels), channels);
            unsigned char* pixels = nullptr;
            py::array out = crFrameOut(width, height, &pixels, channels);
            CrImage dst(channels, width, height, pixels);
            {
                py::gil_scoped_release nogil;
                crResizeImage(&in.image.img, &dst.img, flags);
            }
            return out;
        },
        py::arg("src"), py::arg("width"), py::arg("height"), py::arg("flags") = 0,
        "src (h, w, c) scaled to a new picture (height, width, c) with the sampler flags select, as remap.");
}

void crBindPictures(py::module_& m) {
    m.def(
        "image_to_bmp",
        [](const py::handle& picture) {
            const int channels = crChannelsOf(picture);
            CrImageIn in(crFrameIn(picture, "picture", 0, 0, channels), channels);
            int size = 0;
            unsigned char* file = crImageToBmp(&in.image.img, &size);
            if (!file) throw std::bad_alloc();
            py::bytes bytes(reinterpret_cast<const char*>(file), static_cast<size_t>(size));
            std::free(file);
            return bytes;
        },
        py::arg("picture"), "The picture (h, w, c), bytes blue-green-red for c = 3, as the bytes of a BMP file.");
    m.def(
        "rgb24_to_yuv_uy_vy",
        [](const py::handle& picture) {
            auto in = crPackedIn(picture, "picture");
            const int height = static_cast<int>(in.shape(0)), width = static_cast<int>(in.shape(1));
            if (width % 2) throw py::value_error("picture: wanted an even width");
            py::array_t<uint8_t> out({py::ssize_t(height), py::ssize_t(width / 2) * 4});
            crRGB24toYUV_UY_VY(in.data(), out.mutable_data(), width, height);
            return out;
        },
        py::arg("picture"),
        "Packed studio-range 4:2:2 (h, 2 w): U, Y0, V, Y1 per pair of pixels of an even-width picture.");
    m.def(
        "rgb24_to_yuv422",
        [](const py::handle& picture) {
            CrFrameIn in = crFrameIn(picture, "picture");
            py::array_t<uint8_t> out({py::ssize_t(in.height), py::ssize_t((in.width + 1) / 2) * 4});
            crRGB24toYUV422(in.data, out.mutable_data(), in.width, in.height);
            return out;
        },
        py::arg("picture"), "Packed 4:2:2 (h, 4 ceil(w / 2)): U, Y0, V, Y1 per pair of pixels.");
    m.def(
        "rgb24_to_rgb32",
        [](const py::handle& picture) {
            CrFrameIn in = crFrameIn(picture, "picture");
            py::array_t<uint8_t> out({py::ssize_t(in.height), py::ssize_t(in.width), py::ssize_t(4)});
            crRGB24toRGB32(in.data, out.mutable_data(), in.width, in.height);
            return out;
        },
        py::arg("picture"), "32-bit pixels (h, w, 4): red, green, blue, alpha (0 for black, else 255).");
    m.def(
        "draw_line_bresenham",
        [](const py::handle& picture, int x0, int y0, int x1, int y1, uint32_t colour, int thickness) {
            CrImage img = crImageInPlace(picture, "picture", 0, 0, 3);
            crDrawLineBresenham(&img.img, x0, y0, x1, y1, colour, thickness);
        },
        py::arg("picture"), py::arg("x0"), py::arg("y0"), py::arg("x1"), py::arg("y1"), py::arg("colour"),
        py::arg("thickness") = 1,
        "Draws the line (x0, y0)-(x1, y1) in colour 0x00BBGGRR into picture (h, w, 3) in place, thickness x "
        "thickness pixels a point; nothing when an end lies outside.");
}

void crBindFeatures(py::module_& m) {
    m.def(
        "detect_corner",
        [](const py::handle& photo, CameraParam& cam, int mode) {
            if (mode < 0 || mode > 3) throw py::value_error("mode: wanted 0..3");
            crCheckSize(cam.imageWidth, cam.imageHeight, "cam image size");
            auto pixels = crPackedIn(photo, "photo", cam.imageWidth, cam.imageHeight);
            {
                py::gil_scoped_release nogil;
                crDetectCorner(pixels.data(), &cam, mode);
            }
            return crPointsOut(cam.imagePoints, static_cast<size_t>(std::clamp(cam.pointCount, 0, 50)));
        },
        py::arg("photo"), py::arg("cam"), py::arg("mode"),
        "Finds the twelve target corners in photo (imageHeight, imageWidth, 3); writes them into cam.imagePoints, "
        "clears cam.worldPoints and sets cam.pointCount, in place; returns the corners (n, 2).");
    m.def(
        "ccl",
        [](const py::handle& image, bool contours) {
            auto a = py::array::ensure(image);
            if (!a || a.ndim() != 2 || !a.dtype().is(py::dtype::of<uint8_t>()))
                throw py::value_error("image: wanted a uint8 array (height, width) of 0 and 255");
            crCheckSize(a.shape(1), a.shape(0), "image");
            const int height = static_cast<int>(a.shape(0)), width = static_cast<int>(a.shape(1));
            auto pixels = py::array_t<uint8_t, py::array::c_style>::ensure(a);
            const uint8_t* begin = pixels.data();
            const uint8_t* end = begin + pixels.size();
            if (std::any_of(begin, end, [](uint8_t v) { return v != 0 && v != 255; }))
                throw py::value_error("image: wanted pixels of 0 and 255 only");
            py::array_t<int32_t> labels({py::ssize_t(height), py::ssize_t(width)});
            py::object contourImage = py::none();
            std::vector<unsigned char*> inRows(static_cast<size_t>(height));
            std::vector<int32_t*> labelRows(inRows.size()), contourRows(inRows.size());
            for (int r = 0; r < height; ++r) {
                inRows[r] = const_cast<unsigned char*>(pixels.data(r, 0));
                labelRows[r] = labels.mutable_data(r, 0);
            }
            if (contours) {
                py::array_t<int32_t> c({py::ssize_t(height), py::ssize_t(width)});
                for (int r = 0; r < height; ++r) contourRows[r] = c.mutable_data(r, 0);
                contourImage = c;
            }
            int count = 0;
            crCCL(width, height, inRows.data(), labelRows.data(), contours ? contourRows.data() : nullptr, &count);
            return py::make_tuple(labels, contourImage, count);
        },
        py::arg("image"), py::arg("contours") = true,
        "Labels the 8-connected components of the 0 pixels of image (h, w): returns (labels, contours, count), "
        "int32 images (h, w) with 1.. on components, -1 on inspected background; contours None when not asked.");
}

// The byte table of a writer that reports its length, sized beforehand by
// `bytes` and trimmed to what was written.
template <typename Write> py::array crTable(size_t bytes, Write&& write) {
    std::vector<unsigned char> out(std::max<size_t>(bytes, 1));
    int written = 0;
    write(out.data(), &written);
    out.resize(static_cast<size_t>(std::clamp<long long>(written, 0, static_cast<long long>(bytes))));
    return crBytesArray(std::move(out));
}

using CrViewTableFn = void (*)(int, int, const float*, unsigned char*, int*, int);
using CrMaskFn = void (*)(int, int, const unsigned char*, unsigned char*, int*);
using CrMaskLenFn = void (*)(int, int, int*);
using CrPointsFn = void (*)(const CameraParam*, unsigned char*, int*);

py::array crViewTable(CrViewTableFn fn, const py::handle& lutArray, int mode) {
    if (mode != 0 && mode != 1) throw py::value_error("mode: wanted 0 (whole pixels) or 1 (1/64 pixel)");
    auto lut = crFlatLutIn(lutArray, "lut");
    const int height = static_cast<int>(lut.shape(0)), width = static_cast<int>(lut.shape(1));
    return crTable(size_t(width) * size_t(height) * 4,
                   [&](unsigned char* out, int* len) { fn(width, height, lut.data(), out, len, mode); });
}

py::array crMask(CrMaskFn fn, CrMaskLenFn lenFn, const py::handle& map) {
    CrFrameIn in = crFrameIn(map, "map");
    int bytes = 0;
    lenFn(in.width, in.height, &bytes);
    return crTable(static_cast<size_t>(std::max(bytes, 0)),
                   [&](unsigned char* out, int* len) { fn(in.width, in.height, in.data, out, len); });
}

py::array crCameraPoints(CrPointsFn fn, const py::sequence& cams) {
    if (py::len(cams) != 4) throw py::value_error("cams: wanted the four cameras front, rear, left, right");
    std::array<CameraParam, 4> records{};
    int total = 0;
    for (size_t i = 0; i < 4; ++i) {
        try {
            records[i] = cams[i].cast<const CameraParam&>();
        } catch (const py::cast_error&) {
            throw py::type_error("cams: wanted CameraParam records");
        }
        total += std::clamp(records[i].pointCount, 0, 51);
    }
    if (total > 50) throw py::value_error("cams: wanted at most 50 points in all (pointCount)");
    return crTable(size_t(total) * 4, [&](unsigned char* out, int* len) { fn(records.data(), out, len); });
}

py::array crTopviewRects(void (*fn)(const MultiviewParam*, uint16_t*, int*), CrPyMultiviewParam& param) {
    if (param.rec.scale == 0) throw py::value_error("param: wanted a scale other than 0");
    py::array_t<uint16_t> rects({py::ssize_t(9), py::ssize_t(4)});
    fn(param.c(), rects.mutable_data(), nullptr);
    // The writer stores little-endian bytes whatever the host.
    return rects.view("<u2");
}

void crBindTargetTables(py::module_& m) {
    m.def(
        "make_bin_view", [](const py::handle& lut, int mode) { return crViewTable(crMakeBinView, lut, mode); },
        py::arg("lut"), py::arg("mode") = 0,
        "The device's view table of lut (h, w, 2): uint8 array of w h 4 bytes in field order; mode 0 whole "
        "pixels, 1 1/64 pixel.");
    m.def(
        "make_bin_view_half", [](const py::handle& lut, int mode) { return crViewTable(crMakeBinViewHalf, lut, mode); },
        py::arg("lut"), py::arg("mode") = 0, "make_bin_view for a device sampling at half horizontal resolution.");
    m.def(
        "make_bin_mask_rgb16",
        [](const py::handle& map) { return crMask(crMakeBinMaskRGB16, crMakeBinMaskRGB16Len, map); }, py::arg("map"),
        "The blend map (h, w, 3) as the device's 16-bit RGB mask: uint8 array of w h 2 bytes.");
    m.def(
        "make_bin_mask_rgb24",
        [](const py::handle& map) { return crMask(crMakeBinMaskRGB24, crMakeBinMaskRGB24Len, map); }, py::arg("map"),
        "The blend map (h, w, 3) as the device's 24-bit mask: its padded rows, uint8.");
    m.def(
        "make_bin_mask_rgb32",
        [](const py::handle& map) { return crMask(crMakeBinMaskRGB32, crMakeBinMaskRGB32Len, map); }, py::arg("map"),
        "The blend map (h, w, 3) as the device's 32-bit mask: uint8 array of w h 4 bytes.");
    m.def(
        "make_bin_mask_ycbcr",
        [](const py::handle& map) { return crMask(crMakeBinMaskYCbCr, crMakeBinMaskYCbCrLen, map); }, py::arg("map"),
        "The blend map (h, w, 3) as the device's 16-bit luma/chroma mask: uint8 array of w h 2 bytes.");
    m.def(
        "make_bin_ipoint", [](const py::sequence& cams) { return crCameraPoints(crMakeBinIPoint, cams); },
        py::arg("cams"), "The imagePoints of four cameras (at most 50 in all) as int16 pairs: uint8 array.");
    m.def(
        "make_bin_wpoint", [](const py::sequence& cams) { return crCameraPoints(crMakeBinWPoint, cams); },
        py::arg("cams"), "The worldPoints of four cameras (at most 50 in all) as int16 pairs: uint8 array.");
    m.def(
        "make_bin_pgs",
        [](CrPyPgsParam& pgs, int set, int all) {
            const long long rows = pgs.rec.rowCount, perRow = pgs.rec.pointCount;
            if (rows < 0 || perRow < 0) throw py::value_error("pgs: wanted rowCount and pointCount of 0 or more");
            const long long endRow = all ? rows : (rows - 1) / 2 + 1;
            const size_t held = set ? pgs.points1.size() : pgs.points0.size();
            if (static_cast<unsigned long long>(endRow * perRow) > held)
                throw py::value_error(std::string("pgs: wanted rowCount x pointCount points in ") +
                                      (set ? "points1" : "points0"));
            const long long firstRow = all ? 0 : endRow - 1;
            return crTable(static_cast<size_t>((endRow - firstRow) * perRow * 4),
                           [&](unsigned char* out, int* len) { crMakeBinPGS(pgs.c(), out, len, set, all); });
        },
        py::arg("pgs"), py::arg("set") = 0, py::arg("all") = 0,
        "Guide points of points1 (set) or points0 as int16 pairs: every row (all) or the middle row; uint8 array.");
    m.def(
        "make_topview_param", [](CrPyMultiviewParam& param) { return crTopviewRects(crMakeTopviewParam, param); },
        py::arg("param"),
        "The top view's nine zone rectangles (x, y, width, height) in half-resolution pixels: little-endian "
        "uint16 (9, 4); tobytes() gives the device's 72 bytes.");
    m.def(
        "make_full_topview_param",
        [](CrPyMultiviewParam& param) { return crTopviewRects(crMakeFullTopviewParam, param); }, py::arg("param"),
        "make_topview_param for the view turned by 90 degrees.");
    m.def(
        "get_mask_car_pos",
        [](CrPyMultiviewParam& param) {
            if (param.rec.scale == 0) throw py::value_error("param: wanted a scale other than 0");
            int top = 0, left = 0, right = 0, bottom = 0;
            crGetMaskCarPos(param.c(), &top, &left, &right, &bottom);
            return py::make_tuple(top, left, right, bottom);
        },
        py::arg("param"),
        "The vehicle rectangle of the top view in view pixels: (top, left, right, bottom), "
        "right and bottom exclusive.");
}

}  // namespace

void crBindImages(py::module_& m) {
    crBindRemap(m);
    crBindPictures(m);
    crBindFeatures(m);
    crBindTargetTables(m);
}
