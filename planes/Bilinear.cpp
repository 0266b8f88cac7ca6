#include "planes/Bilinear.h"

#include <cmath>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "planes/BilinearKernels.h"
#include "planes/PlaneConvert.h"

namespace {

// Destination columns are handled in blocks whose positions and horizontal
// blends live on the stack: nothing is allocated, the per-column set-up runs
// once per call rather than once per row, and consecutive destination rows on
// the same source row (any enlargement) reuse the horizontal blends. The
// vertical blend and the store run on vectors where the path has them
// (BilinearKernels.h), with the same bits. Bands of destination rows are
// shared among worker threads: every destination sample depends only on its
// own position, so the bytes do not depend on the thread count.
constexpr int kBlock = 256;
// The longest span of source samples a block's vector blend converts (a
// reduction by more than 4 blends one sample at a time).
constexpr int kMaxSpan = 4 * kBlock + 2;

const BilinearKernels* vectorKernels() { return kernelsFor(activeIsa(), bilinearSse2, bilinearAvx2, bilinearAvx512); }

int vectorBlend(const BilinearKernels* k, const uint8_t* row, const uint8_t* below, const BlendColumns* columns,
                double* upper, double* lower, double* scratch) {
    return k->blend(row, below, columns, upper, lower, scratch);
}
int vectorBlend(const BilinearKernels* k, const float* row, const float* below, const BlendColumns* columns,
                double* upper, double* lower, double* scratch) {
    return k->blendFloats(row, below, columns, upper, lower, scratch);
}

// S is the source's sample type: bytes, or floats (a deep image's masks);
// the source's row stride is in samples of S.
template <class S>
struct Grid {
    const S* src;
    int srcWidth, srcHeight;
    ptrdiff_t srcRowBytes;
    int top, left;
    float sy, sx;  // single precision, as the positions derived from them rely on
};

template <class S>
Grid<S> makeGrid(const S* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window, int dstWidth,
                 int dstHeight) {
    const int windowHeight = (window.bottom < srcHeight ? window.bottom : srcHeight) - window.top;
    const int windowWidth = (window.right < srcWidth ? window.right : srcWidth) - window.left;
    return Grid<S>{src, srcWidth, srcHeight, srcRowBytes, window.top, window.left,
                   float(windowHeight) / float(dstHeight), float(windowWidth) / float(dstWidth)};
}

// Source row and vertical weight of destination row i (the weight rounded to
// single precision).
struct RowPosition {
    ptrdiff_t rr;
    double fy;
};

template <class S>
RowPosition rowPosition(const Grid<S>& g, int i) {
    const double y = double(i) * g.sy;
    double yi = std::floor(y);
    if (yi > g.srcHeight - 1) yi = g.srcHeight - 1;
    return RowPosition{g.top + ptrdiff_t(yi), double(float(y - yi))};
}

// Source columns and horizontal weights of one block of destination columns.
struct ColumnBlock {
    int first, count;
    ptrdiff_t cc[kBlock];
    double fx[kBlock];
    bool lastColumn[kBlock];  // cc + 1 reaches the plane's edge: no blending at all
    // The same for the vector blend: indices from the block's first source column.
    ptrdiff_t spanFirst;
    int32_t left[kBlock], right[kBlock];
    double lastMask[kBlock];
    int span;
};

template <class S>
void placeColumns(const Grid<S>& g, ColumnBlock& b) {
    for (int k = 0; k < b.count; ++k) {
        const double x = double(b.first + k) * g.sx;
        double xi = std::floor(x);
        if (xi > g.srcWidth - 1) xi = g.srcWidth - 1;
        b.fx[k] = x - xi;
        b.cc[k] = g.left + ptrdiff_t(xi);
        b.lastColumn[k] = b.cc[k] + 1 >= g.srcWidth;
    }
    b.spanFirst = b.cc[0];
    for (int k = 0; k < b.count; ++k) {
        const ptrdiff_t left = b.cc[k] - b.spanFirst;
        b.left[k] = int32_t(left < kMaxSpan ? left : 0);
        b.right[k] = b.lastColumn[k] ? b.left[k] : b.left[k] + 1;
        b.lastMask[k] = b.lastColumn[k] ? 1.0 : 0.0;
    }
    const ptrdiff_t span = b.cc[b.count - 1] + (b.lastColumn[b.count - 1] ? 1 : 2) - b.spanFirst;
    b.span = span <= kMaxSpan ? int(span) : kMaxSpan + 1;
}

// Horizontal blends of source row rr (upper) and of the row below (lower)
// for every column of the block, Pitch bytes between neighbouring samples.
// Columns from the first on; the vector blend, where the path has one, does
// the first ones.
template <int Pitch, class S>
void blendRows(const Grid<S>& g, const ColumnBlock& b, ptrdiff_t rr, double* upper, double* lower,
               const BilinearKernels* kernels) {
    const S* row = g.src + rr * g.srcRowBytes;
    const bool lastRow = rr + 1 >= g.srcHeight;
    int first = 0;
    if (Pitch == 1 && kernels != nullptr && b.span <= kMaxSpan) {
        const BlendColumns columns = {b.left, b.right, b.fx, b.lastMask, b.count, b.span};
        double scratch[2 * kMaxSpan + 16];
        first = vectorBlend(kernels, row + b.spanFirst, lastRow ? nullptr : row + b.spanFirst + g.srcRowBytes,
                            &columns, upper, lower, scratch);
    }
    for (int k = first; k < b.count; ++k) {
        const S* p = row + b.cc[k] * Pitch;
        const double tl = p[0];
        if (b.lastColumn[k]) {  // tr = bl = br = tl
            upper[k] = lower[k] = tl;
            continue;
        }
        const double tr = p[Pitch];
        const double fx = b.fx[k];
        upper[k] = tl + (tr - tl) * fx;
        if (lastRow) {
            lower[k] = tr;  // both lower corners take the upper-right sample
        } else {
            const double bl = p[g.srcRowBytes];
            const double br = p[g.srcRowBytes + Pitch];
            lower[k] = bl + (br - bl) * fx;
        }
    }
}

// The body every member shares, for destination rows first .. end - 1 and
// columns firstColumn .. endColumn - 1. store.row(i) gives destination row i,
// whose put(j, value) does the member's own store of the interpolated value
// and whose vectors(upper, lower, fy, first column, count) stores the first
// columns of a block on vectors and says how many it did.
template <int Pitch, class S, class Store>
void bilinearRows(const Grid<S>& g, int firstColumn, int endColumn, int first, int end, const Store& store) {
    ColumnBlock block;
    double upper[kBlock], lower[kBlock];
    for (block.first = firstColumn; block.first < endColumn; block.first += kBlock) {
        block.count = endColumn - block.first < kBlock ? endColumn - block.first : kBlock;
        placeColumns(g, block);
        bool blended = false;
        ptrdiff_t blendedRow = 0;
        for (int i = first; i < end; ++i) {
            const RowPosition pos = rowPosition(g, i);
            if (!blended || pos.rr != blendedRow) {
                blendRows<Pitch>(g, block, pos.rr, upper, lower, store.k);
                blended = true;
                blendedRow = pos.rr;
            }
            const auto out = store.row(i);
            const int done = int(out.vectors(upper, lower, pos.fy, block.first, block.count));
            for (int k = done; k < block.count; ++k)
                out.put(block.first + k, upper[k] + (lower[k] - upper[k]) * pos.fy);
        }
    }
}

// Rows of about 64 K destination samples per piece of work.
template <int Pitch, class S, class Store>
void bilinear(const Grid<S>& g, int dstWidth, int dstHeight, const Store& store) {
    if (dstWidth <= 0 || dstHeight <= 0) return;
    parallelFor(dstHeight, rowsPerPiece(dstWidth), [&](ptrdiff_t first, ptrdiff_t end) {
        bilinearRows<Pitch>(g, 0, dstWidth, int(first), int(end), store);
    });
}

struct FloatRow {
    float* p;
    const BilinearKernels* k;
    int firstColumn;  // destination column stored at p's first sample
    void put(ptrdiff_t j, double value) const { p[j - firstColumn] = float(value); }
    ptrdiff_t vectors(const double* u, const double* l, double fy, ptrdiff_t j, ptrdiff_t n) const {
        return k != nullptr ? k->toFloat(u, l, fy, p + (j - firstColumn), n) : 0;
    }
};
struct FloatStore {
    float* dst;
    ptrdiff_t stride;
    const BilinearKernels* k;
    int firstRow, firstColumn;  // destination sample stored at dst's first sample
    FloatRow row(int i) const { return FloatRow{dst + (i - firstRow) * stride, k, firstColumn}; }
};

template <int Pitch>
struct RoundedRow {
    uint8_t* p;
    const BilinearKernels* k;
    void put(ptrdiff_t j, double value) const { p[j * Pitch] = uint8_t(roundSample(value)); }
    ptrdiff_t vectors(const double* u, const double* l, double fy, ptrdiff_t j, ptrdiff_t n) const {
        return Pitch == 1 && k != nullptr ? k->toBytes(u, l, fy, p + j, n) : 0;
    }
};
template <int Pitch>
struct RoundedStore {
    uint8_t* dst;
    ptrdiff_t rowBytes;
    const BilinearKernels* k;
    RoundedRow<Pitch> row(int i) const { return RoundedRow<Pitch>{dst + i * rowBytes, k}; }
};

struct DivideRow {
    float* p;
    const BilinearKernels* k;
    void put(ptrdiff_t j, double m) const { p[j] = m > 0.0 ? float(p[j] / m * 255.0) : 255.0f; }
    ptrdiff_t vectors(const double* u, const double* l, double fy, ptrdiff_t j, ptrdiff_t n) const {
        return k != nullptr ? k->divide(u, l, fy, p + j, n) : 0;
    }
};
struct DivideStore {
    float* dst;
    ptrdiff_t stride;
    const BilinearKernels* k;
    DivideRow row(int i) const { return DivideRow{dst + i * stride, k}; }
};

}  // namespace

