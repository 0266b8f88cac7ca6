// Every path of the level filter, with 1, 2 and 4 threads, against the
// one-sample reference (smoothSample), bit for bit (NaNs only as NaNs).
#include <gtest/gtest.h>

#include <limits>

#include "tests/base/PathTesting.h"
#include "engine/LevelFilter.h"

namespace {

class LevelFilterPaths : public testing::TestWithParam<Isa> {};

TEST_P(LevelFilterPaths, EverySampleHasTheBitsOfTheOneSampleReference) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float strengths[] = {64.0f, 28.62167f, 7.5f, 1e-30f, nan};
    const float asymmetries[] = {0.0f, 0.25f, -1.5f};
    int cases = 0;
    for (PlaneSize size : kSizes)
        for (Content content : kContents) {
            const int w = size.width, h = size.height;
            const std::vector<float> src = testPlane(content, w, h, uint32_t(w * 31 + h));
            std::vector<float> want(src.size()), got(src.size());
            for (float g : strengths)
                for (float a : asymmetries) {
                    const float invG = float(1.0 / double(g));
                    for (int y = 0; y < h; ++y)
                        for (int x = 0; x < w; ++x)
                            want[size_t(y * w + x)] = smoothSample(src.data(), w, h, x, y, invG, a);
                    for (int threads : kThreadCounts) {
                        ThreadScope scope(threads);
                        got.assign(src.size(), -1.0f);
                        smoothLevel(src.data(), w, h, got.data(), g, a);
                        int mismatches = 0;
                        for (size_t i = 0; i < src.size(); ++i) mismatches += !sameValue(got[i], want[i]);
                        ASSERT_EQ(mismatches, 0) << w << " x " << h << ", " << contentName(content) << ", g " << g
                                                 << ", A " << a << ", " << threads << " threads";
                        ++cases;
                    }
                }
        }
    EXPECT_GT(cases, 0);
}

// Planes large enough to be split among the threads, with rows of several
// segments, one of them ending a few samples short of a segment.
TEST_P(LevelFilterPaths, LargePlanesAreTheSameWithAnyThreadCount) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    for (PlaneSize size : {PlaneSize{611, 203}, PlaneSize{263, 40}, PlaneSize{520, 9}}) {
        const int w = size.width, h = size.height;
        const std::vector<float> src = testPlane(Content::RandomFloat, w, h, 7);
        std::vector<float> want(src.size()), got(src.size());
        const float invG = float(1.0 / 40.0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) want[size_t(y * w + x)] = smoothSample(src.data(), w, h, x, y, invG, 0.0f);
        for (int threads : kThreadCounts) {
            ThreadScope scope(threads);
            smoothLevel(src.data(), w, h, got.data(), 40.0f, 0.0f);
            int mismatches = 0;
            for (size_t i = 0; i < src.size(); ++i) mismatches += !sameBits(got[i], want[i]);
            EXPECT_EQ(mismatches, 0) << w << " x " << h << ", " << threads << " threads";
        }
    }
}

// Whole numbers up to the largest the float shortcut takes (2^23 - 1) and
// just past it, with strengths that make their differences count.
TEST_P(LevelFilterPaths, LargeWholeNumbersHaveTheBitsOfTheReference) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const int w = 45, h = 9;
    for (float top : {8388607.0f, 8388608.0f, 16777216.0f}) {
        TestRandom random{uint32_t(top)};
        std::vector<float> src(size_t(w) * h), got(src.size());
        for (float& v : src) v = float(int(random.next() % 2000001) - 1000000) * (top / 1000000.0f);
        for (float& v : src) v = float(int64_t(v));  // whole numbers
        src[size_t(3 * w + 7)] = top;
        src[size_t(4 * w + 9)] = -top;
        for (float g : {4194304.0f, 1e7f, 3.3e7f, 5e7f, 3.0f})
            for (float a : {0.0f, 0.3f}) {
                const float invG = float(1.0 / double(g));
                smoothLevel(src.data(), w, h, got.data(), g, a);
                int mismatches = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        mismatches += !sameValue(got[size_t(y * w + x)], smoothSample(src.data(), w, h, x, y, invG, a));
                EXPECT_EQ(mismatches, 0) << "up to " << top << ", g " << g << ", A " << a;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, LevelFilterPaths, testing::ValuesIn(kAllPaths), pathName);

}  // namespace
