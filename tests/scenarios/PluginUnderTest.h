// The plug-in the scenario tests drive: the in-process entry point natively,
// the real Velmora.8bf (named by VELMORA_PLUGIN, loaded by its PIPL) on Windows.
#pragma once

#include "base/HostInterface.h"

namespace testhost {
class TestHost;
}

PluginEntryProc pluginUnderTest();
// Unloads the plug-in and loads it afresh (natively: releases what it holds,
// as the library's unload does); returns the new entry point.
PluginEntryProc reloadPluginUnderTest();
// Points the host at the plug-in, with the way to load it afresh.
void usePluginUnderTest(testhost::TestHost& host);
