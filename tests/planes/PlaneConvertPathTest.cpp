// Every path of the plane conversions, point operations and divisions by a
// mask against the one-sample code (the scalar path), bit for bit, on
// windows of wider planes (a row's vector part and its tail both run).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "planes/PlaneConvert.h"
#include "tests/base/PathTesting.h"

namespace {

class PlaneConvertPaths : public testing::TestWithParam<Isa> {};

// Runs op on the active path and on the scalar one and compares what it wrote.
template <class T>
int differences(std::vector<T> start, const std::function<void(std::vector<T>&)>& op) {
    std::vector<T> scalar = start;
    {
        PathScope reference(Isa::Scalar);
        op(scalar);
    }
    op(start);
    int n = 0;
    for (size_t i = 0; i < start.size(); ++i) {
        if constexpr (std::is_same<T, float>::value) n += !sameValue(start[i], scalar[i]);
        else n += start[i] != scalar[i];
    }
    return n;
}

TEST_P(PlaneConvertPaths, EveryRoutineHasTheBitsOfTheOneSampleCode) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    // (min, scale): a plane's statistics, a flat plane's (hi / 0 and 0 / 0), odd ones, and
    // +-2^-40, whose results lie just below a whole number: the truncation's 2^20 step rounds them up.
    const float tiny = std::ldexp(1.0f, -40);
    const float stats[][2] = {{12.0f, 255.0f / 188.0f}, {0.0f, 1.0f}, {40.0f, inf},  {0.0f, nan},
                              {-3.25f, 0.7f},           {tiny, 1.0f}, {-tiny, 1.0f}};
    const float gains[] = {255.0f, 1.0f, 1.0000305f, -2.0f};
    for (PlaneSize size : kSizes)
        for (Content content : kContents) {
            // The region is the plane's interior from column 1, row 1; strides are wider.
            const int w = size.width + 3, h = size.height + 2, stride = w + 5;
            const Rect r = {1, 1, int16_t(1 + size.height), int16_t(1 + size.width)};
            const uint32_t seed = uint32_t(size.width * 7 + size.height);
            std::vector<float> floats = testPlane(content, stride, h, seed);
            std::vector<uint8_t> bytes = testBytes(content, stride, h, seed + 1);
            std::vector<float> floatMask = testPlane(content, w, h, seed + 2);
            std::vector<uint8_t> byteMask = testBytes(content, w, h, seed + 3);
            if (content == Content::Unusual)
                for (size_t i = 0; i < byteMask.size(); i += 3) byteMask[i] = 0;  // zero mask bytes
            const std::string where = std::to_string(size.width) + " x " + std::to_string(size.height) + ", " +
                                      contentName(content) + " ";

            EXPECT_EQ(differences<float>(std::vector<float>(size_t(stride) * h, -1.0f),
                                         [&](std::vector<float>& out) {
                                             importTile(bytes.data() + stride + 1, out.data(), r, stride, stride, 99);
                                         }),
                      0)
                << where << "importTile";
            std::vector<uint8_t> blank(size_t(stride) * h, 0xA5);
            EXPECT_EQ(differences<uint8_t>(blank, [&](std::vector<uint8_t>& out) {
                          exportPlane(floats.data(), out.data(), r, stride);
                      }), 0) << where << "exportPlane";
            EXPECT_EQ(differences<uint8_t>(blank, [&](std::vector<uint8_t>& out) {
                          exportRegion(floats.data(), stride, out.data(), r, stride);
                      }), 0) << where << "exportRegion";
            for (float gain : gains)
                EXPECT_EQ(differences<uint8_t>(blank, [&](std::vector<uint8_t>& out) {
                              exportScaled(floats.data() + 1, stride, out.data(), r, stride, gain);
                          }), 0) << where << "exportScaled " << gain;
            for (const auto& s : stats) {
                const std::string with = where + "min " + std::to_string(s[0]) + " scale " + std::to_string(s[1]);
                EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& p) {
                              normalisePlane(p.data(), stride, r, s[0], s[1]);
                          }), 0) << with << " normalisePlane";
                EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& p) {
                              denormalisePlane(p.data(), stride, r, s[0], s[1]);
                          }), 0) << with << " denormalisePlane";
                EXPECT_EQ(differences<uint8_t>(bytes, [&](std::vector<uint8_t>& p) {
                              normaliseBytes(p.data(), stride, r, s[0], s[1]);
                          }), 0) << with << " normaliseBytes";
                EXPECT_EQ(differences<uint8_t>(bytes, [&](std::vector<uint8_t>& p) {
                              denormaliseBytes(p.data(), stride, r, s[0], s[1]);
                          }), 0) << with << " denormaliseBytes";
            }
            // Divisions: the region in the mask's coordinates reaches past its right and bottom edges.
            const Rect overhang = {1, 2, int16_t(h + 3), int16_t(w + 4)};
            EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& t) {
                          divideByMask(t.data(), overhang, stride, floatMask.data(), w, h, t.data());
                      }), 0) << where << "divideByMask";
            EXPECT_EQ(differences<float>(std::vector<float>(floats.size(), -1.0f), [&](std::vector<float>& out) {
                          divideByProxyMask(floats.data(), overhang, stride, byteMask.data(), w, h, out.data());
                      }), 0) << where << "divideByProxyMask";
        }
}

