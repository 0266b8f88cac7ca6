#include "ui/PaneView.h"

#include "ui/DrawPixels.h"
#include "ui/model/PaneLayout.h"
#include "ui/model/PanePixelMap.h"

namespace {

RECT toRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

Rect placeholderRect(HWND dialog, int controlId) {
    RECT window = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &window);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&window), 2);
    return {int16_t(window.top), int16_t(window.left), int16_t(window.bottom), int16_t(window.right)};
}

void drawPane(HDC dc, const DialogSession& s, const PaneState& pane) {
    RECT border = toRECT(pane.displayRect);
    InflateRect(&border, 2, 2);
    FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (pane.rgbBuffer == nullptr) return;
    if (s.inputs.displayPixels == nullptr) {
        drawInterleavedRgb(dc, pane.displayRect.left, pane.displayRect.top, pane.rgbBuffer, 3 * paneShownWidth(pane), 3,
                           paneShownWidth(pane), paneShownHeight(pane));
        return;
    }
    // The pictures already show the selection as the host will apply it: no
    // mask goes with them.
    PSPixelMap map;
    PSPixelMask mask;
    buildPanePixelMap(pane, s.inputs.imageMode, false, &map, &mask);
    VRect source = map.bounds;
    s.inputs.displayPixels(&map, &source, pane.displayRect.top, pane.displayRect.left, dc);
}

Rect drawNavigatorFrame(HDC dc, const DialogSession& s) {
    Rect frame = navigatorFrameRect(s.inputs.preview.filterRect, s.previewPane, s.navigatorPane);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r = toRECT(frame);
    FrameRect(dc, &r, red);
    DeleteObject(red);
    return frame;
}

void invalidatePane(HWND dialog, const DialogSession& s, const PaneState& pane) {
    if (s.ended) return;
    RECT r = toRECT(pane.displayRect);
    InvalidateRect(dialog, &r, FALSE);
}
