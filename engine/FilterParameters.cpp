#include "engine/FilterParameters.h"

// Left to right, the constants taken as single-precision values, evaluated in
// extended precision and stored as float (the entry point guarantees the x87
// unit runs at full precision).
void deriveMaskGains(FilterParameters* p) {
    long double vibrance = p->vibrance;
    long double amount = p->amount;
    p->mask.chromaScale = float(1.0L - vibrance * (long double)0.25f);
    p->mask.lumaGain = float(1.0L - (amount * (long double)0.05f * (long double)0.7f + (long double)0.15f));
}
