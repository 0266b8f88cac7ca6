#include "host/PluginGlobals.h"
#include "tools/velmora/PluginEntry.h"

namespace cli {
PluginEntryProc pluginEntry(const Options&, std::string*) { return &PluginMain; }
}  // namespace cli
