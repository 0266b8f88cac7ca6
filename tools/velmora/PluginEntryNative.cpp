#include "base/Parallel.h"
#include "host/PluginGlobals.h"
#include "tools/velmora/PluginEntry.h"

namespace cli {
PluginEntryProc pluginEntry(const Options&, std::string*) { return &PluginMain; }
void limitPluginThreads(int n) { setThreadLimit(n); }
}  // namespace cli
