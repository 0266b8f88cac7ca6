// Headless stand-in for the Win32 seam, used by native builds (tests, the
// command-line tool). Error boxes go to standard error; there is no dialog.
#include "ui/Platform.h"
#include "ui/headless/Headless.h"

#include <cstdio>

namespace {
int headlessScreenWidth = 1920;
int headlessScreenHeight = 1080;
}  // namespace

// Tests change the reported screen to exercise the plug-in's screen check.
void setHeadlessScreenSize(int width, int height) {
    headlessScreenWidth = width;
    headlessScreenHeight = height;
}

int screenWidth() { return headlessScreenWidth; }
int screenHeight() { return headlessScreenHeight; }

void showErrorBox(const char* text, const char* caption) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

// A dialog that cannot be created.
int ShowMainDialog() { return -1; }

void ShowAboutBox() {}
