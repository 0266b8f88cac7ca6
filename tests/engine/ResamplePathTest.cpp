// Every path of the enlargement, with 1, 2 and 4 threads, against the
// one-sample loop (the scalar path), bit for bit; and the pyramid as a whole.
#include <gtest/gtest.h>

#include "engine/MaskPyramid.h"
#include "engine/Resample.h"
#include "tests/base/PathTesting.h"

namespace {

std::vector<float> upsample(const std::vector<float>& src, int sw, int sh, int dw, int dh) {
    std::vector<float> dst(size_t(dw) * size_t(dh), -7.0f), work(size_t(sw + 4) * size_t(sh + 4));
    EXPECT_EQ(BicubicUpsample(src.data(), sw, sh, dst.data(), dw, dh, work.data(), int(work.size() * 4)), 0);
    return dst;
}

int mismatches(const std::vector<float>& a, const std::vector<float>& b) {
    int n = a.size() == b.size() ? 0 : 1;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += !sameValue(a[i], b[i]);
    return n;
}

class ResamplePaths : public testing::TestWithParam<Isa> {};

TEST_P(ResamplePaths, EnlargementHasTheBitsOfTheScalarLoop) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const PlaneSize sources[] = {{4, 4}, {5, 3}, {7, 7}, {8, 5}, {16, 4}, {17, 9}, {33, 6}, {150, 11}};
    for (PlaneSize s : sources)
        for (Content content : kContents)
            for (int odd = 0; odd < 4; ++odd) {
                const int dw = 2 * s.width + (odd & 1), dh = 2 * s.height + (odd >> 1);
                const std::vector<float> src = testPlane(content, s.width, s.height, uint32_t(s.width + 97 * odd));
                std::vector<float> want;
                {
                    PathScope scalar(Isa::Scalar);
                    ThreadScope one(1);
                    want = upsample(src, s.width, s.height, dw, dh);
                }
                for (int threads : kThreadCounts) {
                    ThreadScope scope(threads);
                    ASSERT_EQ(mismatches(upsample(src, s.width, s.height, dw, dh), want), 0)
                        << s.width << " x " << s.height << " to " << dw << " x " << dh << ", " << contentName(content)
                        << ", " << threads << " threads";
                }
            }
}

TEST_P(ResamplePaths, PyramidIsTheSameOnEveryPathAndThreadCount) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const MaskSettings settings = {64.0f, 5.5f, 0.0f, 0.5f, 0.5f, 255};
    const int w = 203, h = 131;
    const std::vector<float> src = testPlane(Content::RandomByte, w, h, 3);
    std::vector<float> scratch(size_t(w) * size_t(h) * 8);
    auto pyramid = [&] {
        std::vector<float> plane = src;
        EXPECT_EQ(createMaskPyramid(plane.data(), w, h, &settings, scratch.data(), int(scratch.size() * 4), 1), 0);
        return plane;
    };
    std::vector<float> want;
    {
        PathScope scalar(Isa::Scalar);
        ThreadScope one(1);
        want = pyramid();
    }
    for (int threads : kThreadCounts) {
        ThreadScope scope(threads);
        EXPECT_EQ(mismatches(pyramid(), want), 0) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, ResamplePaths, testing::ValuesIn(kAllPaths), pathName);

}  // namespace
