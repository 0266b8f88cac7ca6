// The Start selector: checks, settings, the proxy stage, the masks, the
// adjustment, the dialog and the full render. Reports through the result cell.
#pragma once

// The smallest image side, in either direction, that the plug-in filters.
constexpr int kMinimumImageSide = 350;

void runFilter();
