// Where the tool gets the plug-in's entry point: in-process natively, from a
// real Velmora.8bf (found by its PIPL resource) in the Windows test host.
#pragma once

#include <string>

#include "base/HostInterface.h"
#include "tools/velmora/CliOptions.h"

namespace cli {
constexpr bool kHostTool =
#ifdef _WIN32
    true;
#else
    false;
#endif

// The plug-in's entry point, loaded on the first call (the current one after a reload).
PluginEntryProc pluginEntry(const Options& options, std::string* error);
// Unloads the plug-in and loads it afresh, as hosts that unload it after every
// run do; the new entry point (null when the fresh load failed).
PluginEntryProc reloadPluginEntry();
// Caps the plug-in's worker threads at n (from --threads).
void limitPluginThreads(int n);
}  // namespace cli
