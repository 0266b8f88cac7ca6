// The mask adjustment's passes on AVX-512 vectors.
#include "base/VectorAvx512.h"
#include "engine/MaskAdjustVector.h"

const MaskAdjustKernels& maskAdjustAvx512() { return MaskAdjustSet<Avx512Vectors>::kernels; }
