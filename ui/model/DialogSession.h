// One run of the main dialog: everything the dialog holds from set-up to its
// end, in one record. The Win32 dialog keeps it in its window (handed over
// through the dialog's creation parameter), the headless stand-in on its
// stack; nothing of the dialog lives at file scope. The operations here are
// the parts of the dialog free of Win32, shared by both.
#pragma once

#include "planes/PreviewRender.h"
#include "ui/Platform.h"
#include "ui/model/NavigatorDrag.h"
#include "ui/model/PaneLayout.h"

struct DialogSession {
    DialogSession() = default;
    DialogSession(const DialogSession&) = delete;  // the preview points into the session
    DialogSession& operator=(const DialogSession&) = delete;

    // The settings as the dialog shows them: a copy of the run's record that
    // the preview works with, written to the record on OK only.
    FilterParameters settings = {};
    FilterParameters* record = nullptr;
    DialogInputs inputs = {};  // what the run handed over; inputs.preview.params points at `settings`
    // The settings the adjusted masks were last computed with.
    float adjustedAmount = 0, adjustedVibrance = 0;

    PreviewMode mode = PreviewMode::After;
    bool recomputePending = false;
    ZoomState zoom = {};
    PaneState previewPane = {}, navigatorPane = {};
    NavigatorDrag drag = {};
    PreviewDrag previewDrag = {};
    // Split view: Before left of the divider, After right of it; the divider
    // at client column splitAt (kept on the picture when drawn).
    bool split = false;
    int16_t splitAt = 0;
    uint8_t* beforeBuffer = nullptr;  // the Before half's picture, the preview's capacity

    bool ended = false;  // once ended nothing is repainted
    DialogEnd end = DialogEnd::NotCreated;
};

PreviewContext& previewOf(DialogSession& s);

// Set-up: copies the run's settings, lays the panes out over their
// placeholders (window rectangles in client coordinates), allocates their
// buffers and builds the zoom with the whole image in view. False when a
// buffer cannot be had; the session then holds nothing.
bool openSession(DialogSession* s, const DialogInputs& in, const Rect& previewPlaceholder,
                 const Rect& navigatorPlaceholder);
// Returns the pane buffers and the preview's copy of the proxy to the run's
// memory and records how the dialog ended. Safe to call more than once.
void endSession(DialogSession* s, DialogEnd end);

// The view origin or level changed: the preview's request and its region in the proxy.
void updateVisibleRegion(DialogSession* s);
// "+" or "-": the next level in or out, keeping the centre of the view.
ZoomButtons zoomSession(DialogSession* s, bool in);
// The wheel over the preview: `notches` levels in (positive) or out,
// keeping the image point under p (client coordinates) where it is.
ZoomButtons zoomSessionAround(DialogSession* s, int notches, Point16Xy p);
// The arrow keys: the view moves by an eighth of what it shows, (dx, dy) in
// eighths (-1, 0 or 1 each way).
void panSessionByKey(DialogSession* s, int dx, int dy);
// The dialog was resized: the preview is laid out again over its new
// placeholder at the same scale where the new zoom has it (else the whole
// image), keeping the centre of the view, and the navigator (the same size)
// moves to its new place. False when the preview's new buffers cannot be
// had; its old layout stays.
bool resizeSession(DialogSession* s, const Rect& previewPlaceholder, const Rect& navigatorPlaceholder);
// Fills the preview pane's picture: the mode's, or Before and After split
// at the divider.
int renderPreviewPane(DialogSession* s);
// The divider's column in the pane's picture (0 .. shown width).
int splitColumn(const DialogSession& s);

// The recomputation at the paint after a change, when one is pending:
// kPreviewDone, or the failure to end the dialog with.
int recomputeIfPending(DialogSession* s);
// OK: the masks adjusted for the settings shown (when they differ from the
// last adjustment), and the settings written to the run's record.
// kPreviewDone, or the failure to end the dialog with.
int confirmSettings(DialogSession* s);
// The end that a preview failure code calls for.
DialogEnd endForPreviewFailure(int code);
