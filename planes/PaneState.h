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
    Rect areaRect;         // where the pane may draw (its placeholder inside the border), client coordinates
    int16_t bufferWidth;   // the sampled pixels asked for
    int16_t bufferHeight;
    int16_t planeCount;    // 3
    int16_t magnify;       // screen pixels per sampled pixel each way (1, or 2 and 4 above 100 %)
    int32_t pixelCount;    // bufferWidth * bufferHeight
    int32_t capacity;      // pixels the buffers hold: the whole area
    uint8_t* rgbBuffer;    // the picture as shown (pixels enlarged), interleaved RGB, packed rows
    uint8_t* maskBuffer;   // pixelCount bytes, the selection mask
};

// The picture's size on screen: the sampled pixels, each enlarged `magnify` times.
inline int paneShownWidth(const PaneState& p) { return p.bufferWidth * (p.magnify > 1 ? p.magnify : 1); }
inline int paneShownHeight(const PaneState& p) { return p.bufferHeight * (p.magnify > 1 ? p.magnify : 1); }

// The preview's zoom: level 0 shows the whole image, topLevel shows one image
// pixel per screen pixel (100 %), the two levels above it enlarge each pixel
// to 2 x 2 and 4 x 4 screen pixels (200 %, 400 %). Built at dialog set-up and
// again when the preview's area changes.
constexpr int kMaxZoomLevels = 17;
constexpr int kEnlargedLevels = 2;
struct ZoomState {
    int16_t level;
    int16_t topLevel;                 // at most 14
    int16_t maxLevel;                 // topLevel + kEnlargedLevels
    int16_t viewTop, viewLeft;        // image row and column of the visible region's corner
    int16_t stepDown[kMaxZoomLevels];  // origin steps when zooming in to level i (entry 0 is 0)
    int16_t stepRight[kMaxZoomLevels];
    int16_t levelWidth[kMaxZoomLevels];  // visible region size in image pixels per level
    int16_t levelHeight[kMaxZoomLevels];
    // The sampling step each level shows the image at (1 at topLevel, 2 one
    // level below, ...; at level 0 the step that fits the whole image): the
    // scale the level's label names is 1 / step.
    int16_t levelStep[kMaxZoomLevels];
    int16_t levelMagnify[kMaxZoomLevels];  // 1 up to topLevel, then 2 and 4
};

// A level's sampling step and enlargement, at least 1 each.
inline int zoomStepAt(const ZoomState& z, int level) { return z.levelStep[level] > 1 ? z.levelStep[level] : 1; }
inline int zoomMagnifyAt(const ZoomState& z, int level) { return z.levelMagnify[level] > 1 ? z.levelMagnify[level] : 1; }

// Clears the rectangles, the sampling rate, the buffer sizes and both buffer
// pointers of a pane (it does not free the buffers).
void clearPaneState(PaneState* pane);
