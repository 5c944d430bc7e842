// The LUT text file, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engines/lut_text.h"

namespace {

std::string crReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class LutTextFile : public ::testing::Test {
protected:
    std::string path = ::testing::TempDir() + "camrig_lut_text.txt";
    void TearDown() override { std::remove(path.c_str()); }
};

TEST_F(LutTextFile, WritesOneCrLfLinePerEntryRowByRow) {
    float row0[] = {1.5f, 2.25f, -1.0f, -1.0f};
    float row1[] = {0.0f, -0.5f, 639.125f, 479.0f};
    float* lut[] = {row0, row1};
    crSaveLutText(path.c_str(), lut, 2, 2);
    EXPECT_EQ(crReadFile(path),
              "0 0 1.500000 2.250000\r\n"
              "1 0 36245.000000 36245.000000\r\n"
              "0 1 0.000000 36245.000000\r\n"
              "1 1 639.125000 479.000000\r\n");
}

TEST_F(LutTextFile, SingleNoSourceEntry) {
    float row[] = {-1.0f, -1.0f};
    float* lut[] = {row};
    crSaveLutText(path.c_str(), lut, 1, 1);
    EXPECT_EQ(crReadFile(path), "0 0 36245.000000 36245.000000\r\n");
}

TEST_F(LutTextFile, NoRowsGiveAnEmptyFile) {
    crSaveLutText(path.c_str(), nullptr, 5, 0);
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.good());
    EXPECT_EQ(crReadFile(path), "");
}

TEST_F(LutTextFile, UnopenablePathWritesNothing) {
    float row[] = {1.0f, 1.0f};
    float* lut[] = {row};
    const std::string missing = ::testing::TempDir() + "no/such/dir/lut.txt";
    crSaveLutText(missing.c_str(), lut, 1, 1);
    crSaveLutText(nullptr, lut, 1, 1);
    EXPECT_FALSE(std::ifstream(missing).good());
}

}  // namespace
