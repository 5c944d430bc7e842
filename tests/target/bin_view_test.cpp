// View LUT binaries: field order, the two fixed-point modes, the no-source
// markers of the full and the half format, and 16-bit wrapping.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "camrig.h"
#include "target/pair16.h"

namespace {

using Entry = Pair16;

constexpr Entry kMarker = {-1, -1};

std::vector<Entry> Decode(const std::vector<unsigned char>& bytes) {
    return crDecodePairs16(bytes.data(), bytes.size());
}

using Writer = void (*)(int, int, const float*, unsigned char*, int*, int);

// Encodes one LUT entry placed on an even (row 0) or odd (row 1) output row.
Entry EncodeOne(Writer writer, float x, float y, bool oddRow, int mode) {
    std::vector<float> lut = {0.0f, 0.0f, 0.0f, 0.0f};
    lut[oddRow ? 2 : 0] = x;
    lut[oddRow ? 3 : 1] = y;
    std::vector<unsigned char> out(8);
    writer(1, 2, lut.data(), out.data(), nullptr, mode);
    return Decode(out)[oddRow ? 1 : 0];
}

TEST(BinViewFields, EvenRowsPrecedeOddRows) {
    // 2 x 3 LUT whose entry (c, r) holds source (c, 2r): rows 0, 2, then 1.
    std::vector<float> lut;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c) lut.insert(lut.end(), {float(c), float(2 * r)});
    std::vector<unsigned char> out(2 * 3 * 4);
    int len = 0;
    crMakeBinView(2, 3, lut.data(), out.data(), &len, 0);
    EXPECT_EQ(len, 24);
    const std::vector<Entry> expected = {{0, 0}, {64, 0}, {0, 128}, {64, 128}, {0, 64}, {64, 64}};
    EXPECT_EQ(Decode(out), expected);
}

TEST(BinViewFields, SingleRowHoldsOnlyTheEvenField) {
    const float lut[] = {1.0f, 4.0f, 2.0f, 6.0f, 3.0f, 8.0f};
    std::vector<unsigned char> out(12 + 4, 0xAB);
    int len = 0;
    crMakeBinView(3, 1, lut, out.data(), &len, 0);
    EXPECT_EQ(len, 12);
    EXPECT_EQ(Decode(out)[2], (Entry{192, 256}));
    EXPECT_EQ(out[12], 0xAB) << "wrote past W x H x 4 bytes";
}

TEST(BinViewModes, WholePixels) {
    EXPECT_EQ(EncodeOne(crMakeBinView, 10.4f, 20.6f, false, 0), (Entry{640, 640}));
    EXPECT_EQ(EncodeOne(crMakeBinView, 10.4f, 20.6f, true, 0), (Entry{640, 640}));
    // Half away from zero on both sides.
    EXPECT_EQ(EncodeOne(crMakeBinView, 2.5f, 5.0f, false, 0), (Entry{192, 192}));
    EXPECT_EQ(EncodeOne(crMakeBinView, -2.5f, -3.0f, false, 0), (Entry{-192, -128}));
}

TEST(BinViewModes, SubPixelFieldRows) {
    EXPECT_EQ(EncodeOne(crMakeBinView, 10.25f, 20.5f, false, 1), (Entry{656, 656}));
    EXPECT_EQ(EncodeOne(crMakeBinView, 10.25f, 21.5f, true, 1), (Entry{656, 656}));
    EXPECT_EQ(EncodeOne(crMakeBinView, 10.25f, 21.5f, false, 1), (Entry{656, 688}));
    // Odd row, even source row: (y - 1) / 2 = 9.75.
    EXPECT_EQ(EncodeOne(crMakeBinView, 0.0f, 20.5f, true, 1), (Entry{0, 624}));
    // Above the odd field's first line.
    EXPECT_EQ(EncodeOne(crMakeBinView, 0.0f, 0.5f, true, 1), (Entry{0, -48}));
    EXPECT_EQ(EncodeOne(crMakeBinView, -0.5f, 0.5f, false, 1), (Entry{-32, 16}));
}

TEST(BinViewModes, ValuesKeepTheirLow16Bits) {
    // 600 x 64 = 38400 does not fit an i16.
    EXPECT_EQ(EncodeOne(crMakeBinView, 600.0f, 0.0f, false, 1).x, 38400 - 65536);
    EXPECT_EQ(EncodeOne(crMakeBinView, 600.0f, 0.0f, false, 0).x, 38400 - 65536);
}

TEST(BinViewMarker, FullFormatNeedsRowExactlyMinusOne) {
    for (int mode : {0, 1}) {
        EXPECT_EQ(EncodeOne(crMakeBinView, -1.0f, -1.0f, false, mode), kMarker);
        EXPECT_EQ(EncodeOne(crMakeBinView, -1.0f, -1.0f, true, mode), kMarker);
        EXPECT_EQ(EncodeOne(crMakeBinView, -1.7f, -1.0f, false, mode), kMarker);  // truncates to -1
    }
    EXPECT_EQ(EncodeOne(crMakeBinView, -1.0f, -0.5f, false, 0), (Entry{-64, 0}));
    EXPECT_EQ(EncodeOne(crMakeBinView, -2.0f, -1.0f, false, 0), (Entry{-128, -64}));
}

TEST(BinViewHalf, HalvesColumnsAndMarksLeftOfMinusOne) {
    // A standard (-1, -1) entry halves to -0.5 and is encoded, not marked.
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, -1.0f, -1.0f, false, 0), (Entry{-64, -64}));
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, -2.0f, -1.0f, false, 0), kMarker);
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, -2.0f, -0.25f, true, 1), kMarker);
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, -2.0f, 0.0f, false, 0), (Entry{-64, 0}));
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, 20.5f, 20.5f, false, 1), (Entry{656, 656}));
    EXPECT_EQ(EncodeOne(crMakeBinViewHalf, 21.0f, 20.6f, true, 0), (Entry{704, 640}));
}

}  // namespace
