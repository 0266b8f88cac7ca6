#include "planes/PlaneConvert.h"

#include <cstring>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/DeepSamples.h"
#include "planes/PlaneConvertKernels.h"

namespace {

uint8_t lowFirstByte(double v) { return uint8_t(truncateSample(clampLowFirst(v))); }
uint8_t highFirstByte(double v) { return uint8_t(truncateSample(clampHighFirst(v))); }

// A product the caller rounds to single precision before clamping.
double singleProduct(float gain, float v) { return float(double(gain) * double(v)); }

// The vector rows of the active path; none on the scalar one.
const PlaneConvertKernels* vectorRows() { return kernelsFor(activeIsa(), planeConvertSse2, planeConvertAvx2, planeConvertAvx512); }

// Calls body(row) for rows first .. end - 1 of width samples, in pieces of
// about 64 K samples shared among worker threads (each row on its own).
template <class Body>
void forRows(ptrdiff_t first, ptrdiff_t end, ptrdiff_t width, const Body& body) {
    parallelFor(end - first, rowsPerPiece(width), [&](ptrdiff_t b, ptrdiff_t e) {
        for (ptrdiff_t row = first + b; row < first + e; ++row) body(row);
    });
}

// Calls op(sample) for rows top..bottom-1 and columns left..right-1 of a
// plane addressed from its origin, with the row stride in elements of T.
// With a vector row (line start, count -> samples done), op takes only the
// samples that it leaves.
template <class T, class Op>
void forEachInRect(T* plane, ptrdiff_t stride, const Rect& r, Op op) {
    for (ptrdiff_t row = r.top; row < r.bottom; ++row) {
        T* line = plane + row * stride;
        for (ptrdiff_t col = r.left; col < r.right; ++col) op(line[col]);
    }
}
template <class T, class VectorRow, class Op>
void forEachInRect(T* plane, ptrdiff_t stride, const Rect& r, VectorRow vectorRow, Op op) {
    forRows(r.top, r.bottom, ptrdiff_t(r.right) - r.left, [&](ptrdiff_t row) {
        T* line = plane + row * stride;
        const ptrdiff_t done = r.right > r.left ? vectorRow(line + r.left, ptrdiff_t(r.right) - r.left) : 0;
        for (ptrdiff_t col = r.left + done; col < r.right; ++col) op(line[col]);
    });
}


// Every conversion row by row: the scalar path on the calling thread, the
// vector paths in pieces shared among worker threads.
template <class Row>
void eachRow(const PlaneConvertKernels* k, ptrdiff_t rows, ptrdiff_t cols, const Row& row) {
    if (k == nullptr) {
        for (ptrdiff_t i = 0; i < rows; ++i) row(i);
        return;
    }
    forRows(0, rows, cols, row);
}

}  // namespace

void importPlane(const uint8_t* src, float* dst, const Rect& r, ptrdiff_t srcRowBytes) {
    const int width = rectWidth(r);
    importTile(src, dst, r, srcRowBytes, width, rectHeight(r));
}

void importTile(const uint8_t* src, float* dst, const Rect& r, ptrdiff_t srcRowBytes, ptrdiff_t dstStride,
                int maxRows) {
    const ptrdiff_t rows = rectHeight(r) < maxRows ? rectHeight(r) : maxRows;
    const ptrdiff_t cols = rectWidth(r) < dstStride ? rectWidth(r) : dstStride;
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done =
            k != nullptr && cols > 0 ? k->importRow(src + row * srcRowBytes, dst + row * dstStride, cols) : 0;
        for (ptrdiff_t col = done; col < cols; ++col) dst[row * dstStride + col] = src[row * srcRowBytes + col];
    });
}

void exportPlane(const float* src, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes) {
    const ptrdiff_t rows = rectHeight(r), cols = rectWidth(r);
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done =
            k != nullptr && cols > 0 ? k->exportRow(src + row * cols, dst + row * dstRowBytes, cols) : 0;
        for (ptrdiff_t col = done; col < cols; ++col) dst[row * dstRowBytes + col] = lowFirstByte(src[row * cols + col]);
    });
}

void exportRegion(const float* src, ptrdiff_t srcStride, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes) {
    const ptrdiff_t rows = rectHeight(r), cols = rectWidth(r);
    const float* first = src + ptrdiff_t(r.top) * srcStride + r.left;
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done =
            k != nullptr && cols > 0 ? k->exportRow(first + row * srcStride, dst + row * dstRowBytes, cols) : 0;
        for (ptrdiff_t col = done; col < cols; ++col)
            dst[row * dstRowBytes + col] = lowFirstByte(first[row * srcStride + col]);
    });
}

