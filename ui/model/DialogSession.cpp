#include "ui/model/DialogSession.h"

#include <cstring>

#include "ui/model/PaneLayout.h"

namespace {

bool allocatePane(PreviewContext& preview, PaneState* pane, const Rect& placeholder, const Rect& f) {
    clearPaneState(pane);
    layOutPane(placeholder, f, pane);
    pane->rgbBuffer = static_cast<uint8_t*>(preview.memory.allocate(size_t(pane->capacity) * 3));
    if (pane->rgbBuffer == nullptr) return false;
    pane->maskBuffer = static_cast<uint8_t*>(preview.memory.allocate(size_t(pane->capacity)));
    return pane->maskBuffer != nullptr;
}

void releasePane(PreviewContext& preview, PaneState* pane) {
    preview.memory.release(pane->rgbBuffer);
    preview.memory.release(pane->maskBuffer);
    pane->rgbBuffer = pane->maskBuffer = nullptr;
}

// The preview pane over a placeholder, with the split view's buffer of the same capacity.
bool allocatePreview(PreviewContext& preview, PaneState* pane, uint8_t** before, const Rect& placeholder) {
    *before = nullptr;
    if (!allocatePane(preview, pane, placeholder, preview.filterRect)) return false;
    *before = static_cast<uint8_t*>(preview.memory.allocate(size_t(pane->capacity) * 3));
    return *before != nullptr;
}


}  // namespace

PreviewContext& previewOf(DialogSession& s) { return s.inputs.preview; }

bool openSession(DialogSession* s, const DialogInputs& in, const Rect& previewPlaceholder,
                 const Rect& navigatorPlaceholder) {
    s->inputs = in;
    s->record = in.preview.params;
    s->settings = *s->record;
    s->inputs.preview.params = &s->settings;
    s->adjustedAmount = s->settings.amount;
    s->adjustedVibrance = s->settings.vibrance;
    PreviewContext& preview = previewOf(*s);
    const Rect& f = preview.filterRect;
    s->previewPane.controlId = 32;
    s->navigatorPane.controlId = 30;
    if (!allocatePreview(preview, &s->previewPane, &s->beforeBuffer, previewPlaceholder) ||
        !allocatePane(preview, &s->navigatorPane, navigatorPlaceholder, f)) {
        endSession(s, DialogEnd::NoPaneMemory);
        return false;
    }
    buildZoomTable(f, s->previewPane, &s->zoom);
    s->zoom.level = 0;
    s->zoom.viewTop = s->zoom.viewLeft = 0;
    s->drag = {};
    s->drag.pointer = PointerShape::Host;
    s->previewDrag = {};
    s->mode = PreviewMode::After;
    s->split = false;
    s->splitAt = int16_t((s->previewPane.areaRect.left + s->previewPane.areaRect.right) / 2);
    updateVisibleRegion(s);
    return true;
}

void endSession(DialogSession* s, DialogEnd end) {
    PreviewContext& preview = previewOf(*s);
    if (s->record != nullptr) {  // opened: its memory goes back to the run
        releasePane(preview, &s->previewPane);
        releasePane(preview, &s->navigatorPane);
        preview.memory.release(s->beforeBuffer);
        s->beforeBuffer = nullptr;
        if (preview.proxyPixels != nullptr) preview.memory.release(preview.proxyPixels);
        preview.proxyPixels = nullptr;
    }
    if (!s->ended) s->end = end;
    s->ended = true;
}

void updateVisibleRegion(DialogSession* s) {
    PreviewContext& preview = previewOf(*s);
    computeVisibleRegion(preview.filterRect, &s->zoom, &s->previewPane);
    mapViewToProxy(preview.filterRect, preview.proxy.width, preview.proxy.height, s->zoom, &s->previewPane);
}

ZoomButtons zoomSession(DialogSession* s, bool in) {
    ZoomButtons b = in ? zoomIn(&s->zoom) : zoomOut(&s->zoom);
    updateVisibleRegion(s);
    return b;
}

ZoomButtons zoomSessionAround(DialogSession* s, int notches, Point16Xy p) {
    int level = s->zoom.level + notches;
    level = level < 0 ? 0 : level > s->zoom.maxLevel ? s->zoom.maxLevel : level;
    PreviewContext& preview = previewOf(*s);
    zoomAround(preview.filterRect, &s->zoom, &s->previewPane, level, p);
    updateVisibleRegion(s);
    return zoomButtonsFor(s->zoom);
}

void panSessionByKey(DialogSession* s, int dx, int dy) {
    const PaneState& pane = s->previewPane;
    int byX = paneShownWidth(pane) / 8 > 1 ? paneShownWidth(pane) / 8 : 1;
    int byY = paneShownHeight(pane) / 8 > 1 ? paneShownHeight(pane) / 8 : 1;
    // The view moves the way the arrow points: the picture the other way.
    panBy(previewOf(*s).filterRect, &s->zoom, &s->previewPane, s->zoom.viewTop, s->zoom.viewLeft, -dx * byX, -dy * byY);
    updateVisibleRegion(s);
}

