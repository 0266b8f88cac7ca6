#include "ui/PreviewWindow.h"

#include <windows.h>

#include "ui/DialogIds.h"
#include "ui/MainDialogRecord.h"
#include "ui/PaneView.h"

namespace {

constexpr const char* kPreviewClass = "VelmoraPreview";
constexpr int kDividerGrip = 4;  // pixels either side of the divider that grab it

Point16Xy clientPoint(HWND dialog, HWND window, LPARAM lParam, bool screen) {
    POINT p = {short(LOWORD(lParam)), short(HIWORD(lParam))};
    MapWindowPoints(screen ? nullptr : window, dialog, &p, 1);
    return {int16_t(p.x), int16_t(p.y)};
}

// The window's origin in the dialog's client coordinates: the panes are laid out there.
POINT originOf(HWND dialog, HWND window) {
    POINT origin = {0, 0};
    MapWindowPoints(window, dialog, &origin, 1);
    return origin;
}

bool onDivider(const DialogSession& s, Point16Xy p) {
    int x = s.previewPane.displayRect.left + splitColumn(s);
    return s.split && p.x >= x - kDividerGrip && p.x <= x + kDividerGrip &&
           pointInRectInclusive(p, s.previewPane.displayRect);
}

void paintPreview(HWND window, HWND dialog, MainDialog& d) {
    DialogSession& s = d.session;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client = {};
    GetClientRect(window, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (!s.ended && s.previewPane.rgbBuffer != nullptr) {
        POINT origin = originOf(dialog, window);
        SetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
        drawPane(dc, s, s.previewPane);
        if (s.split) {
            int x = s.previewPane.displayRect.left + splitColumn(s);
            RECT line = {x, s.previewPane.displayRect.top, x + 1, s.previewPane.displayRect.bottom};
            FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        }
        SetViewportOrgEx(dc, 0, 0, nullptr);
    }
    if (GetFocus() == window) DrawFocusRect(dc, &client);
    EndPaint(window, &ps);
}

// The recomputation a change asked for, then the picture: at paint time,
// so that changes made meanwhile are taken in at once.
bool renderForPaint(HWND dialog, MainDialog& d) {
    DialogSession& s = d.session;
    if (s.recomputePending) {
        HCURSOR previous = SetCursor(d.busyCursor);
        DWORD start = GetTickCount();
        int rebuilt = recomputeIfPending(&s);
        d.lastRecomputeMs = int(GetTickCount() - start);
        SetCursor(previous);
        if (rebuilt != kPreviewDone) {
            endAfterFailure(dialog, s, rebuilt);
            return false;
        }
    }
    renderPreviewPane(&s);
    return true;
}

void setPreviewCursor(MainDialog& d, Point16Xy p) {
    const DialogSession& s = d.session;
    PointerShape shape = PointerShape::Host;
    if (s.previewDrag.panning)
        shape = PointerShape::GrabbingHand;
    else if (pointInRectInclusive(p, s.previewPane.displayRect))
        shape = PointerShape::OpenHand;
    if (s.previewDrag.movingDivider || (!s.previewDrag.panning && onDivider(s, p))) {
        SetCursor(d.dividerCursor);
        return;
    }
    SetCursor(cursorFor(d, shape));
}

LRESULT mouse(HWND window, HWND dialog, MainDialog& d, UINT message, LPARAM lParam) {
    DialogSession& s = d.session;
    PreviewDrag& drag = s.previewDrag;
    Point16Xy p = clientPoint(dialog, window, lParam, false);
    switch (message) {
        case WM_LBUTTONDOWN:
            SetFocus(window);
            drag.start = p;
            drag.startTop = s.zoom.viewTop;
            drag.startLeft = s.zoom.viewLeft;
            drag.movingDivider = onDivider(s, p);
            drag.panning = !drag.movingDivider && pointInRectInclusive(p, s.previewPane.displayRect);
            if (drag.panning || drag.movingDivider) SetCapture(window);
            break;
        case WM_MOUSEMOVE:
            if (drag.movingDivider) {
                s.splitAt = p.x;
                InvalidateRect(window, nullptr, FALSE);
            } else if (drag.panning) {
                panBy(previewOf(s).filterRect, &s.zoom, &s.previewPane, drag.startTop, drag.startLeft,
                      p.x - drag.start.x, p.y - drag.start.y);
                updateVisibleRegion(&s);
                showViewMoved(dialog, d);
            }
            break;
        default:  // the button went up
            drag.panning = drag.movingDivider = false;
            if (GetCapture() == window) ReleaseCapture();
            break;
    }
    setPreviewCursor(d, p);
    return 0;
}

LRESULT wheel(HWND window, HWND dialog, MainDialog& d, WPARAM wParam, LPARAM lParam) {
    d.wheelRemainder += GET_WHEEL_DELTA_WPARAM(wParam);
    int notches = d.wheelRemainder / WHEEL_DELTA;
    if (notches == 0) return 0;
    d.wheelRemainder -= notches * WHEEL_DELTA;
    // A flood of notches goes no further than the last level either way.
    ZoomButtons b = zoomSessionAround(&d.session, notches, clientPoint(dialog, window, lParam, true));
    showZoom(dialog, d, b);
    return 0;
}

LRESULT key(HWND dialog, MainDialog& d, WPARAM virtualKey) {
    int dx = virtualKey == VK_LEFT ? -1 : virtualKey == VK_RIGHT ? 1 : 0;
    int dy = virtualKey == VK_UP ? -1 : virtualKey == VK_DOWN ? 1 : 0;
    if (dx == 0 && dy == 0) return 0;
    panSessionByKey(&d.session, dx, dy);
    showViewMoved(dialog, d);
    return 0;
}

// "+", "-" and "S" act as their buttons do, the focus staying on the preview.
LRESULT character(HWND dialog, WPARAM c) {
    int button = c == '+' || c == '=' ? ID_ZOOM_IN : c == '-' ? ID_ZOOM_OUT : c == 's' || c == 'S' ? ID_SPLIT : 0;
    if (button == 0) return 0;
    HWND control = GetDlgItem(dialog, button);
    if (!IsWindowEnabled(control)) return 0;
    if (button == ID_SPLIT) CheckDlgButton(dialog, ID_SPLIT, IsDlgButtonChecked(dialog, ID_SPLIT) ? BST_UNCHECKED : BST_CHECKED);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), LPARAM(control));
    return 0;
}

