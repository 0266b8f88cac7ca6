#include "ui/model/PaneLayout.h"

#include <cstdio>

#include "base/SamplingRate.h"

namespace {

int larger(int a, int b) { return a > b ? a : b; }
int smaller(int a, int b) { return a < b ? a : b; }
// n / d rounded to the nearest whole number, halves to even (n, d positive).
long roundedQuotient(long n, long d) {
    long q = n / d, r = n % d;
    if (2 * r > d || (2 * r == d && (q & 1) != 0)) ++q;
    return q;
}
int16_t lowestBitCleared(int16_t v) { return int16_t(uint16_t(v) & 0xFFFEu); }

// The sampled pixels a level asks for each way: at step k the host has
// F.right / k - F.left / k of them; an enlarged level fits the area's
// pixels divided by the enlargement. Level 0 fits F whole.
struct LevelBuffer {
    int width, height;
};
LevelBuffer levelBuffer(const Rect& f, const Rect& area, const ZoomState& zoom, int level) {
    int k = zoomStepAt(zoom, level);
    int m = zoomMagnifyAt(zoom, level);
    int w = f.right / k - f.left / k, h = f.bottom / k - f.top / k;
    if (level == 0) return {w, h};
    return {smaller(w, rectWidth(area) / m), smaller(h, rectHeight(area) / m)};
}

// The pixel of the picture nearest to p.
Point16Xy insidePicture(Point16Xy p, const Rect& r) {
    Point16Xy c = p;
    c.x = int16_t(c.x < r.left ? r.left : c.x >= r.right ? larger(r.left, r.right - 1) : c.x);
    c.y = int16_t(c.y < r.top ? r.top : c.y >= r.bottom ? larger(r.top, r.bottom - 1) : c.y);
    return c;
}

}  // namespace

void layOutPane(const Rect& placeholder, const Rect& f, PaneState* pane) {
    Rect shrunk = placeholder;
    insetRect(&shrunk, 2, 2);
    // The smallest whole step at which F fits the area: the picture of the
    // whole image takes as much of the pane as it can.
    int dw = larger(rectWidth(shrunk), 1), dh = larger(rectHeight(shrunk), 1);
    int fw = rectWidth(f), fh = rectHeight(f);
    int k = larger(1, larger((fw + dw - 1) / dw, (fh + dh - 1) / dh));
    pane->sourceRect = {int16_t(f.top / k), int16_t(f.left / k), int16_t(f.bottom / k), int16_t(f.right / k)};
    pane->samplingRate = rateOfStep(k);
    int w = rectWidth(pane->sourceRect), h = rectHeight(pane->sourceRect);
    int left = (placeholder.left + placeholder.right - w) / 2;
    int top = (placeholder.top + placeholder.bottom - h) / 2;
    pane->displayRect = {int16_t(top), int16_t(left), int16_t(top + h), int16_t(left + w)};
    pane->bufferWidth = int16_t(w);
    pane->bufferHeight = int16_t(h);
    pane->planeCount = 3;
    pane->magnify = 1;
    pane->pixelCount = w * h;
    pane->areaRect = shrunk;
    pane->capacity = larger(rectWidth(shrunk), 1) * larger(rectHeight(shrunk), 1);
}

void buildZoomTable(const Rect& f, const PaneState& preview, ZoomState* zoom) {
    int fw = rectWidth(f), fh = rectHeight(f);
    // Level 0 shows the whole image at the step the preview was laid out
    // with; each level above halves the step, down to 1 at topLevel; the
    // enlarged levels follow.
    int wholeStep = stepOfRate(preview.samplingRate) > 1 ? stepOfRate(preview.samplingRate) : 1;
    int top = 0;
    while ((1 << top) < wholeStep && top < kMaxZoomLevels - 1 - kEnlargedLevels) ++top;
    zoom->topLevel = int16_t(top);
    zoom->maxLevel = int16_t(top + kEnlargedLevels);
    zoom->levelStep[0] = int16_t(wholeStep);
    zoom->levelMagnify[0] = 1;
    for (int i = 1; i <= zoom->maxLevel; ++i) {
        zoom->levelStep[i] = int16_t(i <= top ? 1 << (top - i) : 1);
        zoom->levelMagnify[i] = int16_t(i <= top ? 1 : 1 << (i - top));
    }
    for (int i = 0; i <= zoom->maxLevel; ++i) {
        LevelBuffer b = levelBuffer(f, preview.areaRect, *zoom, i);
        int k = zoom->levelStep[i];
        zoom->levelWidth[i] = int16_t(i == 0 ? fw : smaller(b.width * k, fw));
        zoom->levelHeight[i] = int16_t(i == 0 ? fh : smaller(b.height * k, fh));
    }
    zoom->stepDown[0] = zoom->stepRight[0] = 0;
    for (int i = 1; i <= zoom->maxLevel; ++i) {
        zoom->stepDown[i] = int16_t((zoom->levelHeight[i - 1] - zoom->levelHeight[i]) / 2);
        zoom->stepRight[i] = int16_t((zoom->levelWidth[i - 1] - zoom->levelWidth[i]) / 2);
    }
}

