#include "ui/PaneView.h"

#include <initializer_list>

#include "ui/model/PaneLayout.h"
#include "ui/model/PanePixelMap.h"

namespace {

RECT toRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// For a host without displayPixels: the pane's RGB drawn straight into the
// paint context (the selection is not shown).
void blitPane(HDC dc, const PaneState& pane) {
    int w = pane.bufferWidth, h = pane.bufferHeight;
    int stride = (w * 3 + 3) & ~3;  // DIB rows are padded to four bytes
    BYTE* bgr = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, size_t(stride) * size_t(h)));
    if (bgr == nullptr) return;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = pane.rgbBuffer + (size_t(y) * size_t(w) + size_t(x)) * 3;
            BYTE* q = bgr + size_t(y) * size_t(stride) + size_t(x) * 3;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, pane.displayRect.left, pane.displayRect.top, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), bgr,
                      &info, DIB_RGB_COLORS);
    HeapFree(GetProcessHeap(), 0, bgr);
}

}  // namespace

bool setUpPane(HWND dialog, const DialogInputs& in, PaneState* pane, int controlId) {
    clearPaneState(pane);
    pane->controlId = controlId;
    // The placeholder is hidden but keeps its window rectangle.
    RECT window = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &window);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&window), 2);
    Rect placeholder = {int16_t(window.top), int16_t(window.left), int16_t(window.bottom), int16_t(window.right)};
    layOutPane(placeholder, in.preview.filterRect, pane);
    pane->rgbBuffer = static_cast<uint8_t*>(in.preview.memory.allocate(size_t(pane->pixelCount) * 3));
    if (pane->rgbBuffer == nullptr) return false;
    pane->maskBuffer = static_cast<uint8_t*>(in.preview.memory.allocate(size_t(pane->pixelCount)));
    return pane->maskBuffer != nullptr;
}

void releasePaneBuffers(const DialogInputs& in) {
    for (PaneState* pane : {&previewPane, &navigatorPane}) {
        in.preview.memory.release(pane->rgbBuffer);
        in.preview.memory.release(pane->maskBuffer);
        pane->rgbBuffer = pane->maskBuffer = nullptr;
    }
}

void drawPane(HDC dc, const DialogInputs& in, const PaneState& pane) {
    RECT border = toRECT(pane.displayRect);
    InflateRect(&border, 2, 2);
    FrameRect(dc, &border, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (pane.rgbBuffer == nullptr) return;
    if (in.displayPixels == nullptr) {
        blitPane(dc, pane);
        return;
    }
    PSPixelMap map;
    PSPixelMask mask;
    buildPanePixelMap(pane, in.imageMode, in.preview.haveMask, &map, &mask);
    VRect source = map.bounds;
    in.displayPixels(&map, &source, pane.displayRect.top, pane.displayRect.left, dc);
}

Rect drawNavigatorFrame(HWND dialog, const Rect& filterRect) {
    Rect frame = navigatorFrameRect(filterRect, previewPane, navigatorPane);
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

void invalidatePane(HWND dialog, const DialogInputs& in, const PaneState& pane) {
    if (*in.resultCell != 0) return;
    RECT r = toRECT(pane.displayRect);
    InvalidateRect(dialog, &r, FALSE);
}
