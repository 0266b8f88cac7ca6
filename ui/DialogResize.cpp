#include "ui/DialogResize.h"

#include "ui/DialogIds.h"
#include "ui/PaneView.h"

namespace {

struct AnchoredId {
    int id;
    Anchor anchor;
};
const AnchoredId kAnchors[] = {
    {ID_PREVIEW_GROUP, Anchor::Grow},      {ID_PREVIEW_PANE, Anchor::Grow},
    {ID_TITLE_TEXT, Anchor::HalfRight},    {ID_LOGO, Anchor::Right},
    {ID_ZOOM_IN, Anchor::Right},           {ID_ZOOM_OUT, Anchor::Right},
    {ID_ZOOM_CAPTION, Anchor::Right},      {ID_ZOOM_LABEL, Anchor::Right},
    {ID_NAVIGATOR_GROUP, Anchor::Right},   {ID_NAVIGATOR_PANE, Anchor::Right},
    {ID_BRIGHTNESS_GROUP, Anchor::Right},  {ID_BRIGHTNESS_SLIDER, Anchor::Right},
    {ID_BRIGHTNESS_EDIT, Anchor::Right},   {ID_MINIMUM_LABEL, Anchor::Right},
    {ID_MAXIMUM_LABEL, Anchor::Right},     {ID_INTENSITY_GROUP, Anchor::Right},
    {ID_INTENSITY_SLIDER, Anchor::Right},  {ID_INTENSITY_EDIT, Anchor::Right},
    {ID_LESS_LABEL, Anchor::Right},        {ID_MORE_LABEL, Anchor::Right},
    {ID_BEFORE, Anchor::Down},             {ID_AFTER, Anchor::Down},
    {ID_SPLIT, Anchor::Down},              {ID_OK, Anchor::RightDown},
    {ID_DEFAULTS, Anchor::RightDown},      {ID_CANCEL, Anchor::RightDown},
    {ID_HELP_BUTTON, Anchor::RightDown},
};
static_assert(sizeof kAnchors / sizeof kAnchors[0] <= kMaxAnchoredControls, "FrameLayout holds every control");

SavedSize readSavedSize() {
    SavedSize saved = {};
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kFrameKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return saved;
    DWORD width = 0, height = 0, widthType = 0, heightType = 0, size = sizeof width;
    bool readWidth = RegQueryValueExA(key, kFrameWidthValue, nullptr, &widthType, reinterpret_cast<BYTE*>(&width),
                                      &size) == ERROR_SUCCESS && size == sizeof width;
    size = sizeof height;
    bool readHeight = RegQueryValueExA(key, kFrameHeightValue, nullptr, &heightType, reinterpret_cast<BYTE*>(&height),
                                       &size) == ERROR_SUCCESS && size == sizeof height;
    RegCloseKey(key);
    saved.read = readWidth && readHeight;
    saved.typed = widthType == REG_DWORD && heightType == REG_DWORD;
    // Read as signed: a negative size stays negative and is refused.
    saved.width = LONG(width);
    saved.height = LONG(height);
    return saved;
}

}  // namespace

void captureFrame(HWND dialog, FrameLayout* frame) {
    frame->dpi = dpiOf(dialog);
    RECT window = {}, client = {};
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    frame->minimumWindow = {window.right - window.left, window.bottom - window.top};
    frame->client = {client.right, client.bottom};
    frame->count = 0;
    for (const AnchoredId& a : kAnchors) {
        if (GetDlgItem(dialog, a.id) == nullptr) continue;
        frame->items[frame->count++] = {a.id, a.anchor, placeholderRect(dialog, a.id)};
    }
}

void rescaleFrame(FrameLayout* frame, unsigned dpi) {
    if (dpi == 0 || frame->dpi == 0 || dpi == frame->dpi) return;
    auto scaled = [&](long v) { return MulDiv(int(v), int(dpi), int(frame->dpi)); };
    frame->minimumWindow = {scaled(frame->minimumWindow.cx), scaled(frame->minimumWindow.cy)};
    frame->client = {scaled(frame->client.cx), scaled(frame->client.cy)};
    for (int i = 0; i < frame->count; ++i) {
        Rect& r = frame->items[i].original;
        r = {int16_t(scaled(r.top)), int16_t(scaled(r.left)), int16_t(scaled(r.bottom)), int16_t(scaled(r.right))};
    }
    frame->dpi = dpi;
}

unsigned dpiOf(HWND window) {
    using GetDpiForWindowProc = UINT(WINAPI*)(HWND);
    auto forWindow = reinterpret_cast<GetDpiForWindowProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (forWindow != nullptr) {
        UINT dpi = forWindow(window);
        if (dpi != 0) return dpi;
    }
    HDC dc = GetDC(window);
    int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(window, dc);
    return dpi > 0 ? unsigned(dpi) : 96;
}

namespace {
using SetThreadDpiAwarenessContextProc = HANDLE(WINAPI*)(HANDLE);
SetThreadDpiAwarenessContextProc threadAwarenessSetter() {
    return reinterpret_cast<SetThreadDpiAwarenessContextProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
}
const HANDLE kPerMonitorAwareV2 = reinterpret_cast<HANDLE>(intptr_t(-4));
}  // namespace

void* becomePerMonitorDpiAware() {
    SetThreadDpiAwarenessContextProc set = threadAwarenessSetter();
    return set != nullptr ? set(kPerMonitorAwareV2) : nullptr;
}

void restoreDpiAwareness(void* previous) {
    SetThreadDpiAwarenessContextProc set = threadAwarenessSetter();
    if (set != nullptr && previous != nullptr) set(previous);
}

void applyFrame(HWND dialog, const FrameLayout& frame) {
    RECT client = {};
    GetClientRect(dialog, &client);
    int dx = client.right - frame.client.cx, dy = client.bottom - frame.client.cy;
    HDWP moves = BeginDeferWindowPos(frame.count);
    for (int i = 0; i < frame.count; ++i) {
        Rect r = anchoredRect(frame.items[i].original, frame.items[i].anchor, dx, dy);
        HWND control = GetDlgItem(dialog, frame.items[i].id);
        const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        if (moves != nullptr)
            moves = DeferWindowPos(moves, control, nullptr, r.left, r.top, rectWidth(r), rectHeight(r), flags);
        else
            SetWindowPos(control, nullptr, r.left, r.top, rectWidth(r), rectHeight(r), flags);
    }
    if (moves != nullptr) EndDeferWindowPos(moves);
}

void placeAtOpeningSize(HWND dialog, const FrameLayout& frame) {
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    const RECT& work = monitor.rcWork;
    FrameSize workSize = {work.right - work.left, work.bottom - work.top};
    FrameSize size = openingSize(readSavedSize(), {frame.minimumWindow.cx, frame.minimumWindow.cy}, workSize);
    int left = work.left + (workSize.width - size.width) / 2, top = work.top + (workSize.height - size.height) / 2;
    SetWindowPos(dialog, nullptr, left > work.left ? left : work.left, top > work.top ? top : work.top, size.width,
                 size.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void keepSize(HWND dialog) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(dialog, &placement)) return;
    const RECT& r = placement.rcNormalPosition;
    DWORD width = DWORD(r.right - r.left), height = DWORD(r.bottom - r.top);
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kFrameKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, kFrameWidthValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&width), sizeof width);
    RegSetValueExA(key, kFrameHeightValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&height), sizeof height);
    RegCloseKey(key);
}
