#include "host/Parameters.h"

#include <cmath>

#include "engine/Controls.h"
#include "host/PluginGlobals.h"

void setDefaultParameters() { *params = initialParameters(); }

bool parametersInRange() {
    const FilterParameters& p = *params;
    auto within = [](float v, const ControlSpec& c) { return v >= c.low && v <= c.high; };  // false for NaN
    bool levels = p.mask.levelCount == 0 || (p.mask.levelCount >= 1 && std::isfinite(p.mask.levelCount));
    return within(p.amount, kShadowBrightness) && within(p.vibrance, kColorIntensity) && levels &&
           p.mask.strength == kDefaultStrength && p.mask.asymmetry == kDefaultAsymmetry &&
           p.mask.maxValue == kDefaultMaxValue;
}
