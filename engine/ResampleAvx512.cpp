// The enlargement's rows on AVX-512 vectors.
#include "base/VectorAvx512.h"
#include "engine/ResampleVector.h"

const ResampleKernels& resampleAvx512() {
    static const ResampleKernels kernels = {Avx512Vectors::kLanes, upsampleRow<Avx512Vectors>};
    return kernels;
}
