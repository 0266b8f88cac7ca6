// The dialog's preview state: the preview mode, the zoom, the two pane records
// and the recomputation flag. One module-level instance each, owned by the
// dialog for its life and read by the preview render it calls.
#pragma once

#include "planes/PaneState.h"

extern PreviewMode previewMode;
extern ZoomState zoomState;
extern PaneState previewPane;
extern PaneState navigatorPane;
extern bool recomputePending;
