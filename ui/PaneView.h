// The two image panes of the main dialog on screen: placing them over their
// placeholders, drawing them through the host, the navigator's red frame and
// repaint requests. The arithmetic lives in ui/model/.
#pragma once
#include <windows.h>

#include "ui/Platform.h"
#include "ui/model/PreviewState.h"

// Places the pane over its placeholder control and allocates its buffers from
// the run's memory; false when a buffer cannot be allocated.
bool setUpPane(HWND dialog, const DialogInputs& in, PaneState* pane, int controlId);
// Returns both panes' buffers to the run's memory.
void releasePaneBuffers(const DialogInputs& in);

// A black border with a one-pixel gap, then the pixels through the host's
// displayPixels (or drawn directly when the host has none).
void drawPane(HDC dc, const DialogInputs& in, const PaneState& pane);
// The red frame of the preview's area over the navigator; returns where it went.
Rect drawNavigatorFrame(HWND dialog, const Rect& filterRect);
// Repaints the pane later, unless the run's result reports an error.
void invalidatePane(HWND dialog, const DialogInputs& in, const PaneState& pane);
