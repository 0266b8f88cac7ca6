// The parameter record's defaults and the routines that move the settings in
// and out of a run: the descriptor registry (last settings) and the scripting
// descriptor (actions). The record itself is engine/FilterParameters.h.
#pragma once
#include <cstdint>

#include "engine/FilterParameters.h"

// The descriptor registry's key of the last settings; also the scope string
// of the plug-in's scripting terminology.
constexpr const char* settingsRegistryKey = "{011c2e9b-a11b-4c53-bb70-6f7b9f288f09}";

void setDefaultParameters();

// Descriptor registry: the last settings, whole numbers only. Return the first
// host error met, else 0; callers ignore the result.
int16_t loadLastSettings();
int16_t saveLastSettings();

// Scripting descriptor of a recorded or replayed action step.
int16_t readScriptParameters(bool& showDialog);
int16_t writeScriptParameters();
