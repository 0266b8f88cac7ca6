// The mask pyramid: level strengths, the memory limits at their exact
// boundaries, identities, and the recursion against a reference that keeps
// every level in its own vectors.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/EngineError.h"
#include "engine/LevelFilter.h"
#include "engine/MaskPyramid.h"
#include "engine/Resample.h"

namespace {

MaskSettings defaults() { return {64.0f, 5.0f, 0.0f, 0.5f, 0.5f, 255}; }

std::vector<float> photo(int w, int h) {
    std::vector<float> p(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float v = float(15 + (x / 9 + y / 7) % 40) + float((x * 37 + y * 11) % 23);
            if (x > w / 3 && y < h / 2) v += 150;
            p[size_t(y * w + x)] = v;
        }
    return p;
}

// M = F1 + Up(C2 + Up(C3 + Up(C4 + Up(C5)))), each level in its own vectors.
std::vector<float> referenceMask(const std::vector<float>& p, int w, int h, const MaskSettings& s, int k) {
    std::vector<float> F(p.size());
    smoothLevel(p.data(), w, h, F.data(), levelStrength(&s, k), s.asymmetry);
    std::vector<float> out(p.size());
    if (k >= 5) {
        for (size_t i = 0; i < p.size(); ++i) out[i] = F[i] - p[i];
        return out;
    }
    int hw = w / 2, hh = h / 2;
    std::vector<float> D(size_t(hw) * size_t(hh)), work(p.size() + 64);
    DownSampleBy2(F.data(), w, h, D.data(), work.data(), int(work.size() * 4));
    std::vector<float> deeper = referenceMask(D, hw, hh, s, k + 1);
    std::vector<float> U(p.size()), padded(size_t(hw + 4) * size_t(hh + 4));
    BicubicUpsample(deeper.data(), hw, hh, U.data(), w, h, padded.data(), int(padded.size() * 4));
    for (size_t i = 0; i < p.size(); ++i) out[i] = k <= 1 ? F[i] + U[i] : F[i] - p[i] + U[i];
    return out;
}

// Scratch that the levels carve: 4 * (2n + q) per level plus room for the resamplers.
int generousScratch(int w, int h) { return 12 * w * h + 4096; }

}  // namespace

TEST(MaskPyramid, LevelStrengths) {
    MaskSettings s = defaults();
    const float want[5] = {64.0f, 57.24334f, 49.57419f, 40.47715f, 28.62167f};
    for (int k = 1; k <= 5; ++k) EXPECT_NEAR(levelStrength(&s, k), want[k - 1], 2e-5f) << k;
    s.levelCount = 3.6f;  // f = 3.6, 2.6, 1.6, 0.6, then nothing
    EXPECT_GT(levelStrength(&s, 4), 0.0f);
    EXPECT_EQ(levelStrength(&s, 5), 0.0f);
    s.levelCount = 0.0f;
    EXPECT_EQ(levelStrength(&s, 1), 0.0f);
}

TEST(MaskPyramid, MatchesTheLevelByLevelReference) {
    for (auto size : {std::pair<int, int>{175, 175}, {128, 96}, {211, 70}}) {
        int w = size.first, h = size.second;
        std::vector<float> plane = photo(w, h);
        std::vector<float> want = referenceMask(plane, w, h, defaults(), 1);
        std::vector<float> scratch(size_t(generousScratch(w, h)) / 4);
        MaskSettings s = defaults();
        ASSERT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), int(scratch.size() * 4), 1), 0);
        EXPECT_EQ(std::memcmp(plane.data(), want.data(), want.size() * 4), 0) << w << "x" << h;
    }
}

TEST(MaskPyramid, IdentitiesOfZeroStrengthAndFlatPlanes) {
    const int w = 96, h = 80;
    std::vector<float> scratch(size_t(generousScratch(w, h)) / 4);
    for (MaskSettings s : {MaskSettings{0.0f, 5.0f, 0, 0.5f, 0.5f, 255}, MaskSettings{64.0f, 0.0f, 0, 0.5f, 0.5f, 255}}) {
        std::vector<float> plane = photo(w, h), original = plane;
        ASSERT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), int(scratch.size() * 4), 1), 0);
        EXPECT_EQ(plane, original);  // every level copies: all changes are 0
    }
    std::vector<float> flat(w * h, 77.0f);
    MaskSettings s = defaults();
    ASSERT_EQ(createMaskPyramid(flat.data(), w, h, &s, scratch.data(), int(scratch.size() * 4), 1), 0);
    for (float v : flat) EXPECT_NEAR(v, 77.0f, 1e-3f);
}

TEST(MaskPyramid, ScratchLimitsAtTheirBoundaries) {
    const int w = 175, h = 175;
    const int n = w * h, q = 87 * 87;
    std::vector<float> scratch(size_t(generousScratch(w, h)) / 4);
    MaskSettings s = defaults();

    std::vector<float> plane = photo(w, h), original = plane;
    engineError = {};
    EXPECT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), 4 * (2 * n + q), 1), -1);
    EXPECT_EQ(plane, original);
    EXPECT_STREQ(engineError.routine, "createMaskPyramid");
    EXPECT_STREQ(engineError.message, "Not enough memory passed in for level 1");

    // Find the smallest scratch that works; one byte less fails and leaves the plane as it was.
    int lo = 4 * (2 * n + q), hi = generousScratch(w, h);
    while (hi - lo > 1) {
        int mid = lo + (hi - lo) / 2;
        std::vector<float> p = photo(w, h);
        (createMaskPyramid(p.data(), w, h, &s, scratch.data(), mid, 1) == 0 ? hi : lo) = mid;
    }
    std::vector<float> failing = photo(w, h);
    EXPECT_EQ(createMaskPyramid(failing.data(), w, h, &s, scratch.data(), lo, 1), -1);
    EXPECT_EQ(failing, original);
    EXPECT_EQ(engineError.code, -1);
    // About 12 bytes per sample of the top plane, as the level sizes add up;
    // what the run driver allocates is exactly that least scratch.
    EXPECT_GT(hi, 11 * n);
    EXPECT_LT(hi, 13 * n);
    EXPECT_EQ(pyramidScratchBytes(w, h), size_t(hi));
}

TEST(MaskPyramid, TheLeastScratchIsEnoughAndOneByteLessIsNot) {
    MaskSettings s = defaults();
    for (auto size : {std::pair<int, int>{175, 175}, {64, 64}, {301, 77}, {40, 40}, {17, 9}, {1, 1}}) {
        int w = size.first, h = size.second;
        size_t least = pyramidScratchBytes(w, h);
        std::vector<float> scratch(least / 4 + 1);
        std::vector<float> plane = photo(w, h);
        EXPECT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), least, 1), 0) << w << " x " << h;
        plane = photo(w, h);
        EXPECT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), least - 1, 1), -1) << w << " x " << h;
    }
}

TEST(MaskPyramid, SmallTopPlanesNeverReadOutsideTheirLevels) {
    for (auto size : {std::pair<int, int>{40, 40}, {17, 9}, {5, 64}, {1, 1}}) {
        int w = size.first, h = size.second;
        std::vector<float> plane = photo(w, h), scratch(size_t(generousScratch(w, h)) / 4);
        MaskSettings s = defaults();
        EXPECT_EQ(createMaskPyramid(plane.data(), w, h, &s, scratch.data(), int(scratch.size() * 4), 1), 0);
    }
}
