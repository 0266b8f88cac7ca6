#include "ui/HelpLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "base/Messages.h"
#include "ui/model/DialogValues.h"

namespace {
constexpr DWORD kHelpValueBytes = 254;
}  // namespace

std::string helpFolder() {
    char key[256];
    std::snprintf(key, sizeof key, "%s\\%s\\%s\\", "SOFTWARE\\TARVIC\\MLX Plug-Ins", "VLM", "10");
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &opened) != ERROR_SUCCESS) return "";
    BYTE value[kHelpValueBytes];
    DWORD type = 0, size = kHelpValueBytes;
    bool read = RegQueryValueExA(opened, "HelpFile", nullptr, &type, value, &size) == ERROR_SUCCESS;
    RegCloseKey(opened);
    if (!helpValueValid(read, type, value, size)) return "";
    return std::string(reinterpret_cast<const char*>(value));
}

void openHelp(void* ownerWindow) {
    HWND owner = static_cast<HWND>(ownerWindow);
    const UINT style = MB_ICONERROR | MB_SETFOREGROUND;
    std::string folder = helpFolder();
    if (folder.empty()) {
        MessageBoxA(owner, kMessageNoHelpLocation, kErrorCaption, style);
        return;
    }
    std::string address = "file://" + folder + "VelmoraHelp.htm";
    HINSTANCE opened = ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(opened) <= 32) MessageBoxA(owner, kMessageHelpNotOpened, kErrorCaption, style);
}
