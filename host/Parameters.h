// The parameter record: the two user settings followed by the engine settings,
// kept in the host's parameter handle for one run. Also the routines that move
// the settings in and out of a run: defaults, the derived engine gains, the
// descriptor registry (last settings) and the scripting descriptor (actions).
#pragma once

#include "engine/MaskSettings.h"

struct FilterParameters {
    float amount;    // Shadow Brightness, 0..20
    float vibrance;  // Color Intensity + 2, 0..4
    MaskSettings mask;
};

void setDefaultParameters();

// lumaGain and chromaScale from amount and vibrance, in extended precision.
void deriveMaskGains(FilterParameters* p);

// Descriptor registry: the last settings, whole numbers only. Return the first
// host error met, else 0; callers ignore the result.
int16_t loadLastSettings();
int16_t saveLastSettings();

// Scripting descriptor of a recorded or replayed action step.
int16_t readScriptParameters(bool& showDialog);
int16_t writeScriptParameters();
