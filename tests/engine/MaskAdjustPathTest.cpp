// Every path of the mask adjustment against the one-pixel code (the scalar
// path), byte for byte, including settings whose ranges leave 0..255 (where
// a byte keeps the low bits of the truncated value).
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "engine/MaskAdjust.h"
#include "tests/base/PathTesting.h"

namespace {

class MaskAdjustPaths : public testing::TestWithParam<Isa> {};

struct Planes {
    std::vector<uint8_t> r, g, b;
    int code = 0;
    bool operator==(const Planes& o) const { return r == o.r && g == o.g && b == o.b && code == o.code; }
};

TEST_P(MaskAdjustPaths, EveryPassHasTheBytesOfTheScalarPath) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float gains[][2] = {{0.5f, 0.5f}, {0.0f, 1.0f}, {1.0f, 0.0f}, {0.15f, 1.7f}, {0.85f, -0.4f}, {0.5f, nan}};
    const float remaps[][4] = {{200, 40, 200, 120}, {255, 0, 300, -20}, {255, 0, nan, 3}, {10, 10, 255, 0}};
    for (PlaneSize size : kSizes)
        for (Content content : kContents) {
            const int w = size.width, h = size.height, n = w * h;
            const uint32_t seed = uint32_t(w * 5 + h);
            const std::vector<uint8_t> r = testBytes(content, w, h, seed), g = testBytes(content, w, h, seed + 1),
                                       b = testBytes(content, w, h, seed + 2);
            const std::string where = std::to_string(w) + " x " + std::to_string(h) + ", " + contentName(content);
            auto run = [&](const std::function<void(Planes&)>& op) {
                Planes want{std::vector<uint8_t>(size_t(n), 7), std::vector<uint8_t>(size_t(n), 7),
                            std::vector<uint8_t>(size_t(n), 7)};
                Planes got = want;
                {
                    PathScope scalar(Isa::Scalar);
                    op(want);
                }
                op(got);
                return got == want;
            };
            for (const auto& gain : gains) {
                const MaskSettings settings = {64.0f, 5.0f, 0.0f, gain[0], gain[1], 255};
                EXPECT_TRUE(run([&](Planes& o) {
                    o.code = adjustMask(r.data(), g.data(), b.data(), w, h, o.r.data(), o.g.data(), o.b.data(),
                                        &settings);
                })) << where << ", gains " << gain[0] << " " << gain[1];
            }
            for (const auto& m : remaps)
                EXPECT_TRUE(run([&](Planes& o) { remapPlane(r.data(), n, o.r.data(), m[0], m[1], m[2], m[3]); }))
                    << where << ", remap to " << m[2] << " .. " << m[3];
            EXPECT_TRUE(run([&](Planes& o) {
                o.r = r;
                o.g = g;
                o.b = b;
                yccToRgb(o.r.data(), o.g.data(), o.b.data(), o.r.data(), o.g.data(), o.b.data(), w, h, 255);
            })) << where << ", colour back in place";
        }
}

// The float passes of deep images, including a remap that maps whole numbers
// to whole numbers (kept as computed) and planes outside 0..255 or NaN.
TEST_P(MaskAdjustPaths, FloatPassesHaveTheBitsOfTheScalarPath) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const float gains[][2] = {{0.5f, 0.5f}, {0.0f, 1.0f}, {0.15f, 1.7f}};
    const float remaps[][4] = {{200, 40, 200, 120}, {255, 0, 255, 0}, {255, 0, 300, -20}};
    for (PlaneSize size : kSizes)
        for (Content content : kContents) {
            const int w = size.width, h = size.height, n = w * h;
            const uint32_t seed = uint32_t(w * 3 + h);
            const std::vector<float> r = testPlane(content, w, h, seed), g = testPlane(content, w, h, seed + 1),
                                     b = testPlane(content, w, h, seed + 2);
            using Floats = std::vector<float>;
            auto run = [&](const std::function<void(Floats&, Floats&, Floats&)>& op) {
                Floats want[3] = {Floats(size_t(n), 7), Floats(size_t(n), 7), Floats(size_t(n), 7)};
                Floats got[3] = {want[0], want[1], want[2]};
                {
                    PathScope scalar(Isa::Scalar);
                    op(want[0], want[1], want[2]);
                }
                op(got[0], got[1], got[2]);
                int bad = 0;
                for (int k = 0; k < 3; ++k)
                    for (int i = 0; i < n; ++i) bad += !sameValue(got[k][size_t(i)], want[k][size_t(i)]);
                return bad;
            };
            const std::string where = std::to_string(w) + " x " + std::to_string(h) + ", " + contentName(content);
            for (const auto& gain : gains) {
                const MaskSettings settings = {64.0f, 5.0f, 0.0f, gain[0], gain[1], 255};
                EXPECT_EQ(run([&](Floats& R, Floats& G, Floats& B) {
                    adjustMask(r.data(), g.data(), b.data(), w, h, R.data(), G.data(), B.data(), &settings);
                }), 0) << where << ", gains " << gain[0] << " " << gain[1];
            }
            for (const auto& m : remaps)
                EXPECT_EQ(run([&](Floats& R, Floats&, Floats&) {
                              remapPlane(r.data(), n, R.data(), m[0], m[1], m[2], m[3]);
                          }), 0) << where << ", remap to " << m[2] << " .. " << m[3];
        }
}

// A plane of several pieces, shared among 1, 2 and 4 threads.
TEST_P(MaskAdjustPaths, LargePlaneIsTheSameWithAnyThreadCount) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const int w = 401, h = 333;
    const size_t n = size_t(w) * h;
    const std::vector<uint8_t> in = testBytes(Content::RandomByte, w, 3 * h, 11);
    const MaskSettings settings = {64.0f, 5.0f, 0.0f, 0.4f, 0.6f, 255};
    auto adjust = [&] {
        std::vector<uint8_t> out(3 * n);
        EXPECT_EQ(adjustMask(in.data(), in.data() + n, in.data() + 2 * n, w, h, out.data(), out.data() + n,
                             out.data() + 2 * n, &settings),
                  0);
        return out;
    };
    std::vector<uint8_t> want;
    {
        PathScope scalar(Isa::Scalar);
        ThreadScope one(1);
        want = adjust();
    }
    for (int threads : kThreadCounts) {
        ThreadScope scope(threads);
        EXPECT_EQ(adjust(), want) << threads << " threads";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, MaskAdjustPaths, testing::ValuesIn(kAllPaths), pathName);

}  // namespace
