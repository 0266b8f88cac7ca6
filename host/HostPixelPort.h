// The pixel port over the host's filter record and advanceState: the one
// module that asks the host for pixels and writes pixels back, and the one
// place where hosts' differences are handled:
// - A host that does not sample (samplingSupport 0), that honours a rate only
//   while the sampled rectangle fits within the image divided by the rate, or
//   that answers with another rate: the port reads full-resolution strips and
//   takes every k-th pixel itself, the pixels a sampling host delivers, a few
//   rows at a time.
// - A host that answers a single-plane request with planes 0..n-1: the port
//   always asks from plane 0 and points at the planes wanted.
// - A host that refills its buffer only when the rectangle changes: a request
//   of the same rectangle with other planes or another rate is preceded by a
//   request of another rectangle.
// - A host that delivers no buffer, or one whose rectangle, rate or row bytes
//   do not fit the request: filterBadParameters, nothing read outside.
// - Deep images (depth 16): samples of two bytes; a buffer at an odd address
//   or with odd row bytes, or holding a sample above 32768 (8-bit data, say),
//   does not fit either.
// Every advanceState's code goes into the result cell.
#pragma once

#include "planes/PixelPort.h"

// The port of the current run. resetHostPixelPort forgets what the port knew of
// earlier requests and its buffers (tracked blocks, released with the run).
PixelPort& hostPixelPort();
void resetHostPixelPort();
