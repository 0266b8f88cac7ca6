// The bilinear family's last step on vectors, one set per instruction set
// (planes/Bilinear{Sse2,Avx2,Avx512}.cpp, all from BilinearVector.h): the
// vertical blend value = upper + (lower - upper) * fy of a block of
// destination columns, in double, and each member's store of it. Each
// routine does n rounded down to a multiple of its vector width and returns
// that count; the caller does the rest one sample at a time.
#pragma once
#include <cstddef>
#include <cstdint>

struct BilinearKernels {
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
