#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "planes/PlaneConvert.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr uint8_t kJunk = 0xA5;

// A sample that encodes its own position, so a misplaced row or column shows.
uint8_t coordByte(ptrdiff_t row, ptrdiff_t col) { return uint8_t(row * 16 + col); }

TEST(PlaneConvert, TruncationAndClamps) {
    EXPECT_EQ(truncateSample(254.99), 254);
    EXPECT_EQ(truncateSample(0.0), 0);
    EXPECT_EQ(truncateSample(255.0), 255);
    for (int k = 0; k < 256; ++k) EXPECT_EQ(truncateSample(k + 0.75), k);
    EXPECT_EQ(clampLowFirst(-3.0), 0.0);
    EXPECT_EQ(clampLowFirst(300.0), 255.0);
    EXPECT_EQ(clampLowFirst(kNaN), 0.0);
    EXPECT_EQ(clampHighFirst(-3.0), 0.0);
    EXPECT_EQ(clampHighFirst(300.0), 255.0);
    EXPECT_EQ(clampHighFirst(kNaN), 255.0);
    EXPECT_EQ(roundSample(127.5), 128);
    EXPECT_EQ(roundSample(127.49), 127);
    EXPECT_EQ(roundSample(kNaN), 255);  // the byte resamplers' rounding
    EXPECT_EQ(roundSample(-0.4), 0);
}

// Every float-to-byte export on the same five awkward values.
TEST(PlaneConvert, ExportsClampInTheirOwnOrder) {
    const std::vector<float> v = {254.99f, -3.0f, 300.0f, kNaN, 17.0f};
    const Rect r = {0, 0, 1, 5};
    const std::vector<uint8_t> lowFirst = {254, 0, 255, 0, 17};
    std::vector<uint8_t> out(5);
    exportPlane(v.data(), out.data(), r, 5);
    EXPECT_EQ(out, lowFirst);
    exportRegion(v.data(), 5, out.data(), r, 5);
    EXPECT_EQ(out, lowFirst);
    exportScaled(v.data(), 5, out.data(), r, 5, 1.0f);
    EXPECT_EQ(out, lowFirst);

    std::vector<float> planes(15, 1.0f);
    for (int p = 0; p < 5; ++p) planes[5 + p] = v[p];  // green plane
    std::vector<uint8_t> rgb(15);
    exportInterleaved(planes.data(), 5, 1, rgb.data(), 1.0f);
    const std::vector<uint8_t> highFirst = {254, 0, 255, 255, 17};
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(rgb[3 * p + 1], highFirst[p]) << p;
        EXPECT_EQ(rgb[3 * p], 1);
        EXPECT_EQ(rgb[3 * p + 2], 1);
    }
}

// gain * v is rounded to single precision before truncation: with
// v = 2^k (1 - 2^-15) and gain 1 + 2^-15 the exact product 2^k (1 - 2^-30)
// is within half a single-precision step of 2^k, but far enough below it for
// a truncation of the double to give 2^k - 1.
TEST(PlaneConvert, ScaledExportsRoundTheProductToSingleFirst) {
    const float gain = 1.0f + std::ldexp(1.0f, -15);
    std::vector<float> v, planes(3 * 7, 0.0f);
    for (int k = 1; k <= 7; ++k) {
        v.push_back(std::ldexp(1.0f - std::ldexp(1.0f, -15), k));
        ASSERT_EQ(truncateSample(double(gain) * v.back()), (1 << k) - 1);
        planes[k - 1] = v.back();
    }
    std::vector<uint8_t> out(7), rgb(3 * 7);
    exportScaled(v.data(), 7, out.data(), Rect{0, 0, 1, 7}, 7, gain);
    exportInterleaved(planes.data(), 7, 1, rgb.data(), gain);
    for (int k = 1; k <= 7; ++k) {
        EXPECT_EQ(out[k - 1], 1 << k);
        EXPECT_EQ(rgb[3 * (k - 1)], 1 << k);
    }
}

// Import from a strided host buffer with junk padding, export into another
// strided buffer: the samples survive, the padding neither leaks nor is touched.
TEST(PlaneConvert, ImportExportHonourStrides) {
    const int w = 9, h = 6;
    const ptrdiff_t inRow = 13, outRow = 11;
    std::vector<uint8_t> in(inRow * h, kJunk), out(outRow * h, kJunk);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) in[row * inRow + col] = coordByte(row, col);
    const Rect r = {40, 70, int16_t(40 + h), int16_t(70 + w)};  // image coordinates; only the size is used
    std::vector<float> plane(w * h, -1.0f);
    importPlane(in.data(), plane.data(), r, inRow);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) ASSERT_EQ(plane[row * w + col], coordByte(row, col));
    exportPlane(plane.data(), out.data(), r, outRow);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < outRow; ++col)
            EXPECT_EQ(out[row * outRow + col], col < w ? coordByte(row, col) : kJunk) << row << "," << col;
}

