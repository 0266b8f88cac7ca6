// The main dialog's frame, free of Win32: the size it opens at, how each
// control follows a resize, and how long the preview waits after the last
// change before it is recomputed.
#pragma once

#include "base/Rect.h"

// A window size in pixels.
struct FrameSize {
    int width, height;
};

// What the registry gave for the size kept from the last time.
struct SavedSize {
    bool read;         // both values were there
    bool typed;        // both were 32-bit numbers
    long width, height;
};

// The size the dialog opens at on a monitor whose work area is `work`:
// the saved size when it is a sound one (read, typed, at least `minimum`,
// and fitting the work area); else as large as about 80 % of the work area
// allows, never below `minimum`.
FrameSize openingSize(const SavedSize& saved, FrameSize minimum, FrameSize work);

// How a control follows the dialog when it grows by (dx, dy) pixels.
enum class Anchor {
    Stay,       // keeps its place (left edge, above the preview's bottom)
    Grow,       // the preview: grows both ways
    Right,      // the column right of the preview: moves right
    Down,       // below the preview, left: moves down
    RightDown,  // the buttons at the bottom right: move right and down
    HalfRight,  // the title over the whole dialog: stays centred
};
Rect anchoredRect(const Rect& original, Anchor anchor, int dx, int dy);

// Milliseconds the preview waits after the last change: short while the
// recomputation is fast, so that the change is on screen within about
// 150 ms; at least 20 ms, so that a held key or a dragged thumb does not
// recompute for every step. `lastRecomputeMs` < 0: none measured yet.
unsigned recomputeDelayMs(int lastRecomputeMs);
