// The enlargement's rows on SSE2 vectors.
#include "base/VectorSse2.h"
#include "engine/ResampleVector.h"

const ResampleKernels& resampleSse2() {
    static const ResampleKernels kernels = {Sse2Vectors::kLanes, upsampleRow<Sse2Vectors>};
    return kernels;
}
