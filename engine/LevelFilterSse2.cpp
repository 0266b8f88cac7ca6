// The level filter's interior rows on SSE2 vectors.
#include "base/VectorSse2.h"
#include "engine/LevelFilterVector.h"

const LevelFilterKernels& levelFilterSse2() {
    static const LevelFilterKernels kernels = {Sse2Vectors::kLanes, interiorRun<Sse2Vectors>};
    return kernels;
}
