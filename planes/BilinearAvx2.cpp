// The bilinear family's vertical step on AVX2 vectors.
#include "base/VectorAvx2.h"
#include "planes/BilinearVector.h"

const BilinearKernels& bilinearAvx2() { return BilinearRows<Avx2Vectors>::kernels; }
