// Parking-guide capacities below a full outline and point counts no byte count holds.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "camrig.h"

namespace {

bool IsSeparator(const Point2f& p) { return p.x == -1.0f && p.y == -1.0f; }

// The list never exceeds the capacity: with no point per line only the separators that fit are written.
TEST(GuideHostile, SmallCapacitiesWriteOnlyWhatFits) {
    const struct {
        int capacity, written, band1, band2;
    } cases[] = {{INT_MIN, 0, 0, 0}, {-3, 0, 0, 0}, {-1, 0, 0, 0}, {0, 0, 0, 0},
                 {1, 1, 1, 0},       {2, 2, 1, 1},  {3, 2, 1, 1}};
    for (const auto& c : cases)
        for (int angle : {0, 15}) {
            PgsParam g{};
            g.guideWidth = 2000, g.wheelbase = 2600, g.vehicleLength = 4600, g.steeringAngle = angle;
            g.band1Distance = 600, g.band2Distance = 1400, g.band3Distance = 3000, g.pointCount = c.capacity;
            std::vector<Point2f> out(4, Point2f{7.0f, 7.0f});
            EXPECT_EQ(crGetPGSWorldPoints(&g, out.data()), 0);
            SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << ", angle " << angle);
            EXPECT_EQ((std::vector<int>{g.pointCount, g.band1Points, g.band2Points, g.band3Points}),
                      (std::vector<int>{c.written, c.band1, c.band2, 0}));
            for (int i = 0; i < 4; ++i) EXPECT_EQ(IsSeparator(out[i]), i < c.written) << i;
            for (int i = c.written; i < 4; ++i) EXPECT_EQ(out[i].x, 7.0f) << i;
        }
}

TEST(GuideHostile, ProjectionOfMorePointsThanABlockHoldsDoesNothing) {
    CameraParam cam{};
    Point2f in[1] = {{1.0f, 2.0f}}, out[1] = {{7.0f, 7.0f}};
    for (int count : {INT_MAX, INT_MAX / 8 + 1, INT_MIN}) {
        EXPECT_EQ(crGetPGSWorldToImage(&cam, in, out, count), 0);
        EXPECT_EQ(out[0].x, 7.0f) << count;
    }
}

}  // namespace
