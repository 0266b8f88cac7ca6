// The dialog-visible preview state: the preview mode, the two pane records and
// the recomputation flag. One module-level instance each, owned by the dialog,
// read by the preview render; the run's initialisation clears the panes.
#pragma once
#include <cstdint>

#include "planes/Rect.h"

enum class PreviewMode { After, Before };

struct PaneState {
    int32_t controlId;     // 32 preview, 30 navigator
    Rect sourceRect;       // area requested from the host, in sampled coordinates
    int32_t samplingRate;  // 16.16: the integer sampling step in the high half
    Rect displayRect;      // where the pixels are drawn, dialog client coordinates
    Rect regionRect;       // preview only: visible region, filter-relative then proxy
    int16_t bufferWidth;
    int16_t bufferHeight;
    int16_t planeCount;    // 3
    int32_t pixelCount;    // bufferWidth * bufferHeight
    uint8_t* rgbBuffer;    // pixelCount * 3 bytes, interleaved RGB, packed rows
    uint8_t* maskBuffer;   // pixelCount bytes, the selection mask
};

extern PreviewMode previewMode;
extern PaneState previewPane;
extern PaneState navigatorPane;
extern bool recomputePending;

// Clears the rectangles, the sampling rate, the buffer sizes and both buffer
// pointers of a pane (it does not free the buffers).
void clearPaneState(PaneState* pane);
