// The LUT text file, byte for byte.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "engines/lut_text.h"

namespace {

std::string crSaved(float* const* lut, int width, int height) {
    const std::string path = ::testing::TempDir() + "camrig_lut_text_" + std::to_string(getpid()) + ".txt";
    std::remove(path.c_str());
    crSaveLutText(path.c_str(), lut, width, height);
    std::ifstream in(path, std::ios::binary);
    std::string bytes = in.good() ? std::string(std::istreambuf_iterator<char>(in), {}) : "(no file)";
    std::remove(path.c_str());
    return bytes;
}

TEST(LutTextFile, WritesOneCrLfLinePerEntryRowByRow) {
    float row0[] = {1.5f, 2.25f, -1.0f, -1.0f};
    float row1[] = {0.0f, -0.5f, 639.125f, 479.0f};
    float* lut[] = {row0, row1};
    EXPECT_EQ(crSaved(lut, 2, 2),
              "0 0 1.500000 2.250000\r\n1 0 36245.000000 36245.000000\r\n"
              "0 1 0.000000 36245.000000\r\n1 1 639.125000 479.000000\r\n");
    float none[] = {-1.0f, -1.0f};
    float* single[] = {none};
    EXPECT_EQ(crSaved(single, 1, 1), "0 0 36245.000000 36245.000000\r\n");
    EXPECT_EQ(crSaved(lut, 2, 0), "");  // created, empty
    crSaveLutText(nullptr, lut, 1, 1);
}

}  // namespace
