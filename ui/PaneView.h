// The two image panes of the main dialog on screen: placing them over their
// placeholders, drawing them through the host, the navigator's red frame and
// repaint requests. The arithmetic lives in ui/model/.
#pragma once
#include <windows.h>

#include "planes/PreviewState.h"

// Places the pane over its placeholder control and allocates its buffers;
// false when a buffer cannot be allocated.
bool setUpPane(HWND dialog, PaneState* pane, int controlId);
// Returns both panes' buffers to the allocator.
void releasePaneBuffers();

// A black border with a one-pixel gap, then the pixels through displayPixels.
void drawPane(HDC dc, const PaneState& pane);
// The red frame of the preview's area over the navigator; returns where it went.
Rect drawNavigatorFrame(HWND dialog);
// Repaints the pane later, unless the host's result cell reports an error.
void invalidatePane(HWND dialog, const PaneState& pane);