namespace {

// The samples of `part` of the enlargement, destination sample (i, j) stored
// at dst[(i - part.top) * dstStride + j - part.left].
template <class S>
void toFloatPart(const S* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window, float* dst,
                 int dstWidth, int dstHeight, ptrdiff_t dstStride, const Rect& part) {
    const int first = part.top < 0 ? 0 : part.top;
    const int end = part.bottom > dstHeight ? dstHeight : part.bottom;
    const int firstColumn = part.left < 0 ? 0 : part.left;
    const int endColumn = part.right > dstWidth ? dstWidth : part.right;
    if (firstColumn >= endColumn || first >= end) return;
    const Grid<S> g = makeGrid(src, srcWidth, srcHeight, srcStride, window, dstWidth, dstHeight);
    const FloatStore store{dst, dstStride, vectorKernels(), part.top, part.left};
    parallelFor(end - first, rowsPerPiece(endColumn - firstColumn), [&](ptrdiff_t b, ptrdiff_t e) {
        bilinearRows<1>(g, firstColumn, endColumn, first + int(b), first + int(e), store);
    });
}

template <class S>
void toFloatRows(const S* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window, float* dst,
                 int dstWidth, int dstHeight, ptrdiff_t dstStride, int firstRow, int rowCount) {
    if (rowCount <= 0 || firstRow >= dstHeight) return;
    const int end = rowCount > dstHeight - firstRow ? dstHeight : firstRow + rowCount;
    const Rect rows = {int16_t(firstRow), 0, int16_t(end), int16_t(dstWidth)};
    toFloatPart(src, srcWidth, srcHeight, srcStride, window, dst, dstWidth, dstHeight, dstStride, rows);
}

}  // namespace