void exportScaled(const float* src, ptrdiff_t srcStride, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes,
                  float gain) {
    const ptrdiff_t rows = rectHeight(r), cols = rectWidth(r);
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done =
            k != nullptr && cols > 0 ? k->exportScaledRow(src + row * srcStride, dst + row * dstRowBytes, cols, gain)
                                     : 0;
        for (ptrdiff_t col = done; col < cols; ++col)
            dst[row * dstRowBytes + col] = lowFirstByte(singleProduct(gain, src[row * srcStride + col]));
    });
}

void exportInterleaved(const float* src, int16_t width, int16_t height, uint8_t* dst, float gain) {
    const ptrdiff_t count = ptrdiff_t(width) * height;
    for (ptrdiff_t k = 0; k < 3; ++k)
        for (ptrdiff_t p = 0; p < count; ++p)
            // High-first: a NaN (zero over a zero mask) shows as white here.
            dst[3 * p + k] = highFirstByte(singleProduct(gain, src[k * count + p]));
}

void interleavePlanes(const uint8_t* src, int16_t width, int16_t height, uint8_t* dst) {
    const ptrdiff_t count = ptrdiff_t(width) * height;
    for (ptrdiff_t k = 0; k < 3; ++k)
        for (ptrdiff_t p = 0; p < count; ++p) dst[3 * p + k] = src[k * count + p];
}

void normalisePlane(float* plane, ptrdiff_t stride, const Rect& r, float min, float scale) {
    const PlaneConvertKernels* k = vectorRows();
    auto one = [=](float& v) { v = float((double(v) - min) * scale); };
    if (k == nullptr) return forEachInRect(plane, stride, r, one);
    forEachInRect(plane, stride, r, [=](float* row, ptrdiff_t n) { return k->normaliseRow(row, n, min, scale); }, one);
}

void denormalisePlane(float* plane, ptrdiff_t stride, const Rect& r, float min, float invScale) {
    const PlaneConvertKernels* k = vectorRows();
    auto one = [=](float& v) { v = float(min + double(invScale) * v); };
    if (k == nullptr) return forEachInRect(plane, stride, r, one);
    forEachInRect(plane, stride, r, [=](float* row, ptrdiff_t n) { return k->denormaliseRow(row, n, min, invScale); },
                  one);
}

void normaliseBytes(uint8_t* plane, ptrdiff_t rowBytes, const Rect& r, float min, float scale) {
    // High-first: with a flat mask plane the scale is infinite or NaN, and
    // every sample must become 255.
    const PlaneConvertKernels* k = vectorRows();
    auto one = [=](uint8_t& v) { v = highFirstByte((double(v) - min) * scale); };
    if (k == nullptr) return forEachInRect(plane, rowBytes, r, one);
    forEachInRect(plane, rowBytes, r,
                  [=](uint8_t* row, ptrdiff_t n) { return k->normaliseBytesRow(row, n, min, scale); }, one);
}

void denormaliseBytes(uint8_t* plane, ptrdiff_t rowBytes, const Rect& r, float min, float invScale) {
    const PlaneConvertKernels* k = vectorRows();
    auto one = [=](uint8_t& v) { v = highFirstByte(min + double(invScale) * v); };
    if (k == nullptr) return forEachInRect(plane, rowBytes, r, one);
    forEachInRect(plane, rowBytes, r,
                  [=](uint8_t* row, ptrdiff_t n) { return k->denormaliseBytesRow(row, n, min, invScale); }, one);
}

namespace {

// Calls op(offset in the tile, mask sample) over r clipped to the mask,
// after vectorRow(tile row offset, mask row, count) -> samples done, per row;
// rows shared among worker threads.
template <class M, class VectorRow, class Op>
void forEachMaskPair(const Rect& r, ptrdiff_t tileStride, const M* mask, int maskWidth, int maskHeight,
                     VectorRow vectorRow, Op op) {
    const ptrdiff_t bottom = r.bottom < maskHeight ? r.bottom : maskHeight;
    const ptrdiff_t right = r.right < maskWidth ? r.right : maskWidth;
    const ptrdiff_t n = right - r.left;
    forRows(0, bottom - r.top, n, [&](ptrdiff_t i) {
        const M* maskRow = mask + (r.top + i) * ptrdiff_t(maskWidth) + r.left;
        const ptrdiff_t done = n > 0 ? vectorRow(i * tileStride, maskRow, n) : 0;
        for (ptrdiff_t j = done; r.left + j < right; ++j) op(i * tileStride + j, maskRow[j]);
    });
}

}  // namespace

