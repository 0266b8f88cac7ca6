// What the main dialog holds for its life, shared by the dialog's own
// procedure (ui/MainDialog.cpp), its preview window (ui/PreviewWindow.cpp)
// and its frame (ui/DialogResize.cpp). One record per dialog, handed over at
// creation and kept in the dialog window.
#pragma once
#include <windows.h>

#include "ui/DialogResize.h"
#include "ui/model/DialogSession.h"

struct MainDialog {
    const DialogInputs* inputs;  // what the run handed over
    DialogSession session;
    HCURSOR pointingHandCursor, grabbingHandCursor, openHandCursor, busyCursor, hostClassCursor, dividerCursor;
    HWND brightnessTrackbar, intensityTrackbar, previewWindow;
    FrameLayout frame;
    HBITMAP logo, templateLogo;  // the logo drawn for the monitor's scale, and the template's own
    int wheelRemainder;   // wheel travel short of a notch
    int lastRecomputeMs;  // the last recomputation's time, -1 before the first
};

MainDialog& dialogOf(HWND dialog);
HCURSOR cursorFor(const MainDialog& d, PointerShape shape);

// After a zoom: the buttons enabled as the level allows, the label, both panes repainted.
void showZoom(HWND dialog, MainDialog& d, const ZoomButtons& b);
// After the view moved: the preview and the navigator repainted.
void showViewMoved(HWND dialog, MainDialog& d);
// Ends the dialog after a failed recomputation or adjustment; an internal
// error has its message shown first.
INT_PTR endAfterFailure(HWND dialog, DialogSession& s, int code);
