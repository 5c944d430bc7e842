// Bowl views: mesh, cell rasteriser and weight cones, blend map in every orientation, the two types' differences.
#include <cmath>

#include "bowlview_fixture.h"
#include "support/same_bytes.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(BowlMesh, RimFloorEdgeFloorRingsCentreAndSeam) {
    auto s = std::make_unique<BowlviewState>();
    s->bowlCenterX = 100.0f, s->bowlCenterY = -50.0f, s->bowlWallX = 3000.0f, s->bowlWallY = 2000.0f;
    s->bowlHeight = 1500.0f, s->bowlFloorY = 4000.0f;
    crBuildBowlMesh(s.get());
    const BowlVertex* m = s->mesh;
    EXPECT_TRUE(m[0].x == 9100.0f && m[0].y == -50.0f && m[0].z == -1500.0f);  // floor semi-axis t = 3000 * 4000 / 2000
    for (int j = 0; j <= 60; ++j) {
        SCOPED_TRACE(j);
        for (auto [ring, scale] :
             {std::pair{30, 1.0f}, {31, 0.95f}, {45, 0.25f}}) {  // on the ellipse (6000, 4000) scaled
            const BowlVertex& v = m[61 * ring + j];
            EXPECT_EQ(v.z, 0.0f);
            EXPECT_NEAR(std::hypot((v.x - 100.0f) / 6000.0f, (v.y + 50.0f) / 4000.0f), scale, 1e-5f) << ring;
        }
        EXPECT_EQ(m[j].z, -1500.0f);  // the rim
        EXPECT_TRUE(m[61 * 50 + j].x == 100.0f && m[61 * 50 + j].y == -50.0f && m[61 * 50 + j].z == 0.0f);
    }
    for (size_t ring = 0; ring <= 50; ++ring)  // point 60 repeats point 0
        EXPECT_LT(std::hypot(m[61 * ring + 60].x - m[61 * ring].x, m[61 * ring + 60].y - m[61 * ring].y), 0.01f)
            << ring;
    for (const BowlVertex& v : s->mesh) ASSERT_LE(v.z, 0.0f);
}

// One floor cell next to the front camera with its view corners set by hand. All other vertices are lifted above
// the camera, so that no other cell faces it; the cell itself asks only the vertices around its first corner.
TEST_F(BowlviewTest, CellIsDrawnWhenItFacesTheCameraAndOneOfItsLastThreeCornersIsInView) {
    init(1);
    struct Case {
        float corners[4][2];
        float cameraZ;
        int first;    // entries lie in columns and rows first..40
        int entries;  // -1: some
    } cases[] = {
        {{{20, 20}, {40, 20}, {40, 40}, {20, 40}}, -1000.0f, 20, 21 * 21},
        {{{20, 20}, {-100, 20}, {-100, -100}, {20, -100}}, -1000.0f, 0, 0},  // only the first corner in view
        {{{-100, -100}, {40, 20}, {40, 40}, {20, 40}}, -1000.0f, 0, -1},     // the first corner out of view
        {{{20, 20}, {40, 20}, {40, 40}, {20, 40}}, 1000.0f, 0, 0},           // the camera below the floor
    };
    const int v = 61 * 40 + 45;  // ring 40, 270 degrees: (0, -3000), 750 mm ahead of the front camera
    const int corner[4] = {v, v + 1, v + 62, v + 61};
    for (int i = 0; i < kBowlVertices; ++i)
        if (i != v && i != v + 1 && i != v + 61 && i != v + 62 && i != v - 1 && i != v - 61)
            state()->mesh[i].z = -5000.0f;
    for (const Case& k : cases) {
        for (int i = 0; i < 4; ++i)
            state()->mesh[corner[i]].viewU = k.corners[i][0], state()->mesh[corner[i]].viewV = k.corners[i][1];
        cams[CR_SLOT_FRONT].positionZ = k.cameraZ;
        crRasteriseCamera(state(), &cams[CR_SLOT_FRONT], kPosFront, CR_SLOT_FRONT);
        int entries = 0, outside = 0;
        for (int r = 0; r < 160; ++r)
            for (int c = 0; c < 160; ++c)
                if (state()->luts[kPosFront][r][2 * size_t(c)] >= 0.0f)
                    ++entries, outside += c > 40 || r > 40 || c < k.first || r < k.first;
        EXPECT_EQ(outside, 0);
        if (k.entries < 0)
            EXPECT_GT(entries, 100);
        else
            EXPECT_EQ(entries, k.entries);
    }
}

