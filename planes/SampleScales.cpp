#include "planes/SampleScales.h"

namespace {

// Both scales, each value worked out once (a division a sample would
// otherwise cost more than the rest of the conversion).
struct SampleScales {
    uint16_t toHost[65536];
    uint16_t toFile[32769];
    SampleScales() {
        for (uint32_t v = 0; v < 65536; ++v) toHost[v] = uint16_t((uint64_t(v) * 2 * 32768 + 65535) / (2 * 65535));
        for (uint32_t h = 0; h <= 32768; ++h) toFile[h] = uint16_t((uint64_t(h) * 2 * 65535 + 32768) / (2 * 32768));
    }
};

const SampleScales& scales() {
    static const SampleScales table;
    return table;
}

}  // namespace

uint16_t hostSample(uint16_t v) { return scales().toHost[v]; }
uint16_t fileSample(uint16_t h) { return scales().toFile[h <= 32768 ? h : 32768]; }
