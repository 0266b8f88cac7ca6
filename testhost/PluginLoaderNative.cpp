#include "host/PluginGlobals.h"
#include "testhost/PluginLoader.h"

bool loadPlugin(const char*, LoadedPlugin* plugin, std::string*) {
    *plugin = {&PluginMain, nullptr};
    return true;
}

// Natively the plug-in is linked in: unloading it releases what it holds, as
// the library's detach does.
void unloadPlugin(LoadedPlugin* plugin) {
    releaseAtUnload();
    *plugin = {};
}
