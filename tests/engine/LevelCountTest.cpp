#include <gtest/gtest.h>

#include "engine/LevelCount.h"

TEST(LevelCount, GrowsByOneLevelForEveryFactorOfSixteenInArea) {
    EXPECT_EQ(estimateLevelCount(3000, 2000), 5.0f);
    EXPECT_EQ(estimateLevelCount(6000, 4000), 5.5f);
    EXPECT_NEAR(estimateLevelCount(1024, 768), 4.267108f, 1e-6f);
    EXPECT_NEAR(estimateLevelCount(640, 480), 3.928072f, 1e-6f);
    EXPECT_NEAR(estimateLevelCount(350, 350), 3.596473f, 1e-6f);
    EXPECT_NEAR(estimateLevelCount(100, 100), 2.692795f, 1e-6f);
    EXPECT_NEAR(estimateLevelCount(16, 16), 1.370867f, 1e-6f);
    EXPECT_EQ(estimateLevelCount(1, 1), 1.0f);
    EXPECT_GT(estimateLevelCount(32767, 32767), 6.0f);  // not limited above
}
