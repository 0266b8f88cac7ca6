// The enlargement's rows on AVX2 vectors.
#include "base/VectorAvx2.h"
#include "engine/ResampleVector.h"

const ResampleKernels& resampleAvx2() {
    static const ResampleKernels kernels = {Avx2Vectors::kLanes, upsampleRow<Avx2Vectors>};
    return kernels;
}
