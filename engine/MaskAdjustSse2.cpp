// The mask adjustment's passes on SSE2 vectors.
#include "base/VectorSse2.h"
#include "engine/MaskAdjustVector.h"

const MaskAdjustKernels& maskAdjustSse2() { return MaskAdjustSet<Sse2Vectors>::kernels; }
