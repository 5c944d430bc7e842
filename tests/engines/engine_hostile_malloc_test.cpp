// Hostile values through the engines and the top-view parameter writers:
// each case used to overflow, convert an out-of-range float or allocate an
// absurd amount, and now keeps its outputs defined.
#include <climits>
#include <cmath>
#include <limits>

#include "support/counting_malloc.h"
#include "topview_fixture.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Placement {
    int x, y, width, height;
};

// Placed pictures far outside the view, or too large to make, change nothing.
TEST_F(TopviewTest, PlacementsBeyondIntRangeLeaveTheMapAsItWas) {
    const Placement cases[] = {
        {INT_MAX, 0, 8, 8},
        {INT_MIN, 0, 8, 8},
        {0, INT_MAX, 8, 8},
        {0, INT_MIN, 8, 8},
        {INT_MAX - 3, INT_MAX - 3, 8, 8},
        {-5, -5, INT_MAX, 8},
        {-5, -5, 8, INT_MAX},
        {INT_MIN, INT_MIN, INT_MAX, INT_MAX},
    };
    TestPicture picture(4, 4, 50, 60, 70);
    for (uint32_t flags : {0u, CR_MULTI_TURNED}) {
        init(0, flags);
        const std::vector<unsigned char> before = callerMap();
        for (const Placement& p : cases) {
            EXPECT_EQ(crMultiviewSetImage(h, 4, 4, picture.bytes.data(), 0, p.x, p.y, p.width, p.height), 0);
            EXPECT_EQ(callerMap(), before) << flags << ": " << p.x << "," << p.y << " " << p.width << "x" << p.height;
        }
    }
}

// Seam lines of modes 2 and 3 with extreme widths: the zones are still coded.
TEST_F(TopviewTest, ExtremeLineWidthsKeepTheZones) {
    for (int width : {INT_MAX, INT_MIN, INT_MIN + 1, -INT_MAX / 2}) {
        for (int mode : {2, 3}) {
            param.lineWidth = width;
            init(mode);
            ASSERT_TRUE(crHasViewBuffers(state())) << width;
            expectMap({{kLeft + 10, kTop + 10, 0x11, 0x22, 0x33}});  // the vehicle keeps its colour
        }
    }
}

// Non-numeric and extreme float fields: Init completes, the rectangle is
// saturated and the map keeps a defined vehicle.
TEST_F(TopviewTest, NonNumericFieldsGiveADefinedRectangle) {
    struct Case {
        float scale, cx, cy, fov;
        int carWidth;
    };
    const Case cases[] = {
        {0.0f, 100.0f, 150.0f, 90.0f, 80},       {0.0f, 100.0f, 150.0f, 90.0f, 0},    {kNaN, 100.0f, 150.0f, 90.0f, 80},
        {1e-30f, 100.0f, 150.0f, 90.0f, 80},     {-0.0f, kInf, -kInf, kNaN, INT_MIN}, {2.0f, kNaN, kNaN, kInf, INT_MAX},
        {1e-30f, 1e30f, -1e30f, -kInf, INT_MIN},
    };
    for (const Case& c : cases) {
        for (int mode : {0, 1, 2, 3, 5}) {
            setView(200, 300, c.cx, c.cy, c.scale);
            param.carWidth = c.carWidth, param.frontFov = param.rearFov = c.fov;
            init(mode);
            ASSERT_TRUE(crHasViewBuffers(state())) << c.scale << " " << mode;
            EXPECT_GE(state()->carLeft, 0);
            EXPECT_LE(state()->carRight, 200);
        }
    }
}

