// The bilinear family's vertical step on AVX-512 vectors.
#include "base/VectorAvx512.h"
#include "planes/BilinearVector.h"

const BilinearKernels& bilinearAvx512() { return BilinearRows<Avx512Vectors>::kernels; }