TEST(PlaneConvert, ImportTileCutsToStrideAndRowLimit) {
    const ptrdiff_t inRow = 12;
    std::vector<uint8_t> in(inRow * 8, kJunk);
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 10; ++col) in[row * inRow + col] = coordByte(row, col);
    std::vector<float> tile(7 * 6, -1.0f);
    importTile(in.data(), tile.data(), Rect{0, 0, 8, 10}, inRow, 6, 5);  // 5 of 8 rows, 6 of 10 columns
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 6; ++col)
            EXPECT_EQ(tile[row * 6 + col], row < 5 ? float(coordByte(row, col)) : -1.0f) << row << "," << col;
}

TEST(PlaneConvert, ExportRegionReadsTheWindowFromItsOrigin) {
    const int srcW = 20, srcH = 12;
    std::vector<float> src(srcW * srcH);
    for (int row = 0; row < srcH; ++row)
        for (int col = 0; col < srcW; ++col) src[row * srcW + col] = coordByte(row, col) + 0.9f;
    const Rect r = {3, 5, 9, 12};
    const ptrdiff_t dstRow = 10;
    std::vector<uint8_t> dst(dstRow * 7, kJunk);
    exportRegion(src.data(), srcW, dst.data(), r, dstRow);
    for (int k = 0; k < 7; ++k)
        for (int col = 0; col < dstRow; ++col)
            EXPECT_EQ(dst[k * dstRow + col], k < 6 && col < 7 ? coordByte(3 + k, 5 + col) : kJunk) << k << "," << col;
}

TEST(PlaneConvert, InterleaveTakesPlanesInOrder) {
    const int16_t w = 5, h = 3;
    std::vector<uint8_t> planes(3 * w * h), rgb(3 * w * h);
    for (int k = 0; k < 3; ++k)
        for (int p = 0; p < w * h; ++p) planes[k * w * h + p] = uint8_t(k * 100 + p);
    interleavePlanes(planes.data(), w, h, rgb.data());
    for (int p = 0; p < w * h; ++p)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(rgb[3 * p + k], k * 100 + p);
}

// Point operations touch exactly the rectangle, with the formula in double.
TEST(PlaneConvert, NormaliseAndDenormaliseInsideTheRectangle) {
    const int w = 10, h = 7;
    const Rect r = {2, 3, 6, 8};
    const float min = 37.0f, scale = 1.3987f, inv = 1.0f / scale;
    std::vector<float> plane(w * h);
    std::vector<uint8_t> bytes(w * h);
    for (int p = 0; p < w * h; ++p) bytes[p] = uint8_t(37 + 3 * p), plane[p] = bytes[p];
    const std::vector<float> before = plane;
    const std::vector<uint8_t> beforeBytes = bytes;
    normalisePlane(plane.data(), w, r, min, scale);
    normaliseBytes(bytes.data(), w, r, min, scale);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const int p = row * w + col;
            const bool inside = row >= 2 && row < 6 && col >= 3 && col < 8;
            const double n = (double(before[p]) - min) * scale;
            EXPECT_EQ(plane[p], inside ? float(n) : before[p]) << p;
            EXPECT_EQ(bytes[p], inside ? truncateSample(clampHighFirst(n)) : beforeBytes[p]) << p;
        }
    std::vector<float> back = plane;
    denormalisePlane(back.data(), w, r, min, inv);
    std::vector<uint8_t> backBytes = bytes;
    denormaliseBytes(backBytes.data(), w, r, min, inv);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const int p = row * w + col;
            const bool inside = row >= 2 && row < 6 && col >= 3 && col < 8;
            EXPECT_NEAR(back[p], before[p], 1e-3) << p;  // undoes the normalisation
            EXPECT_EQ(back[p], inside ? float(min + double(inv) * plane[p]) : plane[p]) << p;
            const double b = min + double(inv) * bytes[p];
            EXPECT_EQ(backBytes[p], inside ? truncateSample(clampHighFirst(b)) : bytes[p]) << p;
        }
}

TEST(PlaneConvert, FlatMaskPlaneNormalisesToWhite) {
    for (uint8_t level : {uint8_t(0), uint8_t(90)}) {
        std::vector<uint8_t> plane(6 * 4, level);
        uint8_t hi = 1, lo = 1;
        const Rect r = {0, 0, 4, 6};
        sampleRange(plane.data(), r, 6, &hi, &lo);
        ASSERT_EQ(hi, level);
        ASSERT_EQ(lo, level);
        const float scale = float(hi) / (float(hi) - float(lo));  // infinite, or NaN for 0 / 0
        ASSERT_FALSE(std::isfinite(scale));
        normaliseBytes(plane.data(), 6, r, lo, scale);
        for (uint8_t v : plane) EXPECT_EQ(v, 255);
    }
}

