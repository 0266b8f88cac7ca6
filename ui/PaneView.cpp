#include "ui/PaneView.h"

#include <initializer_list>

#include "host/HostSuites.h"
#include "host/PluginGlobals.h"
#include "host/TrackedMemory.h"
#include "ui/model/PaneLayout.h"
#include "ui/model/PanePixelMap.h"

namespace {

RECT toRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool setUpPane(HWND dialog, PaneState* pane, int controlId) {
    clearPaneState(pane);
    pane->controlId = controlId;
    // The placeholder is hidden but keeps its window rectangle.
    RECT window;
    GetWindowRect(GetDlgItem(dialog, controlId), &window);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&window), 2);
    Rect placeholder = {int16_t(window.top), int16_t(window.left), int16_t(window.bottom), int16_t(window.right)};
    layOutPane(placeholder, hostRecord->filterRect, pane);
    pane->rgbBuffer = static_cast<uint8_t*>(trackedAlloc(uint32_t(pane->pixelCount) * 3u));
    if (pane->rgbBuffer == nullptr) return false;
    pane->maskBuffer = static_cast<uint8_t*>(trackedAlloc(uint32_t(pane->pixelCount)));
    return pane->maskBuffer != nullptr;
}

void releasePaneBuffers() {
    for (PaneState* pane : {&previewPane, &navigatorPane}) {
        trackedFree(pane->rgbBuffer);
        trackedFree(pane->maskBuffer);
        pane->rgbBuffer = pane->maskBuffer = nullptr;
    }
}

void drawPane(HDC dc, const PaneState& pane) {
    RECT border = toRECT(pane.displayRect);
    InflateRect(&border, 2, 2);
    FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (pane.rgbBuffer == nullptr) return;
    PSPixelMap map;
    PSPixelMask mask;
    buildPanePixelMap(pane, hostRecord->imageMode, hostRecord->haveMask != 0, &map, &mask);
    VRect source = map.bounds;
    hostDisplayPixels(&map, &source, pane.displayRect.top, pane.displayRect.left, dc);
}

Rect drawNavigatorFrame(HWND dialog) {
    Rect frame = navigatorFrameRect(hostRecord->filterRect, previewPane, navigatorPane);
    HDC dc = GetDC(dialog);
    if (dc == nullptr) return frame;
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ previous = SelectObject(dc, red);
    RECT r = toRECT(frame);
    FrameRect(dc, &r, red);
    SelectObject(dc, previous);
    DeleteObject(red);
    ReleaseDC(dialog, dc);
    return frame;
}

void invalidatePane(HWND dialog, const PaneState& pane) {
    if (*resultCell != 0) return;
    RECT r = toRECT(pane.displayRect);
    InvalidateRect(dialog, &r, FALSE);
}
