#include "tests/scenarios/PluginUnderTest.h"

#ifdef _WIN32
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testhost/PluginLoader.h"

PluginEntryProc pluginUnderTest() {
    static LoadedPlugin plugin = {};
    if (plugin.entry == nullptr) {
        const char* path = std::getenv("VELMORA_PLUGIN");
        std::string error;
        if (path == nullptr || !loadPlugin(path, &plugin, &error)) {
            std::fprintf(stderr, "cannot load the plug-in: %s\n", path ? error.c_str() : "VELMORA_PLUGIN is not set");
            std::exit(2);
        }
    }
    return plugin.entry;
}
#else
#include "host/PluginGlobals.h"

PluginEntryProc pluginUnderTest() { return &PluginMain; }
#endif
