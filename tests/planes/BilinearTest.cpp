#include <gtest/gtest.h>

#include <vector>

#include "planes/Bilinear.h"
#include "planes/PlaneConvert.h"
#include "tests/util/BilinearReference.h"

namespace {

constexpr uint8_t kJunk = 0xEE;
constexpr float kUntouched = -7.0f;

// A source plane whose samples encode their own coordinates, in a buffer whose
// rows carry junk padding past the plane's width.
struct Source {
    int width, height;
    ptrdiff_t rowBytes;
    std::vector<uint8_t> bytes;
    Source(int w, int h, ptrdiff_t stride, int salt = 0) : width(w), height(h), rowBytes(stride), bytes(stride * h, kJunk) {
        for (int row = 0; row < h; ++row)
            for (int col = 0; col < w; ++col) bytes[row * stride + col] = uint8_t((row * 37 + col * 11 + salt) % 251);
    }
    ReferencePlane plane() const { return ReferencePlane{bytes.data(), width, height, rowBytes, 1}; }
};

struct Case {
    int srcW, srcH;
    Rect window;
    int dstW, dstH;
};

// Enlargements, reductions, odd ratios, windows away from the origin and
// windows reaching past the plane's edge; destinations wider than a block.
const Case kCases[] = {
    {2, 2, {0, 0, 2, 2}, 4, 4},       {37, 23, {0, 0, 23, 37}, 101, 67}, {97, 61, {0, 0, 61, 97}, 40, 25},
    {50, 40, {7, 9, 31, 44}, 83, 51}, {50, 40, {7, 9, 31, 44}, 13, 9},   {30, 20, {5, 6, 28, 40}, 55, 33},
    {300, 5, {0, 0, 5, 300}, 613, 11}, {17, 13, {3, 2, 13, 17}, 1, 1},   {40, 30, {0, 0, 30, 40}, 41, 29},
};

TEST(Bilinear, WorkedTwoByTwoEnlargement) {
    const uint8_t src[] = {10, 20, 30, 40};
    float dst[16];
    resampleToFloat(src, 2, 2, 2, Rect{0, 0, 2, 2}, dst, 4, 4, 4);
    const float expected[16] = {10, 15, 20, 20, 20, 25, 20, 20, 30, 35, 40, 40, 35, 37.5f, 40, 40};
    for (int p = 0; p < 16; ++p) EXPECT_EQ(dst[p], expected[p]) << p;
}

TEST(Bilinear, FloatAndByteResamplersMatchTheStraightforwardBody) {
    for (const Case& c : kCases) {
        const Source s(c.srcW, c.srcH, c.srcW + 5);
        const ptrdiff_t floatStride = c.dstW + 3, byteStride = c.dstW + 2;
        std::vector<float> f(floatStride * c.dstH, kUntouched);
        std::vector<uint8_t> b(byteStride * c.dstH, kJunk);
        resampleToFloat(s.bytes.data(), c.srcW, c.srcH, s.rowBytes, c.window, f.data(), c.dstW, c.dstH, floatStride);
        resampleBytes(s.bytes.data(), c.srcW, c.srcH, s.rowBytes, c.window, b.data(), c.dstW, c.dstH, byteStride);
        for (int i = 0; i < c.dstH; ++i)
            for (int j = 0; j < floatStride; ++j) {
                if (j >= c.dstW) {
                    ASSERT_EQ(f[i * floatStride + j], kUntouched);
                    if (j < byteStride) {
                        ASSERT_EQ(b[i * byteStride + j], kJunk);
                    }
                    continue;
                }
                const double v = referenceBilinear(s.plane(), c.window, c.dstW, c.dstH, i, j);
                ASSERT_EQ(f[i * floatStride + j], float(v)) << c.dstW << "x" << c.dstH << " at " << i << "," << j;
                ASSERT_EQ(b[i * byteStride + j], roundSample(v)) << c.dstW << "x" << c.dstH << " at " << i << "," << j;
            }
    }
}

TEST(Bilinear, SameSizeWindowCopiesExactly) {
    const Source s(40, 30, 47);
    const Rect window = {4, 6, 26, 33};
    const int w = 27, h = 22;
    std::vector<float> f(w * h);
    std::vector<uint8_t> b(w * h);
    resampleToFloat(s.bytes.data(), s.width, s.height, s.rowBytes, window, f.data(), w, h, w);
    resampleBytes(s.bytes.data(), s.width, s.height, s.rowBytes, window, b.data(), w, h, w);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            const uint8_t expected = s.bytes[(4 + i) * s.rowBytes + 6 + j];
            ASSERT_EQ(f[i * w + j], expected) << i << "," << j;
            ASSERT_EQ(b[i * w + j], expected) << i << "," << j;
        }
}

TEST(Bilinear, ByteResamplerRoundsHalvesUp) {
    const uint8_t src[] = {127, 128};
    uint8_t dst[4];
    resampleBytes(src, 2, 1, 2, Rect{0, 0, 1, 2}, dst, 4, 1, 4);
    EXPECT_EQ(dst[0], 127);
    EXPECT_EQ(dst[1], 128);  // 127.5
}

