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

PluginEntryProc pluginEntry(const Options& options, std::string* error);
// Caps the plug-in's worker threads at n (from --threads).
void limitPluginThreads(int n);
}  // namespace cli
