// Failed allocations leave nothing live and outputs untouched; remapping allocates nothing; resizing frees its LUT;
// file output fails before creating anything.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "engines/lut_text.h"
#include "remap_support.h"
#include "support/counting_malloc.h"

namespace {

TEST(ImageAllocation, FailuresLeaveNothingBehindAndRemapAllocatesNothing) {
    for (long failAt = 0; failAt < 3; ++failAt) {  // record, pointer block, the rows
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        Image* img = crCreateImage(3, 4, 3);
        crTestFailAllocationAfter(-1);
        EXPECT_EQ(std::make_pair(img, counter.live()), std::make_pair(static_cast<Image*>(nullptr), 0L)) << failAt;
    }
    TestImage src(3, 16, 16), dst(3, 8, 8);
    TestLut lut(8, 8);
    EXPECT_EQ(lut.rows[7][15], 0.0f);  // LUT rows start cleared
    CrAllocationCounter counter;
    crResizeImage(src, dst, 1);  // its LUT: pointer block and eight rows, all freed
    for (int flags = 0; flags < 4; ++flags)
        crRemap(src, dst, lut, flags, nullptr), crRemapAlpha(src, dst, lut, flags, src->data[0]);
    EXPECT_EQ(std::make_pair(counter.count(), counter.live()), std::make_pair(size_t(9), 0L));
    int size = -7;
    crTestFailAllocationAfter(1);  // the resize LUT's first row
    crResizeImage(dst, src.paint([](int, int, int) { return 0xAA; }), 1);
    crTestFailAllocationAfter(0);
    EXPECT_EQ(crImageToBmp(dst, &size), nullptr);
    crTestFailAllocationAfter(-1);
    EXPECT_EQ(std::make_pair(src.pixel(0, 0), size), std::make_pair(Bytes(3, 0xAA), -7));
}

// The encoding and the temporary's name: a failure of either creates no file at all.
TEST(ImageAllocation, FailedFileOutputCreatesNothing) {
    char folder[] = "/tmp/camrig_malloc_XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/out";
    TestImage img(3, 4, 4);
    TestLut lut(4, 4);
    for (long failAt = 0; failAt < 2; ++failAt) {
        CrAllocationCounter counter;
        crTestFailAllocationAfter(failAt);
        crSaveBmpFile(img, path.c_str());
        crTestFailAllocationAfter(0);
        crSaveLutText(path.c_str(), lut, 4, 4);
        crTestFailAllocationAfter(-1);
        EXPECT_EQ(std::make_pair(access(path.c_str(), F_OK), counter.live()), std::make_pair(-1, 0L)) << failAt;
    }
    EXPECT_EQ(rmdir(folder), 0) << "a temporary was left behind";
}

}  // namespace
