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

}  // namespace

void layOutPane(const Rect& placeholder, const Rect& f, PaneState* pane) {
    Rect shrunk = placeholder;
    insetRect(&shrunk, 2, 2);
    double dw = rectWidth(shrunk), dh = rectHeight(shrunk);
    double fw = rectWidth(f), fh = rectHeight(f);
    int k = larger(int((fw + dw) / dw + 0.5), int((fh + dh) / dh + 0.5));
    pane->sourceRect = {int16_t(f.top / k), int16_t(f.left / k), int16_t(f.bottom / k), int16_t(f.right / k)};
    pane->samplingRate = rateOfStep(k);
    int w = rectWidth(pane->sourceRect), h = rectHeight(pane->sourceRect);
    int left = (placeholder.left + placeholder.right - w) / 2;
    int top = (placeholder.top + placeholder.bottom - h) / 2;
    pane->displayRect = {int16_t(top), int16_t(left), int16_t(top + h), int16_t(left + w)};
    pane->bufferWidth = int16_t(w);
    pane->bufferHeight = int16_t(h);
    pane->planeCount = 3;
    pane->pixelCount = w * h;
}

void buildZoomTable(const Rect& f, const PaneState& preview, ZoomState* zoom) {
    int fw = rectWidth(f), fh = rectHeight(f);
    // Level 0 shows the whole image at the step the preview was laid out
    // with; each level above halves the step, down to 1 at topLevel.
    int wholeStep = stepOfRate(preview.samplingRate) > 1 ? stepOfRate(preview.samplingRate) : 1;
    int top = 0;
    while ((1 << top) < wholeStep && top < kMaxZoomLevels - 1) ++top;
    zoom->topLevel = int16_t(top);
    for (int i = top; i >= 1; --i) {
        int step = 1 << (top - i);
        zoom->levelStep[i] = int16_t(step);
        zoom->levelWidth[i] = int16_t(smaller(preview.bufferWidth * step, fw));
        zoom->levelHeight[i] = int16_t(smaller(preview.bufferHeight * step, fh));
    }
    zoom->levelStep[0] = int16_t(wholeStep);
    zoom->levelWidth[0] = int16_t(fw);
    zoom->levelHeight[0] = int16_t(fh);
    zoom->stepDown[0] = zoom->stepRight[0] = 0;
    for (int i = 1; i <= zoom->topLevel; ++i) {
        zoom->stepDown[i] = int16_t((zoom->levelHeight[i - 1] - zoom->levelHeight[i]) / 2);
        zoom->stepRight[i] = int16_t((zoom->levelWidth[i - 1] - zoom->levelWidth[i]) / 2);
    }
}

void formatZoomLabel(int step, char* text, size_t size) {
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
    int k = zoom->levelStep[level] > 1 ? zoom->levelStep[level] : 1;
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

    Rect source = {int16_t(r.top / k), int16_t(r.left / k), 0, 0};
    source.right = int16_t(source.left + preview->bufferWidth);
    source.bottom = int16_t(source.top + preview->bufferHeight);
    preview->sourceRect = source;
    preview->samplingRate = rateOfStep(k);

    // The region the request shows, relative to F: the source rectangle back
    // in image pixels (it starts on the step's grid, at or before r).
    int top = source.top * k - f.top, left = source.left * k - f.left;
    int height = preview->bufferHeight * k, width = preview->bufferWidth * k;
    top = top > 0 ? top : 0;
    left = left > 0 ? left : 0;
    preview->regionRect = {int16_t(top), int16_t(left), int16_t(top + height), int16_t(left + width)};
    zoom->viewTop = r.top;
    zoom->viewLeft = r.left;
}

ZoomButtons zoomIn(ZoomState* zoom) {
    ZoomButtons b = {true, true, 0};
    zoom->level = int16_t(zoom->level + 1);
    if (zoom->level >= zoom->topLevel) {
        b.plusEnabled = false;
        b.focus = 40;
        zoom->level = zoom->topLevel;
    }
    zoom->viewTop = int16_t(zoom->viewTop + zoom->stepDown[zoom->level]);
    zoom->viewLeft = int16_t(zoom->viewLeft + zoom->stepRight[zoom->level]);
    return b;
}

ZoomButtons zoomOut(ZoomState* zoom) {
    ZoomButtons b = {true, true, 0};
    zoom->level = int16_t(zoom->level - 1);
    if (zoom->level <= 0) {
        b.minusEnabled = false;
        b.focus = 41;
        zoom->level = 0;
    }
    zoom->viewTop = int16_t(zoom->viewTop - zoom->stepDown[zoom->level + 1]);
    zoom->viewLeft = int16_t(zoom->viewLeft - zoom->stepRight[zoom->level + 1]);
    return b;
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
