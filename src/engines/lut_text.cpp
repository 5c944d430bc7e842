// The LUT text file: one "column row x y" line per entry.
#include "lut_text.h"

#include "image/image.h"

namespace {

// Written in place of a negative coordinate, so that readers of the file see
// a no-source entry as an impossibly large position.
constexpr float kNoSourceValue = 36245.0f;

float crLutTextValue(float v) { return v < 0.0f ? kNoSourceValue : v; }

// Stops at the first failed write.
bool crWriteLutLines(FILE* file, float* const* lut, int width, int height) {
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) {
            if (std::fprintf(file, "%d %d %.6f %.6f\r\n", c, r, crLutTextValue(lut[r][2 * static_cast<size_t>(c)]),
                             crLutTextValue(lut[r][2 * c + 1])) < 0)
                return false;
        }
    }
    return true;
}

}  // namespace

void crSaveLutText(const char* path, float* const* lut, int width, int height) {
    // Binary mode with explicit CR LF keeps the bytes identical on every platform.
    CrFileOutput file;
    if (!crOpenFileOutput(path, &file)) return;
    crCloseFileOutput(&file, path, crWriteLutLines(file.stream, lut, width, height));
}
