#include "ui/model/NavigatorDrag.h"

bool pointInRectInclusive(Point16Xy p, const Rect& r) {
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

Point16Xy clampIntoRect(Point16Xy p, const Rect& r) {
    Point16Xy c = p;
    if (c.x < r.left) c.x = r.left;
    if (c.x > r.right) c.x = r.right;
    if (c.y < r.top) c.y = r.top;
    if (c.y > r.bottom) c.y = r.bottom;
    return c;
}

namespace {

// The view origin that puts image point q at the grab offset from it.
void placeView(ZoomState* zoom, Point16Xy q, int16_t offsetX, int16_t offsetY) {
    zoom->viewLeft = int16_t(q.x - offsetX);
    zoom->viewTop = int16_t(q.y - offsetY);
}

}  // namespace

DragEffect navigatorButtonDown(NavigatorDrag* drag, Point16Xy p, const NavigatorContext& ctx) {
    DragEffect e = {};
    drag->previous = p;
    drag->dragMoved = false;
    if (!pointInRectInclusive(p, ctx.navigator.displayRect)) return e;
    drag->dragging = true;
    e.capture = true;
    // While dragging the preview shows unprocessed pixels, which need no recomputation.
    *ctx.mode = PreviewMode::Before;
    const ZoomState& zoom = *ctx.zoom;
    if (pointInRectInclusive(p, drag->frame)) {
        Point16Xy q = navigatorToImage(p, ctx.navigator, ctx.filterRect);
        drag->grabX = int16_t(q.x - zoom.viewLeft);
        drag->grabY = int16_t(q.y - zoom.viewTop);
        drag->pointer = PointerShape::GrabbingHand;
    } else {
        // The region will centre on the pointer.
        drag->grabX = int16_t(zoom.levelWidth[zoom.level] / 2);
        drag->grabY = int16_t(zoom.levelHeight[zoom.level] / 2);
        drag->pointer = PointerShape::PointingHand;
    }
    e.repaint = true;
    return e;
}

DragEffect navigatorMouseMove(NavigatorDrag* drag, Point16Xy p, bool leftButtonOnly, const NavigatorContext& ctx) {
    DragEffect e = {};
    if (leftButtonOnly) {
        if (!drag->dragging) return e;
        Point16Xy c = clampIntoRect(p, ctx.navigator.displayRect);
        drag->pointer = PointerShape::GrabbingHand;
        placeView(ctx.zoom, navigatorToImage(c, ctx.navigator, ctx.filterRect), drag->grabX, drag->grabY);
        drag->previous = c;
        drag->dragMoved = true;
        e.moveView = e.repaint = true;
        return e;
    }
    if (pointInRectInclusive(p, drag->frame))
        drag->pointer = PointerShape::OpenHand;
    else if (pointInRectInclusive(p, ctx.navigator.displayRect))
        drag->pointer = PointerShape::PointingHand;
    else
        drag->pointer = PointerShape::Host;
    return e;
}

DragEffect navigatorButtonUp(NavigatorDrag* drag, Point16Xy p, bool afterChecked, const NavigatorContext& ctx) {
    DragEffect e = {};
    if (!drag->dragging) return e;
    Point16Xy c = clampIntoRect(p, ctx.navigator.displayRect);
    if (afterChecked) *ctx.mode = PreviewMode::After;
    if (pointInRectInclusive(c, drag->frame)) {
        if (afterChecked) {
            e.moveView = drag->dragMoved;
            drag->dragMoved = false;
            e.repaint = true;
        }
    } else {
        // A click or release beside the frame centres the view on that point.
        const ZoomState& zoom = *ctx.zoom;
        placeView(ctx.zoom, navigatorToImage(c, ctx.navigator, ctx.filterRect),
                  int16_t(zoom.levelWidth[zoom.level] / 2), int16_t(zoom.levelHeight[zoom.level] / 2));
        e.moveView = e.repaint = true;
    }
    drag->pointer = PointerShape::OpenHand;
    drag->dragging = false;
    drag->dragMoved = false;
    e.release = true;
    return e;
}
