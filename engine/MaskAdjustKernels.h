// The mask adjustment's per-pixel passes on vectors, one set per instruction
// set (engine/MaskAdjust{Sse2,Avx2,Avx512}.cpp, all from MaskAdjustVector.h),
// with the bits of the one-pixel code in MaskAdjust.cpp. Each does n rounded
// down to a multiple of its vector width and returns that count; the caller
// does the rest.
#pragma once
#include <cstddef>
#include <cstdint>

// The passes on planes of one sample type T: bytes (8-bit images) or floats
// (deep ones).
template <class T>
struct MaskAdjustPasses {
    ptrdiff_t (*rgbToYcc)(const T* r, const T* g, const T* b, T* y, T* cb, T* cr, ptrdiff_t n, double half);
    // v = float((x - inMin) * slope + outMin) in double, clamped to outMin..outMax as remapPlane does;
    // floats store the truncation's mean with this loss (engine/DeepSamples.h).
    ptrdiff_t (*remap)(const T* src, T* dst, ptrdiff_t n, float inMin, float slope, float outMin, float outMax,
                       float loss);
    // In place allowed: a vector's inputs are all read before its outputs are written.
    ptrdiff_t (*yccToRgb)(T* r, T* g, T* b, const T* y, const T* cb, const T* cr, ptrdiff_t n, float half);
};

struct MaskAdjustKernels {
    MaskAdjustPasses<uint8_t> bytes;
    MaskAdjustPasses<float> floats;
};

template <class T>
const MaskAdjustPasses<T>& passesOf(const MaskAdjustKernels& k);
template <>
inline const MaskAdjustPasses<uint8_t>& passesOf(const MaskAdjustKernels& k) { return k.bytes; }
template <>
inline const MaskAdjustPasses<float>& passesOf(const MaskAdjustKernels& k) { return k.floats; }

const MaskAdjustKernels& maskAdjustSse2();
const MaskAdjustKernels& maskAdjustAvx2();
const MaskAdjustKernels& maskAdjustAvx512();
