// The library attach notification: remembers the module the dialogs, cursors
// and strings are loaded from. Thread notifications and the detach leave it.
#include <windows.h>

#include "host/PluginGlobals.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
    return TRUE;
}
