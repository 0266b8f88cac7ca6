// The one seam between the plug-in and the Win32 user interface. Windows builds
// implement it in ui/ with USER32, GDI32, ADVAPI32 and SHELL32; native builds link
// the headless stand-in in ui/headless/, which writes messages to standard error
// and reports that no dialog can be created.
#pragma once

// Screen size in pixels (SM_CXSCREEN, SM_CYSCREEN).
int screenWidth();
int screenHeight();

// MessageBoxA with no owner, MB_ICONERROR | MB_SETFOREGROUND.
void showErrorBox(const char* text, const char* caption);

// The modal main dialog; returns its end code (1 OK, 2 Cancel, negative on failure).
int ShowMainDialog();

// The About box over the host's window.
void ShowAboutBox();
