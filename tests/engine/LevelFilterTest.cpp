// The level filter against a naive reference written from its definition:
// the clipped window, the near set, the two summation orders, and the
// rounding of every step.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/LevelFilter.h"

namespace {

// rangeWeight, written out step by step.
float referenceWeight(float v, float c, float invG, float a) {
    float e = float((double(v) - double(c)) * double(invG));
    if (e < 0) e = float(double(-e) * (1.0 + double(a)));
    else e = float(double(e) * (1.0 - double(a)));
    return e < 1 ? 1 - e : 0;
}

// One sample, naively: interior samples weigh the near set first, then the
// outer ring; border samples weigh the clipped window in raster order.
float referenceSample(const std::vector<float>& p, int w, int h, int x, int y, float invG, float a) {
    auto at = [&](int yy, int xx) { return p[size_t(yy) * size_t(w) + size_t(xx)]; };
    float c = at(y, x), sw = 0, swv = 0, d = 2;
    bool interior = x >= 2 && x <= w - 3 && y >= 2 && y <= h - 3;
    auto add = [&](int yy, int xx) {
        float v = at(yy, xx), wt = referenceWeight(v, c, invG, a);
        sw += wt;
        swv += wt * v;
        if (std::abs(yy - y) <= 1 && std::abs(xx - x) <= 1) d = std::min(d, wt);
    };
    if (interior) {
        for (int yy = y - 1; yy <= y + 1; ++yy)
            for (int xx = x - 1; xx <= x + 1; ++xx)
                if (yy != y || xx != x) add(yy, xx);
        if (d <= 0) return c;
        for (int yy = y - 2; yy <= y + 2; ++yy)
            for (int xx = x - 2; xx <= x + 2; ++xx)
                if (std::abs(yy - y) == 2 || std::abs(xx - x) == 2) add(yy, xx);
    } else {
        for (int yy = std::max(0, y - 2); yy <= std::min(h - 1, y + 2); ++yy)
            for (int xx = std::max(0, x - 2); xx <= std::min(w - 1, x + 2); ++xx)
                if (yy != y || xx != x) add(yy, xx);
    }
    return float((double(c) + double(d) * double(swv)) / (1.0 + double(d) * double(sw)));
}

// Gradients, a hard step, texture and a few isolated spikes.
std::vector<float> scene(int w, int h) {
    std::vector<float> p(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = float(20 + (x * 3 + y * 2) % 50) + float((x * 7919 + y * 104729) % 13) * 0.37f;
            if (x > w / 2) v += 120;
            if ((x * 31 + y * 17) % 97 == 0) v = 250;
            p[size_t(y) * size_t(w) + size_t(x)] = v;
        }
    return p;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

TEST(LevelFilter, RangeWeightFallsLinearlyToTheStrength) {
    float invG = 1.0f / 64.0f;
    EXPECT_EQ(rangeWeight(100, 100, invG, 0), 1.0f);
    EXPECT_EQ(rangeWeight(132, 100, invG, 0), 0.5f);
    EXPECT_EQ(rangeWeight(68, 100, invG, 0), 0.5f);
    EXPECT_EQ(rangeWeight(164, 100, invG, 0), 0.0f);  // e exactly 1 gives 0
    EXPECT_EQ(rangeWeight(300, 100, invG, 0), 0.0f);
    // Asymmetry 0.5: darker neighbours reach 0 at 64 / 1.5, brighter ones at 128.
    EXPECT_GT(rangeWeight(100 - 42.6f, 100, invG, 0.5f), 0.0f);
    EXPECT_EQ(rangeWeight(100 - 42.7f, 100, invG, 0.5f), 0.0f);
    EXPECT_GT(rangeWeight(227, 100, invG, 0.5f), 0.0f);
    EXPECT_EQ(rangeWeight(228, 100, invG, 0.5f), 0.0f);
    for (float v : {0.0f, 17.25f, 99.5f, 131.0f, 255.0f})
        EXPECT_TRUE(sameBits(rangeWeight(v, 100, 0.0153f, 0.3f), referenceWeight(v, 100, 0.0153f, 0.3f)));
}

TEST(LevelFilter, EverySampleMatchesTheNaiveReferenceBitForBit) {
    for (auto size : {std::pair<int, int>{4, 4}, {5, 7}, {9, 5}, {37, 23}, {300, 41}}) {
        int w = size.first, h = size.second;
        std::vector<float> src = scene(w, h), dst(src.size());
        for (float g : {64.0f, 28.62167f, 7.5f})
            for (float a : {0.0f, 0.25f}) {
                smoothLevel(src.data(), w, h, dst.data(), g, a);
                float invG = float(1.0 / double(g));
                int mismatches = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        float want = referenceSample(src, w, h, x, y, invG, a);
                        mismatches += !sameBits(dst[size_t(y) * size_t(w) + size_t(x)], want);
                        mismatches += !sameBits(smoothSample(src.data(), w, h, x, y, invG, a), want);
                    }
                EXPECT_EQ(mismatches, 0) << w << "x" << h << " g " << g << " a " << a;
            }
    }
}

TEST(LevelFilter, IdentitiesOfFlatPlanesStepsAndZeroStrength) {
    const int w = 40, h = 30;
    std::vector<float> flat(w * h, 87.0f), out(w * h);
    smoothLevel(flat.data(), w, h, out.data(), 64, 0);
    EXPECT_EQ(out, flat);

    // Two flat regions of whole numbers across a step larger than g stay as they are.
    std::vector<float> step(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) step[size_t(y * w + x)] = x < 17 ? 30.0f : 130.0f;
    smoothLevel(step.data(), w, h, out.data(), 64, 0);
    EXPECT_EQ(out, step);

    // g = 0 copies exactly, whatever the content.
    std::vector<float> busy = scene(w, h);
    smoothLevel(busy.data(), w, h, out.data(), 0, 0);
    EXPECT_EQ(out, busy);

    // One near neighbour across an edge leaves the sample as it is.
    std::vector<float> spike(w * h, 50.0f);
    for (int i = 0; i < w * h; ++i) spike[size_t(i)] += float(i % 5);
    spike[size_t(10 * w + 11)] = 200.0f;
    smoothLevel(spike.data(), w, h, out.data(), 64, 0);
    EXPECT_EQ(out[size_t(10 * w + 10)], spike[size_t(10 * w + 10)]);
    EXPECT_NE(out[size_t(20 * w + 20)], spike[size_t(20 * w + 20)]);
}

TEST(LevelFilter, TinyPlanesStayInsideThePlane) {
    for (auto size : {std::pair<int, int>{1, 1}, {1, 3}, {3, 1}, {2, 2}, {3, 3}}) {
        std::vector<float> src = scene(size.first, size.second), dst(src.size());
        smoothLevel(src.data(), size.first, size.second, dst.data(), 64, 0);
        for (float v : dst) EXPECT_TRUE(std::isfinite(v));
    }
    std::vector<float> one = {42.0f}, out = {0.0f};
    smoothLevel(one.data(), 1, 1, out.data(), 64, 0);
    EXPECT_EQ(out[0], 42.0f);  // no near neighbour: copied
}