void formatZoomLabel(int step, int magnify, char* text, size_t size) {
    if (magnify > 1) {
        std::snprintf(text, size, "%d%%", 100 * magnify);
        return;
    }
    if (step < 1) step = 1;
    if (step <= 10) {  // 10 % and more: whole percent or one decimal
        long tenths = roundedQuotient(1000, step);
        if (tenths % 10 == 0)
            std::snprintf(text, size, "%ld%%", tenths / 10);
        else
            std::snprintf(text, size, "%ld.%ld%%", tenths / 10, tenths % 10);
        return;
    }
    long hundredths = roundedQuotient(10000, step);
    std::snprintf(text, size, "%ld.%02ld%%", hundredths / 100, hundredths % 100);
}

void computeVisibleRegion(const Rect& f, ZoomState* zoom, PaneState* preview) {
    int level = zoom->level;
    int lw = zoom->levelWidth[level], lh = zoom->levelHeight[level];
    int k = zoomStepAt(*zoom, level);
    int m = zoomMagnifyAt(*zoom, level);
    Rect r = {zoom->viewTop, zoom->viewLeft, int16_t(zoom->viewTop + lh), int16_t(zoom->viewLeft + lw)};
    bool outside = r.left < f.left || r.left > f.right || r.right < f.left || r.right > f.right || r.top < f.top ||
                   r.top > f.bottom || r.bottom < f.top || r.bottom > f.bottom;
    if (outside) {
        int top = r.top < f.bottom - lh ? r.top : f.bottom - lh;
        int left = r.left < f.right - lw ? r.left : f.right - lw;
        moveRectTo(&r, &r, top > f.top ? top : f.top, left > f.left ? left : f.left);
    }
    // Even origins keep the region on the proxy's grid; at 100 % there is no
    // grid to keep, and the region stays inside the filter rectangle.
    if (k > 1) moveRectTo(&r, &r, lowestBitCleared(r.top), lowestBitCleared(r.left));

    // The level's buffer, shown centred in the pane's area.
    LevelBuffer b = levelBuffer(f, preview->areaRect, *zoom, level);
    preview->bufferWidth = int16_t(b.width);
    preview->bufferHeight = int16_t(b.height);
    preview->pixelCount = b.width * b.height;
    preview->magnify = int16_t(m);
    const Rect& area = preview->areaRect;
    int shownW = b.width * m, shownH = b.height * m;
    int left = (area.left + area.right - shownW) / 2, top = (area.top + area.bottom - shownH) / 2;
    preview->displayRect = {int16_t(top), int16_t(left), int16_t(top + shownH), int16_t(left + shownW)};

    Rect source = {int16_t(r.top / k), int16_t(r.left / k), 0, 0};
    source.right = int16_t(source.left + b.width);
    source.bottom = int16_t(source.top + b.height);
    preview->sourceRect = source;
    preview->samplingRate = rateOfStep(k);

    // The region the request shows, relative to F: the source rectangle back
    // in image pixels (it starts on the step's grid, at or before r).
    int regionTop = source.top * k - f.top, regionLeft = source.left * k - f.left;
    int height = b.height * k, width = b.width * k;
    regionTop = regionTop > 0 ? regionTop : 0;
    regionLeft = regionLeft > 0 ? regionLeft : 0;
    preview->regionRect = {int16_t(regionTop), int16_t(regionLeft), int16_t(regionTop + height),
                           int16_t(regionLeft + width)};
    zoom->viewTop = r.top;
    zoom->viewLeft = r.left;
}

ZoomButtons zoomButtonsFor(const ZoomState& zoom) {
    ZoomButtons b = {zoom.level < zoom.maxLevel, zoom.level > 0, 0};
    if (!b.plusEnabled) b.focus = 40;
    if (!b.minusEnabled) b.focus = 41;
    return b;
}

ZoomButtons zoomIn(ZoomState* zoom) {
    if (zoom->level < zoom->maxLevel) {
        zoom->level = int16_t(zoom->level + 1);
        zoom->viewTop = int16_t(zoom->viewTop + zoom->stepDown[zoom->level]);
        zoom->viewLeft = int16_t(zoom->viewLeft + zoom->stepRight[zoom->level]);
    }
    return zoomButtonsFor(*zoom);
}

