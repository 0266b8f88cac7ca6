// The navigator's mouse handling, free of Win32: what a press, a move and a
// release of the left button do to the view, the preview mode and the pointer.
// The dialog feeds it client coordinates and carries out the returned effect
// (capture, visible region, repaint, pointer shape).
#pragma once

#include "planes/PaneState.h"
#include "ui/model/PaneLayout.h"

enum class PointerShape { Host, PointingHand, GrabbingHand, OpenHand };

struct NavigatorDrag {
    bool dragging;
    bool dragMoved;
    int16_t grabX, grabY;  // from the view origin to the grabbed image point
    Point16Xy previous;    // the previous drag point
    Rect frame;            // the red frame as last drawn (client coordinates)
    PointerShape pointer;  // the pointer set on every cursor request
};

// Dragging on the preview itself: the picture (panning) or the split view's divider.
struct PreviewDrag {
    bool panning;
    bool movingDivider;
    Point16Xy start;                // where the button went down
    int16_t startTop, startLeft;    // the view origin then
};

// What the dialog must do after a mouse message.
struct DragEffect {
    bool capture;         // take the mouse
    bool release;         // let the mouse go
    bool moveView;        // the view origin changed: visible region and proxy mapping
    bool repaint;         // invalidate the preview and the navigator
};

// Inclusive of all four edges, as the navigator's hit tests are.
bool pointInRectInclusive(Point16Xy p, const Rect& r);
// p limited to the rectangle's edges.
Point16Xy clampIntoRect(Point16Xy p, const Rect& r);

// The navigator's part of the preview state the handlers change.
struct NavigatorContext {
    const Rect& filterRect;
    const PaneState& navigator;
    ZoomState* zoom;
    PreviewMode* mode;
};

DragEffect navigatorButtonDown(NavigatorDrag* drag, Point16Xy p, const NavigatorContext& ctx);
// `leftButtonOnly`: the key state is exactly the left button, no modifier.
DragEffect navigatorMouseMove(NavigatorDrag* drag, Point16Xy p, bool leftButtonOnly, const NavigatorContext& ctx);
// `afterChecked`: the "After" radio button is checked.
DragEffect navigatorButtonUp(NavigatorDrag* drag, Point16Xy p, bool afterChecked, const NavigatorContext& ctx);
