// The parameter record's defaults. The record itself is
// engine/FilterParameters.h; the settings' travel outside a run is
// host/ScriptDescriptors.h.
#pragma once

#include "engine/FilterParameters.h"

void setDefaultParameters();
