// For the installer's test: prints the help folder that the plug-in's Help
// button reads from the registry, read by the plug-in's own code, in the
// registry view of this program's width. Exit code 0 when the help page is in
// that folder, 2 when it is not, 1 when no valid folder is recorded.
#include <windows.h>

#include <cstdio>
#include <string>

#include "ui/HelpLauncher.h"

int main() {
    std::string folder = helpFolder();
    if (folder.empty()) return 1;
    std::printf("%s\n", folder.c_str());
    DWORD attributes = GetFileAttributesA((folder + "VelmoraHelp.htm").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ? 0 : 2;
}
