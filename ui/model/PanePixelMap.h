// The pixel map a pane hands to the host's displayPixels: packed interleaved
// 8-bit RGB, with the selection as a simple pixel mask when the host has one.
#pragma once

#include "base/HostInterface.h"
#include "planes/PaneState.h"

// The 16-bit image modes shown as their 8-bit counterparts; others unchanged.
int32_t displayImageMode(int16_t hostImageMode);

// Fills `map` (and `mask`, linked in only when haveMask) for the pane's buffers.
void buildPanePixelMap(const PaneState& pane, int16_t hostImageMode, bool haveMask, PSPixelMap* map,
                       PSPixelMask* mask);
