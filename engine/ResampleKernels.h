// The enlargement's rows on vectors, one kernel per instruction set
// (engine/Resample{Sse2,Avx2,Avx512}.cpp, all from ResampleVector.h), with
// the bits of the one-sample loop in Resample.cpp.
#pragma once
#include <cstddef>

struct ResampleKernels {
    int lanes;  // column pairs per vector: a row must have at least this many
    // Output columns 0 .. 2 * pairs - 1 of one output row. top is the padded
    // copy's first tap row for the row (source row r - 1), pitch its row
    // length; taps of output column 2c start at top[c + 1], of 2c + 1 too.
    // evenWeights[i * 3 + m] and oddWeights[i * 4 + m] are the products
    // row weight i * column weight m, evenColumns and oddColumns the taps in
    // use (the weight of the others is 0).
    void (*upsampleRow)(const float* top, ptrdiff_t pitch, int rows, const float* evenWeights, int evenColumns,
                        const float* oddWeights, int oddColumns, int pairs, float* out);
};

const ResampleKernels& resampleSse2();
const ResampleKernels& resampleAvx2();
const ResampleKernels& resampleAvx512();
