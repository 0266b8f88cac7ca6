// The mask adjustment's passes on AVX2 vectors.
#include "base/VectorAvx2.h"
#include "engine/MaskAdjustVector.h"

const MaskAdjustKernels& maskAdjustAvx2() { return MaskAdjustSet<Avx2Vectors>::kernels; }