bool resizeSession(DialogSession* s, const Rect& previewPlaceholder, const Rect& navigatorPlaceholder) {
    PreviewContext& preview = previewOf(*s);
    const Rect& f = preview.filterRect;
    // The navigator keeps its size, buffers and pixels.
    PaneState& navigator = s->navigatorPane;
    if (rectWidth(navigatorPlaceholder) - 4 == rectWidth(navigator.areaRect) &&
        rectHeight(navigatorPlaceholder) - 4 == rectHeight(navigator.areaRect))
        layOutPane(navigatorPlaceholder, f, &navigator);
    PaneState pane = {};
    uint8_t* before = nullptr;
    if (rectWidth(previewPlaceholder) == rectWidth(s->previewPane.areaRect) + 4 &&
        rectHeight(previewPlaceholder) == rectHeight(s->previewPane.areaRect) + 4) {
        // Moved only: the same buffers serve.
        s->splitAt = int16_t(s->splitAt + previewPlaceholder.left + 2 - s->previewPane.areaRect.left);
        moveRectTo(&s->previewPane.areaRect, &s->previewPane.areaRect, previewPlaceholder.top + 2,
                   previewPlaceholder.left + 2);
        updateVisibleRegion(s);
        return true;
    }
    if (!allocatePreview(preview, &pane, &before, previewPlaceholder)) {
        releasePane(preview, &pane);
        preview.memory.release(before);
        return false;
    }
    // The image point at the view's centre, and the scale shown.
    const ZoomState& old = s->zoom;
    int centreX = old.viewLeft + old.levelWidth[old.level] / 2, centreY = old.viewTop + old.levelHeight[old.level] / 2;
    int oldStep = zoomStepAt(old, old.level), oldMagnify = zoomMagnifyAt(old, old.level);
    bool wasWhole = old.level == 0;

    // The divider keeps its place in proportion to the area.
    const Rect& oldArea = s->previewPane.areaRect;
    int oldWidth = rectWidth(oldArea) > 0 ? rectWidth(oldArea) : 1;
    s->splitAt = int16_t(pane.areaRect.left + long(s->splitAt - oldArea.left) * rectWidth(pane.areaRect) / oldWidth);
    releasePane(preview, &s->previewPane);
    preview.memory.release(s->beforeBuffer);
    pane.controlId = s->previewPane.controlId;
    s->previewPane = pane;
    s->beforeBuffer = before;
    ZoomState& zoom = s->zoom;
    buildZoomTable(f, s->previewPane, &zoom);
    zoom.level = 0;
    for (int level = 1; level <= zoom.maxLevel && !wasWhole; ++level)
        if (zoom.levelStep[level] == oldStep && zoom.levelMagnify[level] == oldMagnify) zoom.level = int16_t(level);
    zoom.viewLeft = int16_t(centreX - zoom.levelWidth[zoom.level] / 2);
    zoom.viewTop = int16_t(centreY - zoom.levelHeight[zoom.level] / 2);
    if (zoom.level == 0) zoom.viewLeft = zoom.viewTop = 0;
    updateVisibleRegion(s);
    return true;
}

int splitColumn(const DialogSession& s) {
    int column = s.splitAt - s.previewPane.displayRect.left, shown = paneShownWidth(s.previewPane);
    return column < 0 ? 0 : column > shown ? shown : column;
}

int renderPreviewPane(DialogSession* s) {
    PreviewContext& preview = previewOf(*s);
    if (!s->split) return renderPreview(preview, s->mode, &s->previewPane);
    PaneState before = s->previewPane;
    before.rgbBuffer = s->beforeBuffer;
    renderPreview(preview, PreviewMode::Before, &before);
    int rendered = renderPreview(preview, PreviewMode::After, &s->previewPane);
    if (rendered != kPreviewDone) return rendered;
    // Left of the divider the picture before, right of it after.
    const ptrdiff_t row = ptrdiff_t(paneShownWidth(s->previewPane)) * 3, columns = ptrdiff_t(splitColumn(*s)) * 3;
    for (int y = 0; y < paneShownHeight(s->previewPane); ++y)
        std::memcpy(s->previewPane.rgbBuffer + y * row, s->beforeBuffer + y * row, size_t(columns));
    return kPreviewDone;
}

int recomputeIfPending(DialogSession* s) {
    if (!s->recomputePending) return kPreviewDone;
    int rebuilt = rebuildProxyResult(previewOf(*s));
    if (rebuilt != kPreviewDone) return rebuilt;
    s->recomputePending = false;
    s->adjustedAmount = s->settings.amount;
    s->adjustedVibrance = s->settings.vibrance;
    return kPreviewDone;
}

int confirmSettings(DialogSession* s) {
    if (s->settings.amount != s->adjustedAmount || s->settings.vibrance != s->adjustedVibrance) {
        int adjusted = readjustMasks(previewOf(*s));
        if (adjusted != kPreviewDone) return adjusted;
    }
    deriveMaskGains(&s->settings);
    *s->record = s->settings;
    return kPreviewDone;
}

DialogEnd endForPreviewFailure(int code) {
    return code == kPreviewInternalError ? DialogEnd::PreviewInternalError : DialogEnd::PreviewFailed;
}
