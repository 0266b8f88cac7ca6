#include "ui/model/PreviewState.h"

PreviewMode previewMode = PreviewMode::After;
ZoomState zoomState = {};
PaneState previewPane = {};
PaneState navigatorPane = {};
bool recomputePending = false;
