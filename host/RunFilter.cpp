#include "host/RunFilter.h"

#include "host/PluginGlobals.h"

void runFilter() {}