// Equidistant lenses: a LUT entry's distance from the centre is its angle. Front cone 30 degrees, side 75, ramp 5.
TEST_F(BowlviewTest, WeightsRampDownToTheConeLimitAndStayUnsetBeyondIt) {
    param.frontFov = 60.0f, param.blendAngle = 5.0f, init(1);
    const float ramp = 0.08726646f;
    for (auto [pos, limit] : {std::pair{kPosFront, 0.5235988f}, {kPosLeft, 1.3089969f}}) {
        int seen[3] = {};  // beyond, ramp, full
        for (int i = 0; i < 160 * 160; ++i) {
            const float* e = &state()->luts[pos][i / 160][2 * size_t(i % 160)];
            const float w = state()->weights[pos]->data[i / 160][i % 160],
                        theta = std::hypot(e[0] - 160, e[1] - 120) / 100;
            const bool centre = std::hypot(i % 160 - 80, i / 160 - 80) < 8;  // the innermost cells are triangles
            if (e[0] < 0.0f || centre || std::fabs(theta - limit) < 1e-3f || std::fabs(theta - limit + ramp) < 1e-3f) {
                ASSERT_TRUE(e[0] >= 0.0f || w == -1.0f) << i;  // no entry, no weight
                continue;
            }
            const float expected = theta > limit ? -1.0f : theta < limit - ramp ? 1.0f : (limit - theta) / ramp;
            ASSERT_NEAR(w, expected, 1e-3f) << pos << " at " << i;
            ++seen[expected == -1.0f ? 0 : expected == 1.0f ? 2 : 1];
        }
        EXPECT_TRUE(seen[1] > 20 && seen[2] > 20 && (pos == kPosLeft || seen[0] > 20)) << pos;
    }
}

// Ground points around the vehicle keep their code whichever way the virtual camera turns, with front and rear
// weights 1, -1 or 0.5 (side share 128) everywhere; type 2 reads a quarter turn as seen from the front.
TEST_F(BowlviewTest, BlendMapCodesFollowTheVehicleInEveryOrientation) {
    const float probes[9][2] = {{-2000, -3500}, {0, -3500},    {2000, -3500}, {-2000, 0},  {0, 0},
                                {2000, 0},      {-2000, 3500}, {0, 3500},     {2000, 3500}};
    const auto codes = [](float w) {
        const int s = w == 1.0f ? 0 : 128;
        const Px fl = w < 0 ? Px{255, 0, 0} : Px{0, 0, s}, fr = w < 0 ? Px{0, 255, 0} : Px{0, 255 * (w != 1), s};
        const Px rl = w < 0 ? Px{255, 0, 0} : Px{255, 255 * (w == 1), s}, rr = w < 0 ? Px{0, 255, 0} : Px{255, 255, s};
        return std::vector<Px>{fl, {0, 0, 0}, fr, {255, 0, 0}, {1, 1, 1}, {0, 255, 0}, rl, {255, 255, 0}, rr};
    };
    init(1);
    for (float turn : {0.0f, 180.0f, 90.0f, -90.0f}) {
        cams[4].angleZ = turn;
        Point2f k[4];
        crBowlCarCorners(state(), &cams[4], k);
        ASSERT_EQ(std::fabs(turn) == 90.0f, k[0].x == k[1].x && k[0].y != k[1].y) << turn;  // front edge vertical
        for (float w : {1.0f, -1.0f, 0.5f}) {
            for (int p : {kPosFront, kPosRear})
                for (int r = 0; r < 160; ++r) std::fill_n(state()->weights[p]->data[r], 160, w);
            for (bool type1 : {true, false}) {
                crPaintBowlBlendMap(state(), &cams[4], type1);
                int c, r;
                const bool quarterAsFront = !type1 && std::fabs(turn) == 90.0f;
                for (int i = 0; i < 9; ++i) {
                    viewPixel(probes[i][0], probes[i][1], &c, &r);
                    if (!quarterAsFront) {
                        EXPECT_EQ(crPx(mapAt(c, r)), codes(w)[i]) << turn << " " << w << " " << i;
                    }
                }
                viewPixel(0, -3500, &c, &r);  // ahead of the vehicle
                if (quarterAsFront) {
                    EXPECT_NE(crPx(mapAt(c, r)), codes(w)[1]) << turn;
                }
            }
        }
    }
    cams[4].angleZ = 0.0f, param.viewCenterX = 80.6f, init(1);  // the corners round to whole pixels: 62.6 to 63
    EXPECT_PIXEL(mapAt(63, 80), 255, 0, 0);
    EXPECT_PIXEL(mapAt(64, 80), 1, 1, 1);
}

