// 16-bit samples on the two scales they come in: a file's (and GEGL's) run
// from 0 to 65535, the host interface's from 0 to 32768 (32768 is full). The
// fronts that read files or buffers hand the plug-in's stages the host's
// scale, and convert the result back. Header-only: the Windows tools take it
// without the plug-in's code.
#pragma once
#include <cstdint>

namespace sample_scales {

// Both scales, each value worked out once (a division a sample would
// otherwise cost more than the rest of the conversion).
struct Tables {
    uint16_t toHost[65536];
    uint16_t toFile[32769];
    Tables() {
        for (uint32_t v = 0; v < 65536; ++v) toHost[v] = uint16_t((uint64_t(v) * 2 * 32768 + 65535) / (2 * 65535));
        for (uint32_t h = 0; h <= 32768; ++h) toFile[h] = uint16_t((uint64_t(h) * 2 * 65535 + 32768) / (2 * 32768));
    }
};

inline const Tables& tables() {
    static const Tables t;
    return t;
}

}  // namespace sample_scales

// round(v * 32768 / 65535), halves up.
inline uint16_t hostSample(uint16_t fileSample) { return sample_scales::tables().toHost[fileSample]; }
// round(h * 65535 / 32768), halves up; values above 32768 count as 32768.
inline uint16_t fileSample(uint16_t hostSample) {
    return sample_scales::tables().toFile[hostSample <= 32768 ? hostSample : 32768];
}

// A filtered sample back on the file's scale: one the filter left at the
// value it was given keeps the file's own value (the host's scale has half
// the steps of a file's), so what the filter did not change comes back exactly.
inline uint16_t filteredFileSample(uint16_t original, uint16_t filtered) {
    return filtered != hostSample(original) ? fileSample(filtered) : original;
}
