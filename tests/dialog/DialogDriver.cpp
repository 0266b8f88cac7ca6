#include "tests/dialog/DialogDriver.h"

#include <commctrl.h>

#include <cstring>
#include <thread>
#include <vector>

#include "tools/velmora/ImageIo.h"

namespace dialogtest {

namespace {

struct WindowSearch {
    const char* caption;
    HWND found;
};

BOOL CALLBACK matchCaption(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    // The title as the window manager keeps it: asking the window itself would
    // wait for its thread, which may be waiting for this one to end.
    wchar_t title[256] = {};
    InternalGetWindowText(window, title, 256);
    char caption[256] = {};
    WideCharToMultiByte(CP_ACP, 0, title, -1, caption, sizeof caption, nullptr, nullptr);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && std::string(caption) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::string DialogDriver::text(int id) const {
    char buffer[512] = {};
    GetWindowTextA(item(id), buffer, sizeof buffer);
    return buffer;
}

int DialogDriver::trackbarPosition(int id) const { return int(SendMessageA(item(id), TBM_GETPOS, 0, 0)); }

HWND DialogDriver::focused() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
    return info.hwndFocus;
}

void DialogDriver::type(int id, const std::string& characters) {
    SendMessageA(item(id), EM_SETSEL, 0, -1);
    for (char c : characters) SendMessageA(item(id), WM_CHAR, WPARAM(static_cast<unsigned char>(c)), 1);
}

void DialogDriver::paste(int id, const std::string& text) {
    SendMessageA(item(id), EM_SETSEL, 0, -1);
    SendMessageA(item(id), EM_REPLACESEL, TRUE, LPARAM(text.c_str()));
}

void DialogDriver::key(int id, UINT virtualKey) {
    SendMessageA(item(id), WM_KEYDOWN, virtualKey, 1);
    SendMessageA(item(id), WM_KEYUP, virtualKey, LPARAM(0xC0000001u));
}

void DialogDriver::thumb(int id, int request, int position) {
    SendMessageA(dialog_, WM_HSCROLL, MAKEWPARAM(request, position), LPARAM(item(id)));
}

void DialogDriver::click(int id) { SendMessageA(item(id), BM_CLICK, 0, 0); }

void DialogDriver::clickLater(int id) { PostMessageA(item(id), BM_CLICK, 0, 0); }

void DialogDriver::mouse(UINT message, int x, int y, WPARAM keys) {
    SendMessageA(dialog_, message, keys, MAKELPARAM(x, y));
}

namespace {

// A key that nothing in the dialog acts on: its toggle state, shared with the
// dialog's thread, flips when that thread takes the key in.
constexpr UINT kMarkerKey = VK_F24;

void sendKey(UINT virtualKey, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = WORD(virtualKey);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
}

void tap(UINT virtualKey) {
    sendKey(virtualKey, false);
    sendKey(virtualKey, true);
}

// The key that types c on a US keyboard, 0 for none.
UINT keyFor(char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return UINT(c);
    if (c >= 'a' && c <= 'z') return UINT(c - 'a' + 'A');
    if (c == '-') return VK_OEM_MINUS;
    if (c == ' ') return VK_SPACE;
    return 0;
}

}  // namespace

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (done()) return true;
        Sleep(10);
    }
    return done();
}

namespace {

// Markers the dialog's thread has taken from its queue (its message hook counts them).
std::atomic<int> markersTaken(0);

LRESULT CALLBACK countMarkers(int code, WPARAM removal, LPARAM lParam) {
    const MSG* m = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && m->message == WM_KEYUP && m->wParam == kMarkerKey) ++markersTaken;
    return CallNextHookEx(nullptr, code, removal, lParam);
}

}  // namespace