LRESULT CALLBACK previewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND dialog = GetParent(window);
    // Before the dialog's set-up there is no record to work with.
    if (dialog == nullptr || GetWindowLongPtrA(dialog, DWLP_USER) == 0) {
        if (message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    MainDialog& d = dialogOf(dialog);
    try {
        switch (message) {
            case WM_PAINT:
                if (!d.session.ended && !renderForPaint(dialog, d)) {
                    ValidateRect(window, nullptr);  // the dialog is ending: no paint to come back to
                    return 0;
                }
                paintPreview(window, dialog, d);
                return 0;
            case WM_ERASEBKGND: return 1;  // the paint fills it
            case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
            case WM_SETFOCUS:
            case WM_KILLFOCUS: InvalidateRect(window, nullptr, FALSE); return 0;
            case WM_LBUTTONDOWN:
            case WM_MOUSEMOVE:
            case WM_LBUTTONUP: return mouse(window, dialog, d, message, lParam);
            case WM_CAPTURECHANGED: d.session.previewDrag.panning = d.session.previewDrag.movingDivider = false; return 0;
            case WM_MOUSEWHEEL: return wheel(window, dialog, d, wParam, lParam);
            case WM_KEYDOWN: return key(dialog, d, wParam);
            case WM_CHAR: return character(dialog, wParam);
            case WM_SETCURSOR: {
                POINT p = {};
                GetCursorPos(&p);
                ScreenToClient(dialog, &p);
                setPreviewCursor(d, {int16_t(p.x), int16_t(p.y)});
                return TRUE;
            }
            default: break;
        }
    } catch (...) {
        endAfterFailure(dialog, d.session, kPreviewHostOrMemoryError);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

bool registerPreviewClass(void* module) {
    WNDCLASSA c = {};
    c.lpfnWndProc = previewProc;
    c.hInstance = static_cast<HINSTANCE>(module);
    c.lpszClassName = kPreviewClass;
    c.hCursor = nullptr;  // the window sets its pointer as it moves
    return RegisterClassA(&c) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void unregisterPreviewClass(void* module) { UnregisterClassA(kPreviewClass, static_cast<HINSTANCE>(module)); }
