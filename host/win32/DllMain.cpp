// The library attach notification: remembers the module the dialogs, cursors
// and strings are loaded from. Thread notifications leave it. When a host
// unloads the library (not at the process's end), what the plug-in still holds
// of its own is released: some hosts end runs without Finish.
#include <windows.h>

#include "host/PluginGlobals.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    if (reason == DLL_PROCESS_ATTACH) moduleInstance = instance;
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) releaseAtUnload();
    return TRUE;
}
