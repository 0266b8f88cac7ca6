// Drives the plug-in's dialogs as a user and the window manager would, from a
// second thread, while the host's thread runs the modal loop inside the
// plug-in: typing into edit boxes, trackbar keys and thumb messages, button
// clicks, mouse presses and moves, waiting for the timer. Every action is a
// sent message, so when it returns the dialog has handled it.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    HWND dialog() const { return dialog_; }
    HWND item(int id) const { return GetDlgItem(dialog_, id); }

    std::string text(int id) const;
    bool enabled(int id) const { return IsWindowEnabled(item(id)) != FALSE; }
    bool checked(int id) const { return SendMessageA(item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    int trackbarPosition(int id) const;
    // The control that has the keyboard focus in the dialog's thread.
    HWND focused() const;

    // Selects the box's text and types the characters, as at the keyboard.
    void type(int id, const std::string& characters);
    // Replaces the box's text at once, as pasting does.
    void paste(int id, const std::string& text);
    // A key pressed and released on a control (trackbar arrows and pages).
    void key(int id, UINT virtualKey);
    // A trackbar's own notification, as it sends it while its thumb is dragged.
    void thumb(int id, int request, int position);
    void click(int id);
    // Clicks without waiting (for buttons that open a message box).
    void clickLater(int id);
    void mouse(UINT message, int x, int y, WPARAM keys);

    // Real input, as the mouse and the keyboard give it (through the system's
    // input queue, to the window under the pointer or with the focus). Each
    // returns once the dialog's thread has taken in everything sent so far.
    void clickAt(int x, int y);  // client coordinates
    void clickButton(int id);    // the control's centre
    // Clicks a button that ends the dialog and waits until it has closed.
    void clickToClose(int id);
    void pressKey(UINT virtualKey, UINT modifier = 0);
    // Clicks into the box, selects its text with Home and Shift+End, and
    // types the characters (digits, letters, minus) on the keyboard.
    void typeInto(int id, const std::string& characters);
    // Puts the text on the clipboard, selects the box's text and presses Ctrl+V.
    void pasteInto(int id, const std::string& text);
    // The left button pressed at a client point, and released at another.
    void sendMouseDown(int x, int y);
    void sendMouseUp(int x, int y);
    // Presses the left button at `from`, moves to `to` in steps and releases.
    void drag(POINT from, POINT to);
    // Waits until the dialog's thread has taken in all real input sent so far.
    void waitForInput();
    // The client rectangle of a control.
    RECT itemRect(int id) const;
    // Resizes the dialog's window as dragging its frame does (the dialog's
    // smallest size applies) and waits until it has been laid out again.
    void resizeTo(int width, int height);
    // The dialog's window size.
    SIZE windowSize() const;
    // Turns the mouse wheel by `notches` (positive: away from the user) with
    // the pointer at a client point.
    void wheelAt(int x, int y, int notches);

    // Waits until the recomputation timer has fired and the repaint it asks for is done.
    void waitForTimer();
    // Lets every pending paint run and waits until the dialog is idle again.
    void settle();

    // A client-area pixel of the dialog as it is on screen (0xBBGGRR).
    COLORREF screenPixel(int x, int y) const;
    // A client rectangle of the dialog as it is on screen, packed RGB.
    std::vector<uint8_t> screenRgb(const RECT& r) const;
    // Saves the dialog's client area as it is on screen (PNG).
    bool saveScreenshot(const std::string& path) const;

private:
    void sendMouse(DWORD flags, int x, int y);
    HWND dialog_;
    HHOOK hook_ = nullptr;  // counts the markers the dialog's thread takes in
};

// Polls `done` every 10 ms for up to timeoutMs; true when it became true.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// A visible top-level window of this process with the given caption, waiting
// up to timeoutMs or until `stop` becomes true.
HWND waitForWindow(const char* caption, int timeoutMs, const std::atomic<bool>* stop = nullptr);
// The text of a message box's message, and closes it with its OK button.
std::string answerMessageBox(HWND box);

// Runs `host` on this thread (it opens the dialog inside the plug-in) while
// `user` acts on the dialog whose caption is given from a second thread. If
// the dialog does not appear, or the user leaves it open, it is cancelled.
void runWithUser(const std::function<void()>& host, const char* caption,
                 const std::function<void(DialogDriver&)>& user);

}  // namespace dialogtest
