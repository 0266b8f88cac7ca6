// Loading a filter plug-in as a host does. On Windows: load the .8bf, find its
// PIPL resource 16000, read the entry point named for this architecture and
// look it up. Natively the plug-in is linked in and the path is not used.
#pragma once

#include <string>

#include "base/HostInterface.h"

struct LoadedPlugin {
    PluginEntryProc entry;
    void* module;
};

bool loadPlugin(const char* path, LoadedPlugin* plugin, std::string* error);
void unloadPlugin(LoadedPlugin* plugin);
