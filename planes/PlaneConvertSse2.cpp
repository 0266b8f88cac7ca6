// The plane conversions' rows on SSE2 vectors.
#include "base/VectorSse2.h"
#include "planes/PlaneConvertVector.h"

const PlaneConvertKernels& planeConvertSse2() { return PlaneRows<Sse2Vectors>::kernels; }
