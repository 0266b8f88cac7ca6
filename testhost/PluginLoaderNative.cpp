#include "host/PluginGlobals.h"
#include "testhost/PluginLoader.h"

bool loadPlugin(const char*, LoadedPlugin* plugin, std::string*) {
    *plugin = {&PluginMain, nullptr};
    return true;
}

void unloadPlugin(LoadedPlugin* plugin) { *plugin = {}; }
