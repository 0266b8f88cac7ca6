// The bilinear family's vertical step on SSE2 vectors.
#include "base/VectorSse2.h"
#include "planes/BilinearVector.h"

const BilinearKernels& bilinearSse2() { return BilinearRows<Sse2Vectors>::kernels; }
