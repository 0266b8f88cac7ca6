// Decimation and the B-spline enlargement: work-area limits at their exact
// boundaries, the spline's weights, and the enlargement against a 16-tap
// reference that reads the replicated border literally.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/EngineError.h"
#include "engine/Resample.h"

namespace {

// The full 16-tap sum over a clamped source, taps in the defined order.
std::vector<float> referenceUpsample(const std::vector<float>& s, int sw, int sh, int dw, int dh) {
    float W[9];
    for (int i = 0; i < 9; ++i) W[i] = cubicBSpline(float(i) / 2 - 2);
    auto at = [&](int r, int c) {
        r = r < 0 ? 0 : (r >= sh ? sh - 1 : r);
        c = c < 0 ? 0 : (c >= sw ? sw - 1 : c);
        return s[size_t(r) * size_t(sw) + size_t(c)];
    };
    std::vector<float> d(size_t(dw) * size_t(dh));
    for (int j = 0; j < dh; ++j)
        for (int k = 0; k < dw; ++k) {
            int r = j / 2, c = k / 2, a = j % 2, b = k % 2;
            float rw[4] = {W[2 - a], W[4 - a], W[6 - a], W[8 - a]}, cw[4] = {W[6 + b], W[4 + b], W[2 + b], W[b]};
            float sum = 0;
            for (int i = 0; i < 4; ++i)
                for (int m = 0; m < 4; ++m) sum += rw[i] * cw[m] * at(r - 1 + i, c - 1 + m);
            d[size_t(j) * size_t(dw) + size_t(k)] = sum;
        }
    return d;
}

std::vector<float> ramp(int w, int h) {
    std::vector<float> p(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p[size_t(y * w + x)] = float((x * 13 + y * 29) % 97) - 30.5f;
    return p;
}

}  // namespace

TEST(Resample, SplineWeights) {
    const float expected[9] = {0, 1.0f / 48, 1.0f / 6, 23.0f / 48, 2.0f / 3, 23.0f / 48, 1.0f / 6, 1.0f / 48, 0};
    for (int i = 0; i < 9; ++i) EXPECT_NEAR(cubicBSpline(float(i) / 2 - 2), expected[i], 1e-7f) << i;
    EXPECT_EQ(cubicBSpline(-2.0f), 0.0f);
    EXPECT_EQ(cubicBSpline(2.0f), 0.0f);
}

TEST(Resample, DecimationKeepsEveryOtherSampleAndItsLimit) {
    std::vector<float> src(25), dst(4, -1), work(100);
    for (int i = 0; i < 25; ++i) src[size_t(i)] = float(i);
    ASSERT_EQ(DownSampleBy2(src.data(), 5, 5, dst.data(), work.data(), 4 * 2 * 5 + 1), 0);
    EXPECT_EQ(dst, (std::vector<float>{0, 2, 10, 12}));

    std::vector<float> untouched(4, -1);
    engineError = {};
    EXPECT_EQ(DownSampleBy2(src.data(), 5, 5, untouched.data(), work.data(), 4 * 2 * 5), -1);
    EXPECT_EQ(untouched, std::vector<float>(4, -1));
    EXPECT_EQ(engineError.code, -1);
    EXPECT_STREQ(engineError.routine, "DownSampleBy2");
    EXPECT_STREQ(engineError.message, "Not enough temporary memory passed in");
}

TEST(Resample, EnlargementMatchesTheSixteenTapReference) {
    for (auto size : {std::pair<int, int>{21, 21}, {10, 7}, {1, 1}, {2, 5}}) {
        int sw = size.first, sh = size.second;
        std::vector<float> src = ramp(sw, sh);
        for (int extra : {0, 1}) {
            int dw = 2 * sw + extra, dh = 2 * sh + extra;
            std::vector<float> dst(size_t(dw * dh)), work(size_t((sw + 4) * (sh + 4)));
            ASSERT_EQ(BicubicUpsample(src.data(), sw, sh, dst.data(), dw, dh, work.data(), int(work.size() * 4)), 0);
            std::vector<float> want = referenceUpsample(src, sw, sh, dw, dh);
            EXPECT_EQ(std::memcmp(dst.data(), want.data(), dst.size() * 4), 0) << sw << "x" << sh << "+" << extra;
        }
    }
}

TEST(Resample, EnlargementResponseAndBorders) {
    // A single bright column spreads over seven output columns with the spline's factors.
    const int sw = 12, sh = 12, c = 5;
    std::vector<float> src(sw * sh, 0), dst(24 * 24), work((sw + 4) * (sh + 4));
    for (int y = 0; y < sh; ++y) src[size_t(y * sw + c)] = 1;
    ASSERT_EQ(BicubicUpsample(src.data(), sw, sh, dst.data(), 24, 24, work.data(), int(work.size() * 4)), 0);
    const float factors[7] = {1.0f / 48, 1.0f / 6, 23.0f / 48, 2.0f / 3, 23.0f / 48, 1.0f / 6, 1.0f / 48};
    for (int k = 0; k < 24; ++k) {
        float want = (k >= 2 * c - 3 && k <= 2 * c + 3) ? factors[k - (2 * c - 3)] : 0.0f;
        EXPECT_NEAR(dst[size_t(12 * 24 + k)], want, 1e-6f) << k;
    }

    // 21 x 21 to 43 x 43: the last output sample is the last input sample, up to rounding.
    std::vector<float> s21 = ramp(21, 21), d43(43 * 43), w21(25 * 25);
    ASSERT_EQ(BicubicUpsample(s21.data(), 21, 21, d43.data(), 43, 43, w21.data(), 25 * 25 * 4), 0);
    EXPECT_NEAR(d43[43 * 43 - 1], s21[21 * 21 - 1], 1e-4f);

    // A constant plane stays constant; exactly the limit succeeds, one byte less fails.
    std::vector<float> flat(8 * 6, 37.0f), big(17 * 13), w8(12 * 10);
    ASSERT_EQ(BicubicUpsample(flat.data(), 8, 6, big.data(), 17, 13, w8.data(), 12 * 10 * 4), 0);
    for (float v : big) EXPECT_NEAR(v, 37.0f, 1e-4f);
    engineError = {};
    EXPECT_EQ(BicubicUpsample(flat.data(), 8, 6, big.data(), 17, 13, w8.data(), 12 * 10 * 4 - 1), -1);
    EXPECT_STREQ(engineError.routine, "BicubicUpsample");
    EXPECT_STREQ(engineError.message, "Not enough temporary memory passed in");
}
