// Picture files (PNG, JPEG and BMP read; PNG and BMP written) and the file
// writing that every output of the toolkit goes through.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "camrig.h"

namespace camrig {

// A picture in the engines' layout: height rows of crImageStride(3, width)
// bytes, pixels blue, green, red.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> pixels;

    Picture() = default;
    Picture(int w, int h);  // black
    unsigned char* row(int r) { return pixels.data() + static_cast<size_t>(r) * crImageStride(3, width); }
    const unsigned char* row(int r) const { return pixels.data() + static_cast<size_t>(r) * crImageStride(3, width); }
};

// Reads a PNG, JPEG or BMP file (grey, grey-alpha, RGB or RGBA; alpha is
// dropped). Throws RigError ("<file>: <reason>") when it cannot.
Picture readPicture(const std::string& path);
// Writes PNG or BMP, chosen by the extension (.png, .bmp, either case);
// through writeFileAtomically. Throws RigError when it cannot.
void writePicture(const Picture& picture, const std::string& path);

// The picture's rows packed without padding (3 x width bytes each), the
// layout of calibration photographs; and back.
std::vector<unsigned char> packedRows(const Picture& picture);
Picture fromPackedRows(const unsigned char* bytes, int width, int height);

// An Image record over the picture (rows must outlive it).
Image imageOf(Picture& picture, std::vector<unsigned char*>& rows);

// Writes `bytes` to `path` under a temporary name in the same folder and
// renames it when complete, so that a failure leaves the old file, or none.
// Throws RigError ("<path>: <reason>") when it cannot.
void writeFileAtomically(const std::string& path, const void* bytes, size_t length);
void writeFileAtomically(const std::string& path, const std::string& text);

// The whole of a regular file of at most `limit` bytes. Devices, pipes and
// folders are refused without reading (they may never end), as are larger
// files. Throws RigError ("<path>: <reason>") when it cannot.
std::vector<unsigned char> readFileBounded(const std::string& path, size_t limit);

// Files that appear all together or not at all: add() writes each under a
// temporary name, commit() renames them all; files not committed when the
// set is destroyed are removed.
class OutputSet {
public:
    OutputSet() = default;
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;
    ~OutputSet();
    void add(const std::string& path, const void* bytes, size_t length);
    void add(const std::string& path, const std::string& text);
    void addPicture(const std::string& path, const Picture& picture);
    void commit();
    // The final paths, in the order added.
    const std::vector<std::string>& paths() const { return finals_; }

private:
    std::vector<std::string> temps_, finals_;
};

}  // namespace camrig
