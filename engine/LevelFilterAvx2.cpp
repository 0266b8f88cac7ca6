// The level filter's interior rows on AVX2 vectors.
#include "base/VectorAvx2.h"
#include "engine/LevelFilterVector.h"

const LevelFilterKernels& levelFilterAvx2() {
    static const LevelFilterKernels kernels = {Avx2Vectors::kLanes, interiorRun<Avx2Vectors>};
    return kernels;
}