TEST(Bilinear, EmptyDestinationWritesNothing) {
    const Source s(8, 8, 8);
    std::vector<float> f(16, kUntouched);
    resampleToFloat(s.bytes.data(), 8, 8, 8, Rect{0, 0, 8, 8}, f.data(), 0, 4, 4);
    resampleToFloat(s.bytes.data(), 8, 8, 8, Rect{0, 0, 8, 8}, f.data(), 4, -1, 4);
    for (float v : f) EXPECT_EQ(v, kUntouched);
}

// Each channel of an interleaved image resampled on its own must equal the
// plane resampler on that channel split out, with the window's columns
// counted from column 0.
TEST(Bilinear, InterleavedAgreesChannelByChannel) {
    for (const Case& c : kCases) {
        const Rect window = {c.window.top, 0, c.window.bottom, int16_t(c.window.right - c.window.left)};
        const ptrdiff_t srcRow = 3 * c.srcW + 4, dstRow = 3 * c.dstW + 5;
        std::vector<uint8_t> rgb(srcRow * c.srcH, kJunk), out(dstRow * c.dstH, kJunk);
        std::vector<Source> planes;
        for (int k = 0; k < 3; ++k) planes.emplace_back(c.srcW, c.srcH, c.srcW, 60 * k);
        for (int k = 0; k < 3; ++k)
            for (int row = 0; row < c.srcH; ++row)
                for (int col = 0; col < c.srcW; ++col)
                    rgb[row * srcRow + 3 * col + k] = planes[k].bytes[row * c.srcW + col];
        resampleInterleaved(rgb.data(), c.srcW, c.srcH, srcRow, c.window, out.data(), c.dstW, c.dstH, dstRow);
        for (int k = 0; k < 3; ++k) {
            std::vector<uint8_t> single(c.dstW * c.dstH);
            resampleBytes(planes[k].bytes.data(), c.srcW, c.srcH, c.srcW, window, single.data(), c.dstW, c.dstH,
                          c.dstW);
            for (int i = 0; i < c.dstH; ++i)
                for (int j = 0; j < c.dstW; ++j)
                    ASSERT_EQ(out[i * dstRow + 3 * j + k], single[i * c.dstW + j]) << k << " " << i << "," << j;
        }
        for (int i = 0; i < c.dstH; ++i)
            for (ptrdiff_t j = 3 * c.dstW; j < dstRow; ++j) ASSERT_EQ(out[i * dstRow + j], kJunk);
    }
}

TEST(Bilinear, DivideBySampledMaskMatchesTheReference) {
    for (const Case& c : kCases) {
        Source mask(c.srcW, c.srcH, c.srcW);
        for (size_t p = 0; p < mask.bytes.size(); p += 7) mask.bytes[p] = 0;  // zero stretches
        const ptrdiff_t stride = c.dstW + 2;
        std::vector<float> plane(stride * c.dstH);
        for (size_t p = 0; p < plane.size(); ++p) plane[p] = float(p % 97) * 0.37f;
        const std::vector<float> before = plane;
        divideBySampledMask(mask.bytes.data(), c.srcW, c.srcH, c.srcW, c.window, plane.data(), c.dstW, c.dstH,
                            stride);
        for (int i = 0; i < c.dstH; ++i)
            for (int j = 0; j < stride; ++j) {
                const ptrdiff_t p = i * stride + j;
                if (j >= c.dstW) {
                    ASSERT_EQ(plane[p], before[p]);
                    continue;
                }
                const double m = referenceBilinear(mask.plane(), c.window, c.dstW, c.dstH, i, j);
                ASSERT_EQ(plane[p], m > 0 ? float(before[p] / m * 255.0) : 255.0f) << i << "," << j;
            }
    }
}

// A flat mask interpolates to its own byte m exactly; the quotient is d / m,
// then times 255, which differs from multiplying first for some samples.
TEST(Bilinear, SampledMaskDividesBeforeScaling) {
    int checked = 0;
    for (int m = 1; m < 256 && checked < 20; ++m)
        for (int i = 0; i < 2000 && checked < 20; ++i) {
            float d = float(i * 0.173);
            const float divideFirst = float(double(d) / m * 255.0);
            if (divideFirst == float(double(d) * 255.0 / m)) continue;
            const uint8_t mask[4] = {uint8_t(m), uint8_t(m), uint8_t(m), uint8_t(m)};
            divideBySampledMask(mask, 2, 2, 2, Rect{0, 0, 2, 2}, &d, 1, 1, 1);
            EXPECT_EQ(d, divideFirst) << i << " / " << m;
            ++checked;
        }
    EXPECT_GT(checked, 0);
}

TEST(Bilinear, ZeroSampledMaskGivesWhiteWhateverTheSample) {
    const uint8_t mask[] = {0, 0, 0, 0};
    float plane[6] = {0.0f, 3.5f, -2.0f, 1e6f, 255.0f, 0.25f};
    divideBySampledMask(mask, 2, 2, 2, Rect{0, 0, 2, 2}, plane, 3, 2, 3);
    for (float v : plane) EXPECT_EQ(v, 255.0f);
}

}  // namespace
