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

namespace dialogtest {

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
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

    // Waits until the 500 ms timer has fired and the repaint it asks for is done.
    void waitForTimer();
    // Lets every pending paint run and waits until the dialog is idle again.
    void settle();

    // A client-area pixel of the dialog as it is on screen (0xBBGGRR).
    COLORREF screenPixel(int x, int y) const;
    // Saves the dialog's client area as it is on screen (PNG).
    bool saveScreenshot(const std::string& path) const;

private:
    HWND dialog_;
};

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
