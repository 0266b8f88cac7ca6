// The plane conversions' rows on AVX-512 vectors.
#include "base/VectorAvx512.h"
#include "planes/PlaneConvertVector.h"

const PlaneConvertKernels& planeConvertAvx512() { return PlaneRows<Avx512Vectors>::kernels; }
