#include "fuzz/FuzzSupport.h"

#include <vector>

#include "engine/EngineError.h"
#include "engine/MaskAdjust.h"

namespace fuzz {

void adjustWithSettings(Input& in, FilterParameters* p) {
    deriveMaskGains(p);
    const uint8_t shape = in.byte();
    const int width = 1 + (shape & 3), height = 1 + ((shape >> 2) & 3);
    const size_t count = size_t(width) * size_t(height);
    std::vector<uint8_t> mask(count * 3), out(count * 3);
    for (uint8_t& v : mask) v = in.byte();

    // Whether the mask's luma is constant, the first thing the engine checks.
    bool flat = true;
    int firstLuma = -1;
    for (size_t i = 0; i < count; ++i) {
        float luma = float(0.299 * mask[i] + 0.587 * mask[count + i] + 0.114 * mask[2 * count + i]);
        int stored = luma < 255.0f ? (luma > 0.0f ? int(luma) : 0) : 255;
        if (firstLuma < 0) firstLuma = stored;
        flat = flat && stored == firstLuma;
    }
    const float gain = p->mask.lumaGain;
    const int expected = flat ? kEngineFlatLuma : (gain < 0.0f || gain > 1.0f) ? kEngineBadLumaGain : kEngineOk;

    engineError.code = 0;
    int result = adjustMask(mask.data(), mask.data() + count, mask.data() + 2 * count, width, height, out.data(),
                            out.data() + count, out.data() + 2 * count, &p->mask);
    FUZZ_CHECK(result == expected, "adjustMask gave %d, expected %d (lumaGain %g, chromaScale %g)", result, expected,
               double(gain), double(p->mask.chromaScale));
    FUZZ_CHECK(result == kEngineOk || engineError.code == result, "engine error record %d for result %d",
               int(engineError.code), result);
}

}  // namespace fuzz
