// The parameter record's defaults. The record itself is
// engine/FilterParameters.h; the settings' travel outside a run is
// host/ScriptDescriptors.h.
#pragma once

#include "engine/FilterParameters.h"

void setDefaultParameters();
// True when the record holds what the plug-in itself could have written: both
// controls within their ranges, the level count 0 (estimate it) or at least 1,
// and the fixed engine settings at their values.
bool parametersInRange();