// The deep forms (float mask planes where 8-bit images have bytes), with the
// statistics above and a normalisation that maps whole numbers to whole ones.
TEST_P(PlaneConvertPaths, DeepRoutinesHaveTheBitsOfTheOneSampleCode) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const float stats[][2] = {{12.0f, 255.0f / 188.0f}, {0.0f, 1.0f}, {40.0f, inf}, {0.0f, nan}, {-3.25f, 0.7f}};
    for (PlaneSize size : kSizes)
        for (Content content : kContents) {
            const int w = size.width + 3, h = size.height + 2, stride = w + 5;
            const Rect r = {1, 1, int16_t(1 + size.height), int16_t(1 + size.width)};
            std::vector<float> floats = testPlane(content, stride, h, uint32_t(size.width * 11 + size.height));
            const std::string where = std::to_string(size.width) + " x " + std::to_string(size.height) + ", " +
                                      contentName(content) + " ";
            const std::vector<float> blank(size_t(stride) * h, -1.0f);
            EXPECT_EQ(differences<float>(blank, [&](std::vector<float>& out) {
                          exportRegion(floats.data(), stride, out.data(), r, stride);
                      }), 0) << where << "exportRegion";
            for (float gain : {255.0f, -2.0f})
                EXPECT_EQ(differences<float>(blank, [&](std::vector<float>& out) {
                              exportScaled(floats.data() + 1, stride, out.data(), r, stride, gain);
                          }), 0) << where << "exportScaled " << gain;
            for (const auto& st : stats) {
                EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& p) {
                              normaliseClamped(p.data(), stride, r, st[0], st[1]);
                          }), 0) << where << "normaliseClamped " << st[0] << " " << st[1];
                EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& p) {
                              denormaliseClamped(p.data(), stride, r, st[0], st[1]);
                          }), 0) << where << "denormaliseClamped " << st[0] << " " << st[1];
            }
        }
}

// A plane of several pieces of rows, shared among 1, 2 and 4 threads.
TEST_P(PlaneConvertPaths, LargePlaneIsTheSameWithAnyThreadCount) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    const int w = 701, h = 301;
    const Rect r = {0, 0, int16_t(h), int16_t(w)};
    const std::vector<float> floats = testPlane(Content::RandomFloat, w, h, 21), mask = testPlane(Content::RandomFloat, w, h, 22);
    const std::vector<uint8_t> bytes = testBytes(Content::RandomByte, w, h, 23);
    for (int threads : kThreadCounts) {
        ThreadScope scope(threads);
        std::vector<uint8_t> blank(bytes.size(), 0);
        EXPECT_EQ(differences<float>(std::vector<float>(floats.size()), [&](std::vector<float>& out) {
                      importTile(bytes.data(), out.data(), r, w, w, h);
                  }), 0) << threads << " threads, importTile";
        EXPECT_EQ(differences<uint8_t>(blank, [&](std::vector<uint8_t>& out) {
                      exportScaled(floats.data(), w, out.data(), r, w, 1.7f);
                  }), 0) << threads << " threads, exportScaled";
        EXPECT_EQ(differences<float>(floats, [&](std::vector<float>& p) {
                      normalisePlane(p.data(), w, r, 3.0f, 1.3f);
                      divideByMask(p.data(), r, w, mask.data(), w, h, p.data());
                  }), 0) << threads << " threads, normalisePlane and divideByMask";
        EXPECT_EQ(differences<uint8_t>(bytes, [&](std::vector<uint8_t>& p) {
                      denormaliseBytes(p.data(), w, r, 3.0f, 0.77f);
                  }), 0) << threads << " threads, denormaliseBytes";
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, PlaneConvertPaths, testing::ValuesIn(kAllPaths), pathName);

}  // namespace
