#include "planes/PaneState.h"

void clearPaneState(PaneState* pane) {
    clearRect(&pane->sourceRect);
    clearRect(&pane->displayRect);
    clearRect(&pane->regionRect);
    clearRect(&pane->areaRect);
    pane->samplingRate = 0;
    pane->bufferWidth = 0;
    pane->bufferHeight = 0;
    pane->pixelCount = 0;
    pane->capacity = 0;
    pane->magnify = 1;
    pane->rgbBuffer = nullptr;
    pane->maskBuffer = nullptr;
}
