// The bilinear family's two blends on vectors, one set per instruction set
// (planes/Bilinear{Sse2,Avx2,Avx512}.cpp, all from BilinearVector.h): the
// horizontal blends of a block of destination columns on one source row and
// the row below, and the vertical blend value = upper + (lower - upper) * fy
// with each member's store of it, all in double as in Bilinear.cpp. Each
// routine does n rounded down to a multiple of its vector width and returns
// that count; the caller does the rest one sample at a time.
#pragma once
#include <cstddef>
#include <cstdint>

// One block's source columns, as the vector blend reads them: indices into a
// span of source samples that starts at the block's first source column.
struct BlendColumns {
    const int32_t* left;        // tl's index
    const int32_t* right;       // tr's index; tl's own on the plane's last column
    const double* fx;           // horizontal weights
    const double* lastColumn;   // 1 where cc + 1 reaches the plane's edge (no blending), else 0
    int count, span;            // columns; samples in the span
};

struct BilinearKernels {
    // upper[k] = tl + (tr - tl) * fx and lower[k] = bl + (br - bl) * fx, or
    // tl for both on the last column, or lower = tr on the last row (below is
    // null there). row and below address the span's first sample; scratch
    // holds 2 * span + 16 doubles.
    int (*blend)(const uint8_t* row, const uint8_t* below, const BlendColumns* columns, double* upper,
                 double* lower, double* scratch);
    // The same on a float source.
    int (*blendFloats)(const float* row, const float* below, const BlendColumns* columns, double* upper,
                       double* lower, double* scratch);
    // dst[k] = value rounded to float.
    ptrdiff_t (*toFloat)(const double* upper, const double* lower, double fy, float* dst, ptrdiff_t n);
    // dst[k] = round(value): clamp high-first, add 0.5, truncate.
    ptrdiff_t (*toBytes)(const double* upper, const double* lower, double fy, uint8_t* dst, ptrdiff_t n);
    // dst[k] = value > 0 ? float(dst[k] / value * 255) : 255.
    ptrdiff_t (*divide)(const double* upper, const double* lower, double fy, float* dst, ptrdiff_t n);
};

const BilinearKernels& bilinearSse2();
const BilinearKernels& bilinearAvx2();
const BilinearKernels& bilinearAvx512();
