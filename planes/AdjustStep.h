// The mask adjustment step, the same for the run and for every preview
// recomputation: the engine gains derived from the current settings, then the
// three normalised masks adjusted into the proxy's adjusted planes (for a deep
// image, its float planes, and their bytes for the preview).
#pragma once

#include "engine/FilterParameters.h"
#include "planes/RenderInputs.h"

// A mask plane of the proxy is missing (the adjustment did not run).
constexpr int kAdjustMasksMissing = -10;

// 0, kAdjustMasksMissing, or the engine's negative code (EngineError set).
// previewBytes false: a deep image's adjusted masks are not rounded to bytes
// (no preview will show them).
int adjustProxyMasks(FilterParameters* p, const ProxyImage& proxy, bool previewBytes = true);
