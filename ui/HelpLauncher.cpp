#include "ui/HelpLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "base/Messages.h"
#include "ui/Platform.h"
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

void openHelp() {
    std::string folder = helpFolder();
    if (folder.empty()) {
        showErrorBox(kMessageNoHelpLocation, kErrorCaption);
        return;
    }
    std::string address = "file://" + folder + "VelmoraHelp.htm";
    HINSTANCE opened = ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(opened) <= 32) showErrorBox(kMessageHelpNotOpened, kErrorCaption);
}
