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

// The recomputation at the paint after a change, when one is pending:
// kPreviewDone, or the failure to end the dialog with.
int recomputeIfPending(DialogSession* s);
// OK: the masks adjusted for the settings shown (when they differ from the
// last adjustment), and the settings written to the run's record.
// kPreviewDone, or the failure to end the dialog with.
int confirmSettings(DialogSession* s);
// The end that a preview failure code calls for.
DialogEnd endForPreviewFailure(int code);
