#include "ui/model/DialogSession.h"

#include "ui/model/PaneLayout.h"

namespace {

bool allocatePane(PreviewContext& preview, PaneState* pane, const Rect& placeholder, const Rect& f) {
    clearPaneState(pane);
    layOutPane(placeholder, f, pane);
    pane->rgbBuffer = static_cast<uint8_t*>(preview.memory.allocate(size_t(pane->pixelCount) * 3));
    if (pane->rgbBuffer == nullptr) return false;
    pane->maskBuffer = static_cast<uint8_t*>(preview.memory.allocate(size_t(pane->pixelCount)));
    return pane->maskBuffer != nullptr;
}

void releasePane(PreviewContext& preview, PaneState* pane) {
    preview.memory.release(pane->rgbBuffer);
    preview.memory.release(pane->maskBuffer);
    pane->rgbBuffer = pane->maskBuffer = nullptr;
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
    if (!allocatePane(preview, &s->previewPane, previewPlaceholder, f) ||
        !allocatePane(preview, &s->navigatorPane, navigatorPlaceholder, f)) {
        endSession(s, DialogEnd::NoPaneMemory);
        return false;
    }
    buildZoomTable(f, s->previewPane, &s->zoom);
    s->zoom.level = 0;
    s->zoom.viewTop = s->zoom.viewLeft = 0;
    s->drag = {};
    s->drag.pointer = PointerShape::Host;
    s->mode = PreviewMode::After;
    updateVisibleRegion(s);
    return true;
}

void endSession(DialogSession* s, DialogEnd end) {
    PreviewContext& preview = previewOf(*s);
    if (s->record != nullptr) {  // opened: its memory goes back to the run
        releasePane(preview, &s->previewPane);
        releasePane(preview, &s->navigatorPane);
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
