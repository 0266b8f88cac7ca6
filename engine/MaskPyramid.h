// The mask pyramid: one colour channel becomes its mask, an edge-preserving
// multi-scale smoothing that estimates local brightness. Five levels: each is
// smoothed by the level filter, decimated into the next, and the change each
// deeper level's smoothing made is enlarged back and added in:
//   M = F1 + Up(C2 + Up(C3 + Up(C4 + Up(C5)))),  Ck = Fk - Pk.
//
// All memory comes from the caller: one float scratch buffer carved level by
// level (F: n floats, U: n floats, D: (w/2)(h/2) floats, then the rest for the
// next level and the resamplers' work areas). The caller's plane is written
// only by the top level's final combination, so after a failure it still holds
// the input channel.
#pragma once

#include <cstddef>

#include "engine/MaskSettings.h"

constexpr int maxPyramidDepth = 5;

// Range threshold g of the level filter at depth k (1 at the top).
float levelStrength(const MaskSettings* settings, int depth);

// Replaces plane (width x height) by its mask. 0 on success, -1 when the
// scratch or a resampler's work area is too small (EngineError says where).
int createMaskPyramid(float* plane, int width, int height, const MaskSettings* settings, float* scratch,
                      size_t scratchBytes, int depth);

// The least scratch, in bytes, with which createMaskPyramid succeeds on a
// width x height top plane: every level's F, U and D regions, and at each
// level the most the rest must hold (the deeper levels or a resampler's work
// area), one byte more where a check is strict.
size_t pyramidScratchBytes(int width, int height);
