// The plane conversions' rows on AVX2 vectors.
#include "base/VectorAvx2.h"
#include "planes/PlaneConvertVector.h"

const PlaneConvertKernels& planeConvertAvx2() { return PlaneRows<Avx2Vectors>::kernels; }
