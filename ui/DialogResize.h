// The main dialog's frame on screen: the size it opens at (kept per user in
// the registry), the smallest size (the layout's own), and the controls
// following a resize. The arithmetic is in ui/model/DialogFrame.
#pragma once
#include <windows.h>

#include "ui/model/DialogFrame.h"

constexpr int kMaxAnchoredControls = 40;

struct FrameLayout {
    unsigned dpi;        // the monitor's dots per inch the places below are for
    SIZE minimumWindow;  // the window's size as the layout made it
    SIZE client;         // its client area then
    int count;
    struct Item {
        int id;
        Anchor anchor;
        Rect original;  // client coordinates at the layout's size
    } items[kMaxAnchoredControls];
};

// Records the controls' places at the layout's size.
void captureFrame(HWND dialog, FrameLayout* frame);
// The dialog moved to a monitor of another text size: the recorded places
// scaled to it (the system scales the controls and fonts of the dialog).
void rescaleFrame(FrameLayout* frame, unsigned dpi);
// The dots per inch of the monitor the window is on (the system's where
// Windows has no per-monitor value).
unsigned dpiOf(HWND window);
// Where Windows offers it, the calling thread becomes per-monitor DPI aware
// (version 2) so that the dialog is drawn at the monitor's own scale; returns
// the awareness to restore, or null.
void* becomePerMonitorDpiAware();
void restoreDpiAwareness(void* previous);
// Moves every control for the current client size.
void applyFrame(HWND dialog, const FrameLayout& frame);
// Opens at the size kept from the last time, or at the default for the
// monitor it is on, centred on that monitor's work area.
void placeAtOpeningSize(HWND dialog, const FrameLayout& frame);
// Keeps the dialog's size (as it is when not maximised) for the next time.
void keepSize(HWND dialog);

// The registry key (under HKEY_CURRENT_USER) and values the size is kept in.
constexpr const char* kFrameKey = "SOFTWARE\\TARVIC\\MLX Plug-Ins\\VLM\\10";
constexpr const char* kFrameWidthValue = "Dialog Width";
constexpr const char* kFrameHeightValue = "Dialog Height";
