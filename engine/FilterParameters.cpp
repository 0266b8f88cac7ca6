#include "engine/FilterParameters.h"

#include <cstring>

#include "engine/Controls.h"

FilterParameters initialParameters() {
    FilterParameters p;
    std::memset(&p, 0, sizeof p);  // the record is host memory: its padding bytes too are defined
    p.amount = kShadowBrightness.initial;
    p.vibrance = kColorIntensity.initial;
    p.mask.strength = kDefaultStrength;
    p.mask.levelCount = kDefaultLevelCount;
    p.mask.asymmetry = kDefaultAsymmetry;
    p.mask.lumaGain = kDefaultLumaGain;
    p.mask.chromaScale = kDefaultChromaScale;
    p.mask.maxValue = kDefaultMaxValue;
    return p;
}

// Left to right, the constants taken as single-precision values, evaluated in
// extended precision and stored as float (the entry point guarantees the x87
// unit runs at full precision).
void deriveMaskGains(FilterParameters* p) {
    long double vibrance = p->vibrance;
    long double amount = p->amount;
    p->mask.chromaScale = float(1.0L - vibrance * (long double)0.25f);
    p->mask.lumaGain = float(1.0L - (amount * (long double)0.05f * (long double)0.7f + (long double)0.15f));
}
