#include "tests/scenarios/PluginUnderTest.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "testhost/PluginLoader.h"
#include "testhost/TestHost.h"

namespace {

LoadedPlugin plugin = {};

}  // namespace

PluginEntryProc pluginUnderTest() {
    if (plugin.entry == nullptr) {
#ifdef _WIN32
        const char* path = std::getenv("VELMORA_PLUGIN");
#else
        const char* path = "";  // linked in
#endif
        std::string error;
        if (path == nullptr || !loadPlugin(path, &plugin, &error)) {
            std::fprintf(stderr, "cannot load the plug-in: %s\n", path ? error.c_str() : "VELMORA_PLUGIN is not set");
            std::exit(2);
        }
    }
    return plugin.entry;
}

PluginEntryProc reloadPluginUnderTest() {
    unloadPlugin(&plugin);
    return pluginUnderTest();
}

void usePluginUnderTest(testhost::TestHost& host) {
    host.setEntry(pluginUnderTest());
    host.setReloader(reloadPluginUnderTest);
}
