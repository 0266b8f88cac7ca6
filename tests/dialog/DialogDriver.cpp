#include "tests/dialog/DialogDriver.h"

#include <commctrl.h>

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

void DialogDriver::settle() {
    // UpdateWindow paints at once; the sent WM_NULL returns only once the
    // dialog's thread is back in its message loop, so any paint has ended.
    SendMessageA(dialog_, WM_NULL, 0, 0);
    UpdateWindow(dialog_);
    SendMessageA(dialog_, WM_NULL, 0, 0);
}

void DialogDriver::waitForTimer() {
    Sleep(1000);  // twice the timer's delay: room for a busy machine
    settle();
}

COLORREF DialogDriver::screenPixel(int x, int y) const {
    HDC dc = GetDC(dialog_);
    COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(dialog_, dc);
    return c;
}

bool DialogDriver::saveScreenshot(const std::string& path) const {
    // The client area: without a window manager the frame is not drawn.
    RECT r;
    GetClientRect(dialog_, &r);
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
    cli::SourceImage source;
    cli::Pixels pixels;
    pixels.width = w;
    pixels.height = h;
    pixels.bands = 3;
    pixels.data.resize(size_t(w) * size_t(h) * 3);
    const BYTE* bgra = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < size_t(w) * size_t(h); ++i)
        for (int c = 0; c < 3; ++c) pixels.data[i * 3 + size_t(c)] = bgra[i * 4 + size_t(2 - c)];
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
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
