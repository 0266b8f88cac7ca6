// 16-bit samples on the two scales they come in: a file's (and GEGL's) run
// from 0 to 65535, the host interface's from 0 to 32768 (32768 is full). The
// fronts that read files or buffers hand the plug-in's stages the host's
// scale, and convert the result back.
#pragma once
#include <cstdint>

// round(v * 32768 / 65535), halves up.
uint16_t hostSample(uint16_t fileSample);
// round(h * 65535 / 32768), halves up; values above 32768 count as 32768.
uint16_t fileSample(uint16_t hostSample);

// A filtered sample back on the file's scale: one the filter left at the
// value it was given keeps the file's own value (the host's scale has half
// the steps of a file's), so what the filter did not change comes back exactly.
inline uint16_t filteredFileSample(uint16_t original, uint16_t filtered) {
    return filtered != hostSample(original) ? fileSample(filtered) : original;
}
