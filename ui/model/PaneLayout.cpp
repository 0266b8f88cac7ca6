#include "ui/model/PaneLayout.h"

#include <cmath>
#include <cstdio>

#include "base/SamplingRate.h"

namespace {

int larger(int a, int b) { return a > b ? a : b; }
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
    double dw = rectWidth(preview.displayRect), dh = rectHeight(preview.displayRect);
    int m = larger(int(fw / dw + 0.5), int(fh / dh + 0.5));
    float t = float(std::log2(double(m)));
    int top = int(t) + (t != float(int(t)) ? 1 : 0);
    zoom->topLevel = int16_t(top >= 14 ? 14 : (top < 0 ? 0 : top));
    zoom->levelWidth[zoom->topLevel] = preview.bufferWidth;
    zoom->levelHeight[zoom->topLevel] = preview.bufferHeight;
    for (int i = zoom->topLevel - 1; i >= 1; --i) {
        zoom->levelWidth[i] = int16_t(zoom->levelWidth[i + 1] * 2);
        zoom->levelHeight[i] = int16_t(zoom->levelHeight[i + 1] * 2);
    }
    zoom->levelWidth[0] = int16_t(fw);
    zoom->levelHeight[0] = int16_t(fh);
    zoom->stepDown[0] = zoom->stepRight[0] = 0;
    for (int i = 1; i <= zoom->topLevel; ++i) {
        zoom->stepDown[i] = int16_t((zoom->levelHeight[i - 1] - zoom->levelHeight[i]) / 2);
        zoom->stepRight[i] = int16_t((zoom->levelWidth[i - 1] - zoom->levelWidth[i]) / 2);
    }
}

void formatZoomLabel(int level, int topLevel, char* text, size_t size) {
    static const double values[] = {100, 50, 25, 12.5, 6.25, 3.12, 1.56, 0.78, 0.39, 0.2};
    int d = int16_t(topLevel - level);
    double value = d >= 0 && d <= 9 ? values[d] : 0.1;
    const char* format = d == 0 ? "%3.f%%" : (d == 1 || d == 2) ? "%2.f%%" : d == 3 ? "%3.1f%%" : "%3.2f%%";
    std::snprintf(text, size, format, value);
}

void computeVisibleRegion(const Rect& f, ZoomState* zoom, PaneState* preview) {
    int level = zoom->level;
    int lw = zoom->levelWidth[level], lh = zoom->levelHeight[level];
    Rect r = {zoom->viewTop, zoom->viewLeft, int16_t(zoom->viewTop + lh), int16_t(zoom->viewLeft + lw)};
    bool outside = r.left < f.left || r.left > f.right || r.right < f.left || r.right > f.right || r.top < f.top ||
                   r.top > f.bottom || r.bottom < f.top || r.bottom > f.bottom;
    if (outside) {
        int top = r.top < f.bottom - lh ? r.top : f.bottom - lh;
        int left = r.left < f.right - lw ? r.left : f.right - lw;
        moveRectTo(&r, &r, top > f.top ? top : f.top, left > f.left ? left : f.left);
    }
    moveRectTo(&r, &r, lowestBitCleared(r.top), lowestBitCleared(r.left));

    double dw = rectWidth(preview->displayRect), dh = rectHeight(preview->displayRect);
    int k = larger(int(lw / dw + 0.5), int(lh / dh + 0.5));
    if (k < 1) k = 1;
    Rect source = {int16_t(r.top / k), int16_t(r.left / k), 0, 0};
    source.right = int16_t(source.left + preview->bufferWidth);
    source.bottom = int16_t(source.top + preview->bufferHeight);
    preview->sourceRect = source;
    preview->samplingRate = rateOfStep(k);

    Rect region = r;
    if (f.top != 0 || f.left != 0) {
        int top = r.top - f.top, left = r.left - f.left;
        moveRectTo(&region, &region, top > 0 ? top : 0, left > 0 ? left : 0);
    }
    moveRectTo(&region, &region, lowestBitCleared(region.top), lowestBitCleared(region.left));
    preview->regionRect = region;
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
    Rect r = {int16_t(preview.sourceRect.top * step), int16_t(preview.sourceRect.left * step),
              int16_t(preview.sourceRect.bottom * step), int16_t(preview.sourceRect.right * step)};
    if (f.top != 0 || f.left != 0) moveRectTo(&r, &r, r.top - f.top, r.left - f.left);
    r = {int16_t(r.top / navStep), int16_t(r.left / navStep), int16_t(r.bottom / navStep), int16_t(r.right / navStep)};
    const Rect& n = navigator.displayRect;
    int top = n.top + r.top > n.top ? n.top + r.top : n.top;
    int left = n.left + r.left > n.left ? n.left + r.left : n.left;
    moveRectTo(&r, &r, top, left);
    return r;
}