void divideByMask(const float* tile, const Rect& r, ptrdiff_t tileStride, const float* mask, int maskWidth,
                  int maskHeight, float* out) {
    const PlaneConvertKernels* k = vectorRows();
    auto vectorRow = [=](ptrdiff_t at, const float* maskRow, ptrdiff_t n) {
        return k != nullptr ? k->divideByMaskRow(tile + at, maskRow, out + at, n) : 0;
    };
    forEachMaskPair(r, tileStride, mask, maskWidth, maskHeight, vectorRow, [=](ptrdiff_t at, float m) {
        const double d = m > 0.0f ? double(m) : 1.0;
        double q = tile[at] / d;
        if (q > 1.0) q = 1.0;
        out[at] = float(q);
    });
}

void divideByProxyMask(const float* plane, const Rect& r, ptrdiff_t stride, const uint8_t* mask, int maskWidth,
                       int maskHeight, float* out) {
    const PlaneConvertKernels* k = vectorRows();
    auto vectorRow = [=](ptrdiff_t at, const uint8_t* maskRow, ptrdiff_t n) {
        return k != nullptr ? k->divideByProxyMaskRow(plane + at, maskRow, out + at, n) : 0;
    };
    forEachMaskPair(r, stride, mask, maskWidth, maskHeight, vectorRow, [=](ptrdiff_t at, uint8_t m) {
        // A zero mask byte divides the sample by itself: 255 for any other
        // sample, NaN for zero, which the following exports turn into 0.
        const double v = plane[at];
        const double d = m > 0 ? double(m) : v;
        out[at] = float(v / d * 255.0);
    });
}

namespace {

template <class T>
void rangeOf(const T* plane, const Rect& r, ptrdiff_t stride, T* hi, T* lo) {
    T high = plane[0], low = plane[0];
    forEachInRect(plane, stride, r, [&](const T& v) {
        if (v > high) high = v;
        if (v < low) low = v;
    });
    *hi = high;
    *lo = low;
}

}  // namespace

void sampleRange(const uint8_t* plane, const Rect& r, ptrdiff_t rowBytes, uint8_t* hi, uint8_t* lo) {
    rangeOf(plane, r, rowBytes, hi, lo);
}

void sampleRange(const float* plane, const Rect& r, ptrdiff_t stride, float* hi, float* lo) {
    rangeOf(plane, r, stride, hi, lo);
}

void exportRegion(const float* src, ptrdiff_t srcStride, float* dst, const Rect& r, ptrdiff_t dstStride) {
    const ptrdiff_t rows = rectHeight(r), cols = rectWidth(r);
    const float* first = src + ptrdiff_t(r.top) * srcStride + r.left;
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done =
            k != nullptr && cols > 0 ? k->clampRow(first + row * srcStride, dst + row * dstStride, cols) : 0;
        for (ptrdiff_t col = done; col < cols; ++col)
            dst[row * dstStride + col] = truncatedMean(float(clampLowFirst(first[row * srcStride + col])));
    });
}

void exportScaled(const float* src, ptrdiff_t srcStride, float* dst, const Rect& r, ptrdiff_t dstStride, float gain) {
    const ptrdiff_t rows = rectHeight(r), cols = rectWidth(r);
    const PlaneConvertKernels* k = vectorRows();
    eachRow(k, rows, cols, [&](ptrdiff_t row) {
        const ptrdiff_t done = k != nullptr && cols > 0
                                   ? k->clampScaledRow(src + row * srcStride, dst + row * dstStride, cols, gain)
                                   : 0;
        for (ptrdiff_t col = done; col < cols; ++col) {
            const double scaled = clampLowFirst(singleProduct(gain, src[row * srcStride + col]));
            dst[row * dstStride + col] = truncatedMean(float(scaled));
        }
    });
}

void denormaliseClamped(float* plane, ptrdiff_t stride, const Rect& r, float min, float invScale) {
    const PlaneConvertKernels* k = vectorRows();
    const float loss = truncationLoss(invScale, min);
    auto one = [=](float& v) { v = truncatedMean(float(clampHighFirst(min + double(invScale) * v)), loss); };
    if (k == nullptr) return forEachInRect(plane, stride, r, one);
    forEachInRect(plane, stride, r,
                  [=](float* row, ptrdiff_t n) { return k->denormaliseClampedRow(row, n, min, invScale, loss); }, one);
}

void normaliseClamped(float* plane, ptrdiff_t stride, const Rect& r, float min, float scale) {
    const PlaneConvertKernels* k = vectorRows();
    const float loss = truncationLoss(scale, -double(min) * scale);
    auto one = [=](float& v) { v = truncatedMean(float(clampHighFirst((double(v) - min) * scale)), loss); };
    if (k == nullptr) return forEachInRect(plane, stride, r, one);
    forEachInRect(plane, stride, r,
                  [=](float* row, ptrdiff_t n) { return k->normaliseClampedRow(row, n, min, scale, loss); }, one);
}
