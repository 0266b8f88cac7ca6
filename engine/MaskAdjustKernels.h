// The mask adjustment's per-pixel passes on vectors, one set per instruction
// set (engine/MaskAdjust{Sse2,Avx2,Avx512}.cpp, all from MaskAdjustVector.h),
// with the bits of the one-pixel code in MaskAdjust.cpp. Each does n rounded
// down to a multiple of its vector width and returns that count; the caller
// does the rest.
#pragma once
#include <cstddef>
#include <cstdint>

struct MaskAdjustKernels {
    ptrdiff_t (*rgbToYcc)(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr,
                          ptrdiff_t n, double half);
    // v = float((x - inMin) * slope + outMin) in double, clamped to outMin..outMax as remapPlane does.
    ptrdiff_t (*remap)(const uint8_t* src, uint8_t* dst, ptrdiff_t n, float inMin, float slope, float outMin,
                       float outMax);
    // In place allowed: a vector's inputs are all read before its outputs are written.
    ptrdiff_t (*yccToRgb)(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb, const uint8_t* cr,
                          ptrdiff_t n, float half);
};

const MaskAdjustKernels& maskAdjustSse2();
const MaskAdjustKernels& maskAdjustAvx2();
const MaskAdjustKernels& maskAdjustAvx512();
