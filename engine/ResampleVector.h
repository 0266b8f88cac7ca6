// The body of the enlargement's row, written once over a set of vector
// operations V (base/Vector*.h) and compiled once per instruction set. One
// vector holds kLanes consecutive source columns c: the even outputs 2c and
// the odd outputs 2c + 1 are summed in two vectors, each from 0 in the
// one-sample order (tap rows top to bottom, columns left to right, every
// term weight product * sample rounded to float), then interleaved.
#pragma once
#include <cstddef>

#include "engine/ResampleKernels.h"

namespace {

template <class V>
void upsampleRow(const float* top, ptrdiff_t pitch, int rows, const float* evenWeights, int evenColumns,
                 const float* oddWeights, int oddColumns, int pairs, float* out) {
    using F = typename V::F;
    auto block = [&](int c) {
        F even = V::zero(), odd = V::zero();
        for (int i = 0; i < rows; ++i) {
            const float* tap = top + ptrdiff_t(i) * pitch + c + 1;
            for (int m = 0; m < evenColumns; ++m)
                even = V::add(even, V::mul(V::set(evenWeights[i * 3 + m]), V::load(tap + m)));
            for (int m = 0; m < oddColumns; ++m)
                odd = V::add(odd, V::mul(V::set(oddWeights[i * 4 + m]), V::load(tap + m)));
        }
        V::storeInterleaved(out + 2 * ptrdiff_t(c), even, odd);
    };
    int c = 0;
    for (; c + V::kLanes <= pairs; c += V::kLanes) block(c);
    if (c < pairs) block(pairs - V::kLanes);  // overlaps the vector before: the same values again
}

}  // namespace
