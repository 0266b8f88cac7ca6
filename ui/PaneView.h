// The two image panes of the main dialog on screen: where their placeholders
// are, drawing them through the host, the navigator's red frame and repaint
// requests. The arithmetic lives in ui/model/.
#pragma once
#include <windows.h>

#include "ui/model/DialogSession.h"

// A placeholder control's window rectangle (it is hidden but keeps one) in
// client coordinates.
Rect placeholderRect(HWND dialog, int controlId);

// A black border with a one-pixel gap, then the pixels through the host's
// displayPixels (or drawn directly when the host has none).
void drawPane(HDC dc, const DialogSession& s, const PaneState& pane);
// The red frame of the preview's area over the navigator, in the paint
// context; returns where it went.
Rect drawNavigatorFrame(HDC dc, const DialogSession& s);
// Repaints the pane later, unless the dialog has ended.
void invalidatePane(HWND dialog, const DialogSession& s, const PaneState& pane);
