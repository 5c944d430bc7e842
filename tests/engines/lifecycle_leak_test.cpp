// Create/Release cycles of every engine type; run under valgrind's leak
// checker as well, so a state that forgets a buffer fails here.
#include <gtest/gtest.h>

#include "camrig.h"

namespace {

TEST(EngineLifecycle, CreateReleaseCyclesOfEveryType) {
    for (int cycle = 0; cycle < 3; ++cycle) {
        EngineHandle* single = crSingleviewCreate(0);
        ASSERT_NE(single, nullptr);
        EXPECT_EQ(crSingleviewRelease(&single), 0);
        EXPECT_EQ(single, nullptr);
        EXPECT_EQ(crSingleviewRelease(&single), 0);
        for (int type = 0; type <= 2; ++type) {
            EngineHandle* multi = crMultiviewCreate(type);
            ASSERT_NE(multi, nullptr) << type;
            EXPECT_EQ(crMultiviewRelease(&multi), 0);
            EXPECT_EQ(multi, nullptr);
            EXPECT_EQ(crMultiviewRelease(&multi), 0);
        }
    }
}

}  // namespace
