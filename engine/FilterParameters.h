// The parameter record: the two user settings followed by the engine's
// settings. It lives in a host handle for one run (plain data, fixed layout);
// the host side fills and stores it, the renders and the dialog read it.
#pragma once

#include "engine/MaskSettings.h"

struct FilterParameters {
    float amount;    // Shadow Brightness, 0..20
    float vibrance;  // Color Intensity + 2, 0..4
    MaskSettings mask;
};

// The record of a fresh run: the controls' initial values and the engine's
// initial settings.
FilterParameters initialParameters();
// lumaGain and chromaScale from amount and vibrance, in extended precision.
void deriveMaskGains(FilterParameters* p);