TEST(PlaneConvert, SampleRangeCoversTheRectangleOnly) {
    const ptrdiff_t rowBytes = 8;
    std::vector<uint8_t> plane(rowBytes * 5, 100);
    plane[0] = 120;                 // the starting value always counts
    plane[2 * rowBytes + 3] = 30;   // inside
    plane[4 * rowBytes + 5] = 200;  // inside
    plane[4 * rowBytes + 6] = 250;  // right of the rectangle
    plane[3 * rowBytes + 7] = 1;    // padding
    uint8_t hi = 0, lo = 0;
    sampleRange(plane.data(), Rect{1, 2, 5, 6}, rowBytes, &hi, &lo);
    EXPECT_EQ(hi, 200);
    EXPECT_EQ(lo, 30);
}

TEST(PlaneConvert, DivideByMaskClipsPairsAndCaps) {
    const int maskW = 6, maskH = 5;
    std::vector<float> mask(maskW * maskH);
    for (int p = 0; p < maskW * maskH; ++p) mask[p] = float(p % 4) * 0.25f;  // includes 0
    const Rect r = {3, 4, 7, 9};  // reaches past the mask: only 2 x 2 pairs
    const ptrdiff_t stride = 5;
    std::vector<float> tile(stride * 4, 0.3f);
    tile[1] = 0.9f;  // above its mask value: stores exactly 1
    const std::vector<float> before = tile;
    divideByMask(tile.data(), r, stride, mask.data(), maskW, maskH, tile.data());
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < stride; ++j) {
            const float v = before[i * stride + j];
            if (i >= 2 || j >= 2) {
                EXPECT_EQ(tile[i * stride + j], v);
                continue;
            }
            const float m = mask[(3 + i) * maskW + 4 + j];
            const double q = v / (m > 0 ? double(m) : 1.0);
            EXPECT_EQ(tile[i * stride + j], q > 1 ? 1.0f : float(q)) << i << "," << j;
        }
    EXPECT_EQ(tile[1], 1.0f);
    EXPECT_EQ(mask[3 * maskW + 4], 0.5f);  // (22 % 4) * 0.25
    EXPECT_EQ(mask[4 * maskW + 4], 0.0f);  // 28 % 4: divides by 1
    EXPECT_EQ(tile[stride], 0.3f);
}

// The quotient is v / m, then times 255: find samples where multiplying
// first would round differently, and check the order on them.
TEST(PlaneConvert, DivideByProxyMaskDividesBeforeScaling) {
    int checked = 0;
    for (int m = 1; m < 256 && checked < 20; ++m)
        for (int i = 0; i < 2000 && checked < 20; ++i) {
            const float v = float(i * 0.173);
            const float divideFirst = float(double(v) / m * 255.0);
            if (divideFirst == float(double(v) * 255.0 / m)) continue;
            const uint8_t mask = uint8_t(m);
            float out = 0.0f;
            divideByProxyMask(&v, Rect{0, 0, 1, 1}, 1, &mask, 1, 1, &out);
            EXPECT_EQ(out, divideFirst) << v << " / " << m;
            ++checked;
        }
    EXPECT_GT(checked, 0);
}

TEST(PlaneConvert, DivideByProxyMaskAndTheZeroOverZeroPixel) {
    const std::vector<uint8_t> mask = {51, 0, 0, 200};
    std::vector<float> plane = {20.0f, 7.0f, 0.0f, 250.0f};
    std::vector<float> out(4, -1.0f);
    const Rect r = {0, 0, 2, 2};
    divideByProxyMask(plane.data(), r, 2, mask.data(), 2, 2, out.data());
    EXPECT_EQ(out[0], float(20.0 / 51.0 * 255.0));
    EXPECT_EQ(out[1], 255.0f);
    EXPECT_TRUE(std::isnan(out[2]));
    EXPECT_EQ(out[3], float(250.0 / 200.0 * 255.0));  // uncapped
    denormalisePlane(out.data(), 2, r, 12.0f, 0.75f);
    std::vector<uint8_t> bytes(4);
    exportPlane(out.data(), bytes.data(), r, 2);
    EXPECT_EQ(bytes[2], 0);
    EXPECT_EQ(bytes[1], 203);  // 12 + 0.75 * 255 = 203.25
    EXPECT_EQ(bytes[3], 251);  // 12 + 0.75 * 318.75 = 251.06
}

}  // namespace