// Views whose buffers do not fit the records fail before allocating anything.
TEST_F(TopviewTest, OversizedViewsFailWithoutAllocating) {
    const int sizes[][2] = {{1, 1 << 25}, {1 << 25, 1},   {65536, 65536}, {INT_MAX, 2},
                            {-1, 300},    {200, INT_MIN}, {0, 0}};
    for (const auto& size : sizes) {
        EngineHandle* engine = crMultiviewCreate(0);
        setView(200, 300, 100.0f, 150.0f, 2.0f);
        crMultiviewInit(engine, &param);  // the refused Init drops these tables: Apply then writes nothing
        setView(size[0], size[1], 100.0f, 150.0f, 2.0f);
        CrAllocationCounter counter;
        EXPECT_EQ(crMultiviewInit(engine, &param), 0);
        EXPECT_LT(counter.count(), 8u) << size[0] << "x" << size[1];  // at most the camera frames
        EXPECT_FALSE(crHasViewBuffers(crTopviewState(engine)));
        TestPicture frame(320, 240, 9, 9, 9), out(8, 8, 1, 2, 3);
        const std::vector<unsigned char> untouched = out.bytes;
        const unsigned char* f = frame.bytes.data();
        crMultiviewApply(engine, f, f, f, f, out.bytes.data());
        EXPECT_EQ(out.bytes, untouched) << size[0] << "x" << size[1];
        crMultiviewRelease(&engine);
    }
    // Frames of millions of one-pixel rows cost the allocator far more than their bytes.
    setView(200, 300, 100.0f, 150.0f, 2.0f);
    cams[0].imageWidth = 1, cams[0].imageHeight = 1 << 25;
    EngineHandle* engine = crMultiviewCreate(0);
    CrAllocationCounter counter;
    crMultiviewInit(engine, &param);
    EXPECT_EQ(counter.count(), 0u);
    EXPECT_FALSE(crHasViewBuffers(crTopviewState(engine)));
    crMultiviewRelease(&engine);
}

// The parameter writers at scale 0 and with non-numeric centres write a
// defined, clamped block.
TEST(TopviewParamHostile, DegenerateScalesAndCentresStayInTheView) {
    const float values[][3] = {{0.0f, 200.0f, 300.0f},
                               {kNaN, 200.0f, 300.0f},
                               {1e-30f, kNaN, kInf},
                               {-kInf, -kInf, 1e30f},
                               {1e-38f, 2e9f, -2e9f}};
    for (const auto& v : values) {
        MultiviewParam p{};
        p.carWidth = 1800, p.carLength = INT_MIN, p.viewWidth = 400, p.viewHeight = 600;
        p.scale = v[0], p.viewCenterX = v[1], p.viewCenterY = v[2];
        uint16_t block[36];
        int len = 0, top, left, right, bottom;
        crMakeTopviewParam(&p, block, &len);
        EXPECT_EQ(len, 72);
        EXPECT_LE(block[32], 200);  // the vehicle's x, halved, lies in the view
        crMakeFullTopviewParam(&p, block, &len);
        EXPECT_LE(block[32], 200);
        crGetMaskCarPos(&p, &top, &left, &right, &bottom);
        EXPECT_TRUE(top >= 0 && left >= 0 && right <= 400 && bottom <= 600) << top << " " << left;
        p.viewWidth = -5;
        crMakeTopviewParam(&p, block, &len);
        EXPECT_EQ(block[32], 0);
    }
}

// Single view: sizes that cannot be made leave the engine without a picture.
TEST(SingleviewHostile, HugeOrNegativePicturesAreRefused) {
    const int sizes[][2] = {{INT_MAX, 1}, {1, INT_MAX}, {-1, 5}, {5, INT_MIN}, {1 << 16, 1 << 16}};
    EngineHandle* h = crSingleviewCreate(0);
    const unsigned char pixel[4] = {1, 2, 3, 0};
    for (const auto& size : sizes) {
        CrAllocationCounter counter;
        EXPECT_EQ(crSingleviewSetImage(h, size[0], size[1], pixel, 0), 0);
        EXPECT_EQ(crSingleviewSetOverlay(h, size[0], size[1], pixel), 0);
        EXPECT_EQ(counter.count(), 0u) << size[0] << "x" << size[1];
        EXPECT_EQ(crSingleviewSetImage(h, size[0], size[1], nullptr, 1), 0);
    }
    crSingleviewRelease(&h);
}

}  // namespace