DialogDriver::~DialogDriver() {
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

void DialogDriver::waitForInput() {
    if (hook_ == nullptr)
        hook_ = SetWindowsHookExA(WH_GETMESSAGE, countMarkers, nullptr, GetWindowThreadProcessId(dialog_, nullptr));
    // Keys go to the foreground window's thread: the dialog's (or a message
    // box of its thread), which a window just closed may have left without it.
    DWORD dialogThread = GetWindowThreadProcessId(dialog_, nullptr);
    auto inFront = [&] {
        HWND front = GetForegroundWindow();
        return front != nullptr && GetWindowThreadProcessId(front, nullptr) == dialogThread;
    };
    if (IsWindow(dialog_) && !inFront()) {
        SetForegroundWindow(dialog_);
        waitUntil(inFront, 2000);
    }
    // Input reaches the thread in the order sent: once it has taken the
    // marker it has taken everything before it (a key that closed the dialog
    // leaves no one to take the marker).
    int taken = markersTaken;
    tap(kMarkerKey);
    waitUntil([&] { return markersTaken > taken || !IsWindow(dialog_); }, 10000);
    settle();
}

RECT DialogDriver::itemRect(int id) const {
    RECT r = {};
    GetWindowRect(item(id), &r);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void DialogDriver::sendMouse(DWORD flags, int x, int y) {
    POINT p = {x, y};
    ClientToScreen(dialog_, &p);
    SetCursorPos(p.x, p.y);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags != 0) SendInput(1, &in, sizeof in);
}

void DialogDriver::clickAt(int x, int y) {
    sendMouse(0, x, y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    sendMouse(MOUSEEVENTF_LEFTUP, x, y);
    waitForInput();
}

void DialogDriver::clickButton(int id) {
    RECT r = itemRect(id);
    clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void DialogDriver::clickToClose(int id) {
    RECT r = itemRect(id);
    int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    sendMouse(0, x, y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    sendMouse(MOUSEEVENTF_LEFTUP, x, y);
    waitUntil([&] { return !IsWindow(dialog_); }, 30000);
}

void DialogDriver::pressKey(UINT virtualKey, UINT modifier) {
    if (modifier != 0) sendKey(modifier, false);
    tap(virtualKey);
    if (modifier != 0) sendKey(modifier, true);
    waitForInput();
}

void DialogDriver::typeInto(int id, const std::string& characters) {
    clickButton(id);
    pressKey(VK_HOME);
    pressKey(VK_END, VK_SHIFT);
    for (char c : characters) {
        UINT key = keyFor(c);
        if (key != 0) tap(key);
    }
    waitForInput();
}

void DialogDriver::pasteInto(int id, const std::string& text) {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
        if (block != nullptr) {
            memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
            GlobalUnlock(block);
            SetClipboardData(CF_TEXT, block);
        }
        CloseClipboard();
    }
    clickButton(id);
    pressKey(VK_HOME);
    pressKey(VK_END, VK_SHIFT);
    pressKey('V', VK_CONTROL);
}

void DialogDriver::sendMouseDown(int x, int y) {
    sendMouse(0, x, y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    waitForInput();
}

void DialogDriver::sendMouseUp(int x, int y) {
    sendMouse(MOUSEEVENTF_MOVE, x, y);
    sendMouse(MOUSEEVENTF_LEFTUP, x, y);
    waitForInput();
}

void DialogDriver::drag(POINT from, POINT to) {
    sendMouse(0, from.x, from.y);
    sendMouse(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
    waitForInput();
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) {
        sendMouse(MOUSEEVENTF_MOVE, from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
        waitForInput();
    }
    sendMouse(MOUSEEVENTF_LEFTUP, to.x, to.y);
    waitForInput();
}

void DialogDriver::settle() {
    // The dialog's thread paints when nothing else waits for it: asked from
    // here, it may not have painted yet when UpdateWindow returns. Once the
    // update region is empty the paint has begun, and the sent WM_NULL
    // returns only once the thread is back in its message loop, so the paint
    // has ended.
    // The preview is a window of its own, which paints after the dialog.
    HWND preview = GetDlgItem(dialog_, 32);
    SendMessageA(dialog_, WM_NULL, 0, 0);
    UpdateWindow(dialog_);
    waitUntil([&] {
        return !IsWindow(dialog_) ||
               (!GetUpdateRect(dialog_, nullptr, FALSE) && (preview == nullptr || !GetUpdateRect(preview, nullptr, FALSE)));
    });
    SendMessageA(dialog_, WM_NULL, 0, 0);
}

void DialogDriver::resizeTo(int width, int height) {
    SetWindowPos(dialog_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    settle();
}

SIZE DialogDriver::windowSize() const {
    RECT r = {};
    GetWindowRect(dialog_, &r);
    return {r.right - r.left, r.bottom - r.top};
}

void DialogDriver::wheelAt(int x, int y, int notches) {
    sendMouse(0, x, y);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_WHEEL;
    in.mi.mouseData = DWORD(notches * WHEEL_DELTA);
    SendInput(1, &in, sizeof in);
    waitForInput();
    settle();
}

void DialogDriver::waitForTimer() {
    Sleep(1000);  // ten times the timer's longest delay: room for a busy machine
    settle();
}

COLORREF DialogDriver::screenPixel(int x, int y) const {
    HDC dc = GetDC(dialog_);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(dialog_, dc);
    return c;
}

std::vector<uint8_t> DialogDriver::screenRgb(const RECT& client) const {
    RECT r = client;
    MapWindowPoints(dialog_, nullptr, reinterpret_cast<POINT*>(&r), 2);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    std::vector<uint8_t> rgb(size_t(w) * size_t(h) * 3);
    const BYTE* bgra = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
        for (int c = 0; c < 3; ++c) rgb[i * 3 + size_t(c)] = bgra[i * 4 + size_t(2 - c)];
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rgb;
}

bool DialogDriver::saveScreenshot(const std::string& path) const {
    // The client area: without a window manager the frame is not drawn.
    RECT r;
    GetClientRect(dialog_, &r);
    cli::SourceImage source;
    cli::Pixels pixels;
    pixels.width = r.right;
    pixels.height = r.bottom;
    pixels.bands = 3;
    pixels.data = screenRgb(r);
    source.pixels = pixels;
    std::string error;
    return cli::writeImage(source, pixels, path, 90, &error);
}

HWND waitForWindow(const char* caption, int timeoutMs, const std::atomic<bool>* stop) {
    for (int waited = 0; waited <= timeoutMs && !(stop && *stop); waited += 20) {
        WindowSearch search = {caption, nullptr};
        EnumWindows(matchCaption, LPARAM(&search));
        if (search.found != nullptr) return search.found;
        Sleep(20);
    }
    return nullptr;
}

std::string answerMessageBox(HWND box) {
    // The message is the box's static text control (id 0xFFFF).
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    // Gone before the next search, which would otherwise find this box again.
    for (int waited = 0; IsWindow(box) && waited < 10000; waited += 10) Sleep(10);
    return text;
}

void runWithUser(const std::function<void()>& host, const char* caption,
                 const std::function<void(DialogDriver&)>& user) {
    std::atomic<bool> hostDone(false);
    std::thread acting([&] {
        // The user sees the screen as the dialog draws it: at the monitor's own scale.
        using SetAwareness = HANDLE(WINAPI*)(HANDLE);
        auto set = reinterpret_cast<SetAwareness>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
        if (set != nullptr) set(reinterpret_cast<HANDLE>(intptr_t(-4)));  // per monitor, version 2
        HWND dialog = waitForWindow(caption, 60000, &hostDone);
        if (dialog == nullptr) return;
        DialogDriver driver(dialog);
        driver.settle();
        user(driver);
        // Whatever the user left open is cancelled, so the host's call returns.
        if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    host();
    hostDone = true;
    acting.join();
}

}  // namespace dialogtest
