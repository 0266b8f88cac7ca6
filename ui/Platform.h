// The one seam between the plug-in and the Win32 user interface. Windows builds
// implement it in ui/ with USER32, GDI32, ADVAPI32 and SHELL32; native builds link
// the headless stand-in in ui/headless/, which writes messages to standard error
// and runs the main dialog only with a scripted user.
#pragma once
#include <cstdint>

#include "base/HostInterface.h"
#include "planes/PreviewRender.h"

// Screen size in pixels (SM_CXSCREEN, SM_CYSCREEN).
int screenWidth();
int screenHeight();

// MessageBoxA with no owner, MB_ICONERROR | MB_SETFOREGROUND.
void showErrorBox(const char* text, const char* caption);

// What the main dialog is handed: it reaches the run only through these.
struct DialogInputs {
    PreviewContext preview;           // pixel port, memory, proxy planes, the parameter record it edits
    int16_t* resultCell;              // a failed recomputation leaves -108 here
    void* module;                     // the plug-in's module: templates, cursors, strings
    intptr_t ownerWindow;             // the host's window, or 0
    DisplayPixelsProc displayPixels;  // the host's drawing; null: the dialog draws the panes itself
    int16_t imageMode;                // the host's image mode, for the panes' pixel maps
};

// The modal main dialog; returns its end code (1 OK, 2 Cancel, negative on failure).
int ShowMainDialog(DialogInputs& inputs);

// The About box over the host's window, from the plug-in's module.
void ShowAboutBox(void* module, intptr_t ownerWindow);
