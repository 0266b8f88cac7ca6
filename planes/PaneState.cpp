#include "planes/PaneState.h"

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
