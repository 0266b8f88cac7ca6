#include "host/Parameters.h"

#include "engine/Controls.h"
#include "host/HostSuites.h"
#include "host/PluginGlobals.h"

void setDefaultParameters() {
    params->amount = kShadowBrightness.initial;
    params->vibrance = kColorIntensity.initial;
    params->mask.strength = kDefaultStrength;
    params->mask.levelCount = kDefaultLevelCount;
    params->mask.asymmetry = kDefaultAsymmetry;
    params->mask.lumaGain = kDefaultLumaGain;
    params->mask.chromaScale = kDefaultChromaScale;
    params->mask.maxValue = kDefaultMaxValue;
}
