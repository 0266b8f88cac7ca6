// The level filter's interior rows on AVX-512 vectors.
#include "base/VectorAvx512.h"
#include "engine/LevelFilterVector.h"

const LevelFilterKernels& levelFilterAvx512() {
    static const LevelFilterKernels kernels = {Avx512Vectors::kLanes, interiorRun<Avx512Vectors>};
    return kernels;
}