ZoomButtons zoomOut(ZoomState* zoom) {
    if (zoom->level > 0) {
        zoom->viewTop = int16_t(zoom->viewTop - zoom->stepDown[zoom->level]);
        zoom->viewLeft = int16_t(zoom->viewLeft - zoom->stepRight[zoom->level]);
        zoom->level = int16_t(zoom->level - 1);
    }
    return zoomButtonsFor(*zoom);
}

Point16Xy previewToImage(Point16Xy p, const PaneState& preview, const ZoomState& zoom) {
    int k = zoomStepAt(zoom, zoom.level);
    int m = zoomMagnifyAt(zoom, zoom.level);
    int x = zoom.viewLeft + (p.x - preview.displayRect.left) * k / m;
    int y = zoom.viewTop + (p.y - preview.displayRect.top) * k / m;
    return {int16_t(x), int16_t(y)};
}

void zoomAround(const Rect& f, ZoomState* zoom, PaneState* preview, int level, Point16Xy p) {
    if (level < 0 || level > zoom->maxLevel || level == zoom->level) return;
    // Where the pointer is over the picture now, and in the image.
    Point16Xy onPicture = insidePicture(p, preview->displayRect);
    Point16Xy q = previewToImage(onPicture, *preview, *zoom);
    int fromLeft = onPicture.x - preview->areaRect.left, fromTop = onPicture.y - preview->areaRect.top;
    // The new level's picture, centred in the area, puts q back under the pointer.
    zoom->level = int16_t(level);
    LevelBuffer b = levelBuffer(f, preview->areaRect, *zoom, level);
    int k = zoomStepAt(*zoom, level);
    int m = zoomMagnifyAt(*zoom, level);
    int marginX = (rectWidth(preview->areaRect) - b.width * m) / 2;
    int marginY = (rectHeight(preview->areaRect) - b.height * m) / 2;
    zoom->viewLeft = int16_t(q.x - (fromLeft - marginX) * k / m);
    zoom->viewTop = int16_t(q.y - (fromTop - marginY) * k / m);
    computeVisibleRegion(f, zoom, preview);
}

void panBy(const Rect& f, ZoomState* zoom, PaneState* preview, int16_t fromTop, int16_t fromLeft, int dx, int dy) {
    int k = zoomStepAt(*zoom, zoom->level);
    int m = zoomMagnifyAt(*zoom, zoom->level);
    // Screen pixels to image pixels; the picture moves with the pointer.
    long left = fromLeft - long(dx) * k / m, top = fromTop - long(dy) * k / m;
    zoom->viewLeft = int16_t(left < f.left ? f.left : left > f.right ? f.right : left);
    zoom->viewTop = int16_t(top < f.top ? f.top : top > f.bottom ? f.bottom : top);
    computeVisibleRegion(f, zoom, preview);
}

Point16Xy navigatorToImage(Point16Xy p, const PaneState& navigator, const Rect& f) {
    int16_t s = int16_t(stepOfRate(navigator.samplingRate));
    return {int16_t(s * (p.x - navigator.displayRect.left) + f.left), int16_t(s * (p.y - navigator.displayRect.top) + f.top)};
}

Rect navigatorFrameRect(const Rect& f, const PaneState& preview, const PaneState& navigator) {
    int step = stepOfRate(preview.samplingRate), navStep = stepOfRate(navigator.samplingRate);
    if (navStep < 1) navStep = 1;
    // The area the preview shows, in image pixels relative to F (wide enough
    // not to overflow), then in navigator pixels.
    int top = preview.sourceRect.top * step - f.top, left = preview.sourceRect.left * step - f.left;
    int bottom = preview.sourceRect.bottom * step - f.top, right = preview.sourceRect.right * step - f.left;
    const Rect& n = navigator.displayRect;
    int height = rectHeight(n), width = rectWidth(n);
    top /= navStep, left /= navStep, bottom /= navStep, right /= navStep;
    // Never smaller than can be seen and grabbed, never beyond the navigator.
    auto fit = [](int& lo, int& hi, int extent) {
        if (hi - lo < kSmallestFrame) {
            int centre = (lo + hi) / 2;
            lo = centre - kSmallestFrame / 2;
            hi = lo + kSmallestFrame;
        }
        if (hi - lo > extent) lo = 0, hi = extent;
        if (lo < 0) hi -= lo, lo = 0;
        if (hi > extent) lo -= hi - extent, hi = extent;
    };
    fit(top, bottom, height);
    fit(left, right, width);
    return {int16_t(n.top + top), int16_t(n.left + left), int16_t(n.top + bottom), int16_t(n.left + right)};
}