// Type 1 tints every pixel with flag 0x4000 (byte 2 averaged with the map's), type 2 never.
TEST_F(BowlviewTest, ApplyComposesThroughTheMapAndOnlyType1Tints) {
    TestPicture map(160, 160, 1, 1, 1), frame(320, 240, 10, 20, 30), out(160, 160);
    const int codes[4][3] = {{0, 0, 0}, {0, 0, 128}, {255, 255, 77}, {40, 50, 60}};
    for (int i = 0; i < 4; ++i) map.set(i, 0, codes[i][0], codes[i][1], codes[i][2]);
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        init(type, CR_MULTI_TINT);
        crMultiviewSetImage(h, 160, 160, map.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        const unsigned char* f = frame.bytes.data();
        crMultiviewApply(h, f, f, f, f, out.bytes.data());
        const auto warped = [&](int pos, int c) { return state()->warped[pos]->data[0] + 3 * size_t(c); };
        for (int i = 0; i < 4; ++i) {
            Px expected = i == 3 ? Px{40, 50, 60} : crPx(warped(i == 2 ? kPosRear : kPosFront, i));
            for (int k = 0; i == 1 && k < 3; ++k)
                expected[k] = (expected[k] * 256 + (warped(kPosLeft, 1)[k] - expected[k]) * 128) >> 8;
            for (int k = 0; i == 2 && k < 3; ++k)
                expected[k] = (expected[k] * 256 + (warped(kPosRight, 2)[k] - expected[k]) * 77) >> 8;
            if (type == 1) expected[2] = (expected[2] + codes[i][2]) / 2;
            EXPECT_EQ(crPx(out.at(i, 0)), expected) << i;
        }
        EXPECT_PIXEL(out.at(5, 0), 1, 1, 1);
        crMultiviewRelease(&h);
    }
}

// Type 1 pastes transparently two pixels in from the clipped edges and knows kind 6; type 2 pastes opaque, clipped
// the same way, and places a kind-6 picture. Pixels once transferred stay in the map until Init repaints it.
TEST_F(BowlviewTest, SetImageKindsOfEachType) {
    TestPicture picture(20, 10, 40, 50, 60);
    picture.set(15, 5, 255, 255, 255);  // lands on view (5, 35)
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        init(type);
        const Px before = crPx(mapAt(5, 35));
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), 0, -10, 30, 20, 10);
        const bool t1 = type == 1;
        const std::vector<std::array<int, 3>> probes =  // column, row, placed
            t1 ? std::vector<std::array<int, 3>>{{2, 32, 1}, {7, 37, 1}, {4, 34, 1}, {1, 32, 0},
                                                 {8, 35, 0}, {4, 31, 0}, {4, 38, 0}}
               : std::vector<std::array<int, 3>>{{0, 30, 1},  {9, 39, 1}, {4, 34, 1},
                                                 {10, 35, 0}, {4, 29, 0}, {4, 40, 0}};
        for (auto [c, r, placed] : probes)
            EXPECT_EQ(crPx(mapAt(c, r)) == (Px{40, 50, 60}), placed == 1) << c << "," << r;
        EXPECT_EQ(crPx(mapAt(5, 35)), t1 ? before : (Px{254, 254, 254}));  // white: transparent or 254
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), CR_CLEAR_OVERLAY, 100, 100, 20, 10);
        EXPECT_EQ(crPx(mapAt(110, 102)) == (Px{40, 50, 60}), !t1);  // type 2 placed it
        EXPECT_PIXEL(mapAt(4, 34), 40, 50, 60);                     // the earlier transfer stays
        init(type);                                                 // same size: type 1 transfers the overlay again
        EXPECT_EQ(crPx(mapAt(4, 34)) == (Px{40, 50, 60}), false);
        EXPECT_EQ(crPx(mapAt(110, 102)) == (Px{40, 50, 60}), false);
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), 0, 100, 100, 20, 10), init(type);
        EXPECT_EQ(crPx(mapAt(110, 102)) == (Px{40, 50, 60}), t1);
        setView(160, 120), init(type), setView(160, 160), init(type);  // new buffers, empty overlay
        EXPECT_EQ(crPx(mapAt(110, 102)) == (Px{40, 50, 60}), false);
        crMultiviewRelease(&h);
    }
}

