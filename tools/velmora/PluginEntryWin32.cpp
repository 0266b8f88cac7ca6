#include <cstdint>
#include <cstdlib>
#include <string>

#include "testhost/PluginLoader.h"
#include "tools/velmora/PluginEntry.h"

namespace cli {

namespace {

// An MSVC-built 32-bit host runs with the x87 unit at 53-bit precision; the
// plug-in must give the same bytes under it.
void useDoublePrecisionX87() {
#if defined(__i386__) || defined(__x86_64__)
    uint16_t control = 0;
    __asm__ volatile("fnstcw %0" : "=m"(control));
    control = uint16_t((control & ~0x0300) | 0x0200);
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
}

LoadedPlugin plugin = {};
std::string pluginPath;

}  // namespace

PluginEntryProc pluginEntry(const Options& options, std::string* error) {
    if (plugin.entry != nullptr) return plugin.entry;
    if (!loadPlugin(options.plugin.c_str(), &plugin, error)) return nullptr;
    pluginPath = options.plugin;
    if (options.x87Double) useDoublePrecisionX87();
    return plugin.entry;
}

PluginEntryProc reloadPluginEntry() {
    unloadPlugin(&plugin);
    std::string error;
    return loadPlugin(pluginPath.c_str(), &plugin, &error) ? plugin.entry : nullptr;
}

// The DLL has its own thread limit; it reads this before its first worker starts.
void limitPluginThreads(int n) { _putenv(("VELMORA_THREADS=" + std::to_string(n)).c_str()); }

}  // namespace cli
