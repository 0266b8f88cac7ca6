// Every path of the bilinear family, with 1, 2 and 4 threads, against the
// scalar path, bit for bit; and the row-band enlargement against the full one.
#include <gtest/gtest.h>

#include "planes/Bilinear.h"
#include "tests/base/PathTesting.h"

namespace {

struct Resampling {
    int srcWidth, srcHeight;
    Rect window;
    int dstWidth, dstHeight;
};

// Enlargements near 2 (the render's), by other factors, reductions, windows
// that reach the plane's edge or past it, and destinations narrower than a vector.
const Resampling kResamplings[] = {
    {40, 30, {0, 0, 30, 40}, 80, 60},   {41, 31, {0, 0, 31, 41}, 83, 63}, {40, 30, {3, 5, 27, 38}, 67, 49},
    {40, 30, {0, 0, 30, 40}, 17, 13},   {40, 30, {10, 12, 40, 60}, 50, 35}, {9, 7, {0, 0, 7, 9}, 3, 2},
    {300, 20, {0, 0, 20, 300}, 611, 41}, {5, 5, {1, 1, 4, 4}, 29, 7},
};

class BilinearPaths : public testing::TestWithParam<Isa> {};

struct Outputs {
    std::vector<float> floats, divided;
    std::vector<uint8_t> bytes, interleaved;
};

Outputs resampleAll(const Resampling& c, const std::vector<uint8_t>& src, const std::vector<uint8_t>& rgb,
                    const std::vector<float>& planeToDivide) {
    const int stride = c.dstWidth + 3;
    Outputs o;
    o.floats.assign(size_t(stride) * c.dstHeight, -1.0f);
    resampleToFloat(src.data(), c.srcWidth, c.srcHeight, c.srcWidth + 2, c.window, o.floats.data(), c.dstWidth,
                    c.dstHeight, stride);
    o.bytes.assign(size_t(stride) * c.dstHeight, 0xA5);
    resampleBytes(src.data(), c.srcWidth, c.srcHeight, c.srcWidth + 2, c.window, o.bytes.data(), c.dstWidth,
                  c.dstHeight, stride);
    o.interleaved.assign(size_t(3 * stride) * c.dstHeight, 0xA5);
    resampleInterleaved(rgb.data(), c.srcWidth, c.srcHeight, 3 * c.srcWidth, c.window, o.interleaved.data(),
                        c.dstWidth, c.dstHeight, 3 * stride);
    o.divided = planeToDivide;
    divideBySampledMask(src.data(), c.srcWidth, c.srcHeight, c.srcWidth + 2, c.window, o.divided.data(), c.dstWidth,
                        c.dstHeight, stride);
    return o;
}

int mismatches(const std::vector<float>& a, const std::vector<float>& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += !sameValue(a[i], b[i]);
    return n;
}

TEST_P(BilinearPaths, EveryMemberHasTheBitsOfTheScalarPath) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    for (const Resampling& c : kResamplings)
        for (Content content : kContents) {
            const uint32_t seed = uint32_t(c.dstWidth * 3 + c.srcHeight);
            // Source rows are 2 bytes wider than the plane.
            const std::vector<uint8_t> src = testBytes(content, c.srcWidth + 2, c.srcHeight, seed);
            const std::vector<uint8_t> rgb = testBytes(content, 3 * c.srcWidth, c.srcHeight, seed + 1);
            const std::vector<float> plane = testPlane(content, c.dstWidth + 3, c.dstHeight, seed + 2);
            Outputs want;
            {
                PathScope scalar(Isa::Scalar);
                ThreadScope one(1);
                want = resampleAll(c, src, rgb, plane);
            }
            for (int threads : kThreadCounts) {
                ThreadScope scope(threads);
                const Outputs got = resampleAll(c, src, rgb, plane);
                const std::string where = std::to_string(c.dstWidth) + " x " + std::to_string(c.dstHeight) + ", " +
                                          contentName(content) + ", " + std::to_string(threads) + " threads";
                EXPECT_EQ(mismatches(got.floats, want.floats), 0) << where;
                EXPECT_EQ(got.bytes, want.bytes) << where;
                EXPECT_EQ(got.interleaved, want.interleaved) << where;
                EXPECT_EQ(mismatches(got.divided, want.divided), 0) << where;
            }
        }
}

