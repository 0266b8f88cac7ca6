#include "host/Parameters.h"

#include "host/PluginGlobals.h"

void setDefaultParameters() { *params = initialParameters(); }