// An empty picture still clears the overlay and pastes black, which type 2 makes opaque (1, 1, 1). Frames of size 0
// leave every camera blind, so Apply shows the fill colour wherever the map names a camera.
TEST_F(BowlviewTest, EmptyPicturesAndEmptyFrames) {
    TestPicture picture(20, 10, 40, 50, 60), out(160, 160, 7, 7, 7);
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        init(type);
        crMultiviewSetImage(h, 20, 10, picture.bytes.data(), 0, 100, 100, 20, 10);
        crMultiviewSetImage(h, 0, 5, nullptr, 0, 30, 30, 6, 4);
        EXPECT_EQ(crPx(mapAt(32, 31)) == (Px{1, 1, 1}), type == 2);
        init(type);  // type 1 transfers its overlay again, now empty
        EXPECT_NE(crPx(mapAt(110, 102)), (Px{40, 50, 60}));
        cams[CR_SLOT_FRONT].imageWidth = 0, init(type), cams[CR_SLOT_FRONT].imageWidth = 320;
        crMultiviewApply(h, picture.bytes.data(), nullptr, nullptr, nullptr, out.bytes.data());
        EXPECT_PIXEL(out.at(80, 5), 0, 0, 255);  // ahead of the vehicle: the front camera
        crMultiviewRelease(&h);
    }
}

// Type 1 with mode 4 keeps the map it had; type 2 repaints. GetLUT ignores its length, GetMask has three formats.
TEST_F(BowlviewTest, ModeFourLutLengthMaskFormatsAndPoseAdjustment) {
    const TestPicture grey(160, 160, 9, 9, 9);
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        init(type);
        crMultiviewSetImage(h, 160, 160, grey.bytes.data(), CR_REPLACE_MAP, 0, 0, 0, 0);
        param.mode = 4, init(type), param.mode = 0;
        EXPECT_EQ(crPx(mapAt(80, 80)), type == 1 ? (Px{9, 9, 9}) : (Px{1, 1, 1}));
        int len = 0;
        crMultiviewGetLUTLen(h, &len);
        ASSERT_EQ(len, 160 * 160 * 4);
        Bytes exact(len, 0), unchecked(len, 0);
        crMultiviewGetLUT(h, exact.data(), len, CR_SLOT_RIGHT),
            crMultiviewGetLUT(h, unchecked.data(), 0, CR_SLOT_RIGHT);
        EXPECT_TRUE(exact == unchecked && exact != Bytes(len, 0));
        const int lengths[] = {160 * 160 * 2, 160 * 160 * 4, 160 * 160 * 2, 0, 0};
        for (int format = 0; format < 5; ++format)
            EXPECT_EQ((crMultiviewGetMaskLen(h, &len, format), len), lengths[format]) << format;
        const CameraParam before = cams[CR_SLOT_REAR];
        const float offsets[6] = {100, 100, 100, 5, 5, 5};
        EXPECT_EQ(crMultiviewAdjustCameraPose(h, &param, offsets, CR_SLOT_REAR), 0);
        EXPECT_TRUE(crSameBytes(before, cams[CR_SLOT_REAR]));
        crMultiviewRelease(&h);
    }
}

}  // namespace