TEST_P(BilinearPaths, RowBandsAreTheRowsOfTheFullEnlargement) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    for (const Resampling& c : kResamplings) {
        const std::vector<uint8_t> src = testBytes(Content::RandomByte, c.srcWidth, c.srcHeight, 5);
        const int stride = c.dstWidth + 1;
        std::vector<float> full(size_t(stride) * c.dstHeight);
        resampleToFloat(src.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, full.data(), c.dstWidth,
                        c.dstHeight, stride);
        const int bands[][2] = {{0, 1}, {0, c.dstHeight}, {c.dstHeight - 1, 1}, {1, 3}, {c.dstHeight / 2, 7}};
        for (const auto& band : bands)
            for (int threads : kThreadCounts) {
                ThreadScope scope(threads);
                const int first = band[0], count = band[1];
                std::vector<float> rows(size_t(stride) * count, -1.0f);
                resampleToFloatRows(src.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, rows.data(),
                                    c.dstWidth, c.dstHeight, stride, first, count);
                int bad = 0;
                for (int k = 0; k < count; ++k)
                    for (int j = 0; j < stride; ++j) {
                        const float want = first + k < c.dstHeight && j < c.dstWidth
                                               ? full[size_t(first + k) * stride + j]
                                               : -1.0f;  // outside the destination: untouched
                        bad += !sameBits(rows[size_t(k) * stride + j], want);
                    }
                EXPECT_EQ(bad, 0) << c.dstWidth << " x " << c.dstHeight << " rows " << first << " + " << count
                                  << ", " << threads << " threads";
            }
    }
}

// Any rectangle of the enlargement, columns as well as rows, with its own
// stride: the samples of the whole one, bit for bit, on every path.
TEST_P(BilinearPaths, PartsAreThePartsOfTheFullEnlargement) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    for (const Resampling& c : kResamplings) {
        const std::vector<uint8_t> src = testBytes(Content::RandomByte, c.srcWidth, c.srcHeight, 9);
        std::vector<float> full(size_t(c.dstWidth) * c.dstHeight);
        resampleToFloat(src.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, full.data(), c.dstWidth,
                        c.dstHeight, c.dstWidth);
        const int w = c.dstWidth, h = c.dstHeight;
        const Rect parts[] = {{0, 0, int16_t(h), int16_t(w)}, {1, 3, int16_t(h), int16_t(w - 1)},
                              {int16_t(h / 2), int16_t(w / 3), int16_t(h / 2 + 5), int16_t(w / 3 + 300)},
                              {int16_t(h - 1), int16_t(w - 1), int16_t(h + 2), int16_t(w + 4)}};
        for (const Rect& part : parts) {
            const int pw = rectWidth(part), ph = rectHeight(part);
            if (pw <= 0 || ph <= 0) continue;
            std::vector<float> got(size_t(pw) * ph, -1.0f);
            resampleToFloatPart(src.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, got.data(), w, h, pw,
                                part);
            int bad = 0;
            for (int i = 0; i < ph; ++i)
                for (int j = 0; j < pw; ++j) {
                    const int y = part.top + i, x = part.left + j;
                    const float want = y < h && x < w ? full[size_t(y) * w + x] : -1.0f;  // outside: untouched
                    bad += !sameBits(got[size_t(i) * pw + j], want);
                }
            EXPECT_EQ(bad, 0) << w << " x " << h << " part at " << part.top << ", " << part.left;
        }
    }
}

// A deep image's masks are floats: the enlargement from a float source, on
// every path and thread count, has the scalar path's bits; on whole values it
// has the bits of the same enlargement from bytes.
TEST_P(BilinearPaths, FloatSourcesHaveTheBitsOfTheScalarPath) {
    PathScope path(GetParam());
    SKIP_UNLESS_PATH(path);
    for (const Resampling& c : kResamplings)
        for (Content content : kContents) {
            const int srcStride = c.srcWidth + 2, stride = c.dstWidth + 3;
            const std::vector<float> src = testPlane(content, srcStride, c.srcHeight, uint32_t(c.srcWidth + 9));
            auto enlarge = [&] {
                std::vector<float> out(size_t(stride) * c.dstHeight, -1.0f);
                resampleToFloat(src.data(), c.srcWidth, c.srcHeight, srcStride, c.window, out.data(), c.dstWidth,
                                c.dstHeight, stride);
                return out;
            };
            std::vector<float> want;
            {
                PathScope scalar(Isa::Scalar);
                ThreadScope one(1);
                want = enlarge();
            }
            for (int threads : kThreadCounts) {
                ThreadScope scope(threads);
                EXPECT_EQ(mismatches(enlarge(), want), 0) << c.dstWidth << " x " << c.dstHeight << ", "
                                                           << contentName(content) << ", " << threads << " threads";
            }
        }
    const Resampling& c = kResamplings[1];
    const std::vector<uint8_t> bytes = testBytes(Content::RandomByte, c.srcWidth, c.srcHeight, 3);
    const std::vector<float> floats(bytes.begin(), bytes.end());
    std::vector<float> fromBytes(size_t(c.dstWidth) * c.dstHeight), fromFloats(fromBytes.size());
    resampleToFloat(bytes.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, fromBytes.data(), c.dstWidth,
                    c.dstHeight, c.dstWidth);
    resampleToFloat(floats.data(), c.srcWidth, c.srcHeight, c.srcWidth, c.window, fromFloats.data(), c.dstWidth,
                    c.dstHeight, c.dstWidth);
    EXPECT_EQ(mismatches(fromFloats, fromBytes), 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, BilinearPaths, testing::ValuesIn(kAllPaths), pathName);

}  // namespace
