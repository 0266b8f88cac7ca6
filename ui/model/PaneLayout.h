// The dialog's pane and zoom arithmetic, free of Win32 so it builds and is
// tested natively; the dialog's message handling only calls it. Rectangles are
// top, left, bottom, right; F is the host's filter rectangle.
#pragma once

#include <cstddef>

#include "planes/PaneState.h"

// Places a pane over its placeholder (the placeholder's window rectangle in
// client coordinates): the smallest sampling step k at which F fits the
// shrunken area (areaRect), sourceRect = F / k, samplingRate = k << 16, the centred
// displayRect, the buffer size and the capacity its buffers need for the
// whole area.
void layOutPane(const Rect& placeholder, const Rect& f, PaneState* pane);

// The zoom levels for the preview pane laid out over F: level 0 at the
// pane's step (the whole image), each level above at half the step of the
// one below, topLevel at step 1 (100 %), then 200 % and 400 % (each pixel
// enlarged); per level the sampling step, the enlargement, the visible
// region's size (as much of the image as the pane's area shows) and the
// origin steps.
void buildZoomTable(const Rect& f, const PaneState& preview, ZoomState* zoom);

// The scale of sampling step `step` as the zoom label shows it: 1 / step in
// percent, whole or with one decimal from 10 % up, with two decimals below
// ("100%", "50%", "33.3%", "20%", "12.5%", "9.09%", "6.25%", "3.12%" ...);
// an enlarged level is "200%" or "400%".
void formatZoomLabel(int step, int magnify, char* text, size_t size);

// Turns the view origin and level into the preview's request (sourceRect,
// samplingRate, buffer size, enlargement), where it is shown (displayRect,
// centred in the area) and the region it shows relative to F (regionRect);
// clamps the origin into F and, below 100 %, makes it even.
void computeVisibleRegion(const Rect& f, ZoomState* zoom, PaneState* preview);

// What the dialog must do after "+" or "-".
struct ZoomButtons {
    bool plusEnabled;
    bool minusEnabled;
    int focus;  // control id to receive the focus, 0 for no change
};
// The buttons for the current level: "+" below the last level, "-" above
// level 0; the focus leaves a button that becomes disabled.
ZoomButtons zoomButtonsFor(const ZoomState& zoom);
ZoomButtons zoomIn(ZoomState* zoom);
ZoomButtons zoomOut(ZoomState* zoom);

// A navigator point (client coordinates) in image coordinates, 16-bit arithmetic.
struct Point16Xy {
    int16_t x, y;
};
Point16Xy navigatorToImage(Point16Xy p, const PaneState& navigator, const Rect& f);
// A preview point (client coordinates) in image coordinates at the current level.
Point16Xy previewToImage(Point16Xy p, const PaneState& preview, const ZoomState& zoom);

// The wheel: goes to `level` keeping the image point under p (client
// coordinates; a point beside the picture counts as its nearest edge) under
// p where the image allows, and computes the visible region.
void zoomAround(const Rect& f, ZoomState* zoom, PaneState* preview, int level, Point16Xy p);
// Dragging the picture: the view origin that was (fromTop, fromLeft) when
// the drag began, moved against the pointer's travel (dx, dy screen pixels)
// at the level's scale, clamped into F; computes the visible region.
void panBy(const Rect& f, ZoomState* zoom, PaneState* preview, int16_t fromTop, int16_t fromLeft, int dx, int dy);

// The red frame: the preview's source area drawn over the navigator, at
// least kSmallestFrame pixels each way (so that a sliver of a view can still
// be seen and grabbed) and always inside the navigator.
constexpr int kSmallestFrame = 7;
Rect navigatorFrameRect(const Rect& f, const PaneState& preview, const PaneState& navigator);
