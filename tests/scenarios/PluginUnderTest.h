// The plug-in the scenario tests drive: the in-process entry point natively,
// the real Velmora.8bf (named by VELMORA_PLUGIN, loaded by its PIPL) on Windows.
#pragma once

#include "base/HostInterface.h"

PluginEntryProc pluginUnderTest();
