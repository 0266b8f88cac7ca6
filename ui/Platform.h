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
    PreviewContext preview;           // pixel port, memory, proxy planes, the run's parameter record
    int16_t* resultCell;              // a failed recomputation leaves -108 here
    void* module;                     // the plug-in's module: templates, cursors, strings
    intptr_t ownerWindow;             // the host's window, or 0
    DisplayPixelsProc displayPixels;  // the host's drawing; null: the dialog draws the panes itself
    int16_t imageMode;                // the host's image mode, for the panes' pixel maps
};

// The ways the main dialog ends. The run maps each to its result in one
// place (host/RunFilter.cpp).
enum class DialogEnd {
    Ok = 1,                // the settings shown become the run's, and the render follows
    Cancel = 2,            // Cancel, Esc or the close box: the run's settings and image stay as they were
    NotCreated,            // the dialog could not be created
    NoPaneMemory,          // a pane buffer could not be allocated at set-up
    PreviewFailed,         // a recomputation or the final adjustment met a host error or lack of memory
    PreviewInternalError,  // ... or an internal error, whose message has been shown
    ScreenTooSmall,        // the dialog does not fit the screen; the message has said what to do
};

// The modal main dialog over the run's inputs. It edits a copy of the
// settings, which becomes the run's parameter record on OK only.
DialogEnd ShowMainDialog(const DialogInputs& inputs);

// The About box over the host's window, from the plug-in's module.
void ShowAboutBox(void* module, intptr_t ownerWindow);