void resampleToFloat(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                     float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride) {
    const Grid<uint8_t> g = makeGrid(src, srcWidth, srcHeight, srcRowBytes, window, dstWidth, dstHeight);
    bilinear<1>(g, dstWidth, dstHeight, FloatStore{dst, dstStride, vectorKernels(), 0, 0});
}

void resampleToFloat(const float* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window,
                     float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride) {
    toFloatRows(src, srcWidth, srcHeight, srcStride, window, dst, dstWidth, dstHeight, dstStride, 0, dstHeight);
}

void resampleToFloatRows(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, int firstRow, int rowCount) {
    toFloatRows(src, srcWidth, srcHeight, srcRowBytes, window, dst, dstWidth, dstHeight, dstStride, firstRow,
                rowCount);
}

void resampleToFloatRows(const float* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, int firstRow, int rowCount) {
    toFloatRows(src, srcWidth, srcHeight, srcStride, window, dst, dstWidth, dstHeight, dstStride, firstRow, rowCount);
}

void resampleToFloatPart(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, const Rect& part) {
    toFloatPart(src, srcWidth, srcHeight, srcRowBytes, window, dst, dstWidth, dstHeight, dstStride, part);
}

void resampleBytes(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                   uint8_t* dst, int dstWidth, int dstHeight, ptrdiff_t dstRowBytes) {
    const Grid<uint8_t> g = makeGrid(src, srcWidth, srcHeight, srcRowBytes, window, dstWidth, dstHeight);
    bilinear<1>(g, dstWidth, dstHeight, RoundedStore<1>{dst, dstRowBytes, vectorKernels()});
}

void resampleInterleaved(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         uint8_t* dst, int dstWidth, int dstHeight, ptrdiff_t dstRowBytes) {
    Rect anchored;  // the window moved to column 0, its size kept
    moveRectTo(&anchored, &window, window.top, 0);
    for (int k = 0; k < 3; ++k) {
        const Grid<uint8_t> g = makeGrid(src + k, srcWidth, srcHeight, srcRowBytes, anchored, dstWidth, dstHeight);
        bilinear<3>(g, dstWidth, dstHeight, RoundedStore<3>{dst + k, dstRowBytes, nullptr});
    }
}

void divideBySampledMask(const uint8_t* mask, int maskWidth, int maskHeight, ptrdiff_t maskRowBytes,
                         const Rect& window, float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride) {
    const Grid<uint8_t> g = makeGrid(mask, maskWidth, maskHeight, maskRowBytes, window, dstWidth, dstHeight);
    bilinear<1>(g, dstWidth, dstHeight, DivideStore{dst, dstStride, vectorKernels()});
}
