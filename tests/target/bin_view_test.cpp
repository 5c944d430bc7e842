// View LUT binaries: field order, both fixed-point modes, the no-source rules
// of the full and the half format, 16-bit wrapping.
#include <gtest/gtest.h>

#include <vector>

#include "camrig.h"
#include "target/pair16.h"

namespace {

using Writer = void (*)(int, int, const float*, unsigned char*, int*, int);

// Encodes one entry placed on output row 0 (even) or 1 (odd) of a 1 x 2 LUT.
Pair16 EncodeOne(Writer writer, float x, float y, bool oddRow, int mode) {
    float lut[4] = {};
    lut[2 * oddRow] = x;
    lut[2 * oddRow + 1] = y;
    unsigned char out[8];
    writer(1, 2, lut, out, nullptr, mode);
    return crDecodePairs16(out, 8)[oddRow];
}

TEST(BinView, EvenRowsPrecedeOddRows) {
    for (int height : {1, 3}) {
        std::vector<float> lut;  // entry (c, r) holds source (c, 2r)
        for (int r = 0; r < height; ++r) lut.insert(lut.end(), {0.0f, 2.0f * r, 1.0f, 2.0f * r});
        std::vector<unsigned char> out(8 * height + 1, 0xAB);
        int len = 0;
        crMakeBinView(2, height, lut.data(), out.data(), &len, 0);
        EXPECT_EQ(len, 8 * height);
        EXPECT_EQ(out.back(), 0xAB) << "wrote past W x H x 4 bytes";
        std::vector<Pair16> expected = {{0, 0}, {64, 0}};
        if (height == 3) expected.insert(expected.end(), {{0, 128}, {64, 128}, {0, 64}, {64, 64}});
        EXPECT_EQ(crDecodePairs16(out.data(), len), expected);
    }
}

TEST(BinView, EntryEncoding) {
    const Pair16 marker = {-1, -1};
    const struct {
        Writer writer;
        float x, y;
        bool oddRow;
        int mode;
        Pair16 expected;
    } cases[] = {
        {crMakeBinView, 10.4f, 20.6f, false, 0, {640, 640}},
        {crMakeBinView, -2.5f, -3.0f, false, 0, {-192, -128}},
        {crMakeBinView, 10.25f, 20.5f, false, 1, {656, 656}},
        {crMakeBinView, 10.25f, 21.5f, true, 1, {656, 656}},
        {crMakeBinView, 10.25f, 21.5f, false, 1, {656, 688}},
        {crMakeBinView, 0.0f, 20.5f, true, 1, {0, 624}},  // odd row, even source row
        {crMakeBinView, 0.0f, 0.5f, true, 1, {0, -48}},   // above the odd field
        {crMakeBinView, 600.0f, 0.0f, false, 1, {38400 - 65536, 0}},
        {crMakeBinView, -1.0f, -1.0f, false, 0, marker},
        {crMakeBinView, -1.0f, -1.0f, true, 1, marker},
        {crMakeBinView, -1.7f, -1.0f, false, 1, marker},  // column truncates to -1
        {crMakeBinView, -1.0f, -0.5f, false, 0, {-64, 0}},
        {crMakeBinViewHalf, -1.0f, -1.0f, false, 0, {-64, -64}},
        {crMakeBinViewHalf, -2.0f, -1.0f, false, 0, marker},
        {crMakeBinViewHalf, -2.0f, -0.25f, true, 1, marker},
        {crMakeBinViewHalf, 20.5f, 20.5f, false, 1, {656, 656}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncodeOne(c.writer, c.x, c.y, c.oddRow, c.mode), c.expected)
            << (c.writer == crMakeBinView ? "full" : "half") << " (" << c.x << ", " << c.y << ") odd row "
            << c.oddRow << " mode " << c.mode;
}

}  // namespace
