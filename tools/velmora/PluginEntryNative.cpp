#include "base/Parallel.h"
#include "host/PluginGlobals.h"
#include "tools/velmora/PluginEntry.h"

namespace cli {
PluginEntryProc pluginEntry(const Options&, std::string*) { return &PluginMain; }
// Linked in: a fresh load finds nothing of the last run, as an unloaded library.
PluginEntryProc reloadPluginEntry() {
    releaseAtUnload();
    return &PluginMain;
}
void limitPluginThreads(int n) { setThreadLimit(n); }
}  // namespace cli
