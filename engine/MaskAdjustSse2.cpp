// The mask adjustment's passes on SSE2 vectors.
#include "base/VectorSse2.h"
#include "engine/MaskAdjustVector.h"

const MaskAdjustKernels& maskAdjustSse2() { return MaskAdjustRows<Sse2Vectors>::kernels; }
