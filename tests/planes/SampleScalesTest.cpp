// A file's 16-bit samples (0..65535) and the host's (0..32768): each host
// value survives the way out and back, a file's value comes back within one
// unit, and the ends meet.
#include <gtest/gtest.h>

#include <cstdlib>

#include "planes/SampleScales.h"

TEST(SampleScales, HostValuesSurviveTheRoundTripAndFileValuesComeBackWithinOne) {
    int lost = 0, far = 0;
    for (int h = 0; h <= 32768; ++h) lost += hostSample(fileSample(uint16_t(h))) != h;
    for (int v = 0; v <= 65535; ++v) far += std::abs(fileSample(hostSample(uint16_t(v))) - v) > 1;
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(far, 0);
    EXPECT_EQ(hostSample(65535), 32768);
    EXPECT_EQ(fileSample(32768), 65535);
    EXPECT_EQ(hostSample(0), 0);
    EXPECT_EQ(hostSample(1), 1);  // 0.50001: rounded up
}
