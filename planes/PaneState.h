// The records the preview render fills and the dialog shows: a pane (what is
// asked of the host, where it is drawn, its buffers), the zoom levels and the
// preview mode. The dialog's session owns the instances (ui/model/DialogSession.h).
#pragma once
#include <cstdint>

#include "base/Rect.h"

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

// The preview's zoom: level 0 shows the whole image, topLevel shows one image
// pixel per screen pixel (100 %). Built at dialog set-up; lives for the dialog.
constexpr int kMaxZoomLevels = 15;
struct ZoomState {
    int16_t level;
    int16_t topLevel;                 // at most 14
    int16_t viewTop, viewLeft;        // image row and column of the visible region's corner
    int16_t stepDown[kMaxZoomLevels];  // origin steps when zooming in to level i (entry 0 is 0)
    int16_t stepRight[kMaxZoomLevels];
    int16_t levelWidth[kMaxZoomLevels];  // visible region size in image pixels per level
    int16_t levelHeight[kMaxZoomLevels];
    // The sampling step each level shows the image at (1 at topLevel, 2 one
    // level below, ...; at level 0 the step that fits the whole image): the
    // scale the level's label names is 1 / step.
    int16_t levelStep[kMaxZoomLevels];
};

// Clears the rectangles, the sampling rate, the buffer sizes and both buffer
// pointers of a pane (it does not free the buffers).
void clearPaneState(PaneState* pane);
