// The dialog's pane and zoom arithmetic, free of Win32 so it builds and is
// tested natively; the dialog's message handling only calls it. Rectangles are
// top, left, bottom, right; F is the host's filter rectangle.
#pragma once

#include <cstddef>

#include "planes/PaneState.h"

// Places a pane over its placeholder (the placeholder's window rectangle in
// client coordinates): the sampling step k that fits F into the shrunken area,
// sourceRect = F / k, samplingRate = k << 16, the centred displayRect and the
// buffer size.
void layOutPane(const Rect& placeholder, const Rect& f, PaneState* pane);

// The zoom levels for the preview pane: topLevel (100 %) and the visible
// region's size and origin steps per level.
void buildZoomTable(const Rect& f, const PaneState& preview, ZoomState* zoom);

// "100%", "50%", "25%", "12.5%", "6.25%" ... for the level's distance from topLevel.
void formatZoomLabel(int level, int topLevel, char* text, size_t size);

// Turns the view origin and level into the preview's request (sourceRect,
// samplingRate, regionRect relative to F); clamps and evens the origin.
void computeVisibleRegion(const Rect& f, ZoomState* zoom, PaneState* preview);

// What the dialog must do after "+" or "-".
struct ZoomButtons {
    bool plusEnabled;
    bool minusEnabled;
    int focus;  // control id to receive the focus, 0 for no change
};
ZoomButtons zoomIn(ZoomState* zoom);
ZoomButtons zoomOut(ZoomState* zoom);

// A navigator point (client coordinates) in image coordinates, 16-bit arithmetic.
struct Point16Xy {
    int16_t x, y;
};
Point16Xy navigatorToImage(Point16Xy p, const PaneState& navigator, const Rect& f);

// The red frame: the preview's source area drawn over the navigator.
Rect navigatorFrameRect(const Rect& f, const PaneState& preview, const PaneState& navigator);
