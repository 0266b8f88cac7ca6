#include "planes/PreviewState.h"

PreviewMode previewMode = PreviewMode::After;
ZoomState zoomState = {};
PaneState previewPane = {};
PaneState navigatorPane = {};
bool recomputePending = false;

void clearPaneState(PaneState* pane) {
    clearRect(&pane->sourceRect);
    clearRect(&pane->displayRect);
    clearRect(&pane->regionRect);
    pane->samplingRate = 0;
    pane->bufferWidth = 0;
    pane->bufferHeight = 0;
    pane->pixelCount = 0;
    pane->rgbBuffer = nullptr;
    pane->maskBuffer = nullptr;
}
