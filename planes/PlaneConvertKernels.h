// The plane conversions, point operations and divisions by a mask on
// vectors, one set per instruction set (planes/PlaneConvert{Sse2,Avx2,
// Avx512}.cpp, all from PlaneConvertVector.h). Each routine handles one row
// of n samples in whole vectors and returns how many it did (n rounded down
// to a multiple of the vector width); the caller does the rest with the
// one-sample code, whose bits every vector gives.
#pragma once
#include <cstddef>
#include <cstdint>

struct PlaneConvertKernels {
    ptrdiff_t (*importRow)(const uint8_t* src, float* dst, ptrdiff_t n);
    // Clamp low-first, truncate; with gain, of gain * v rounded to float.
    ptrdiff_t (*exportRow)(const float* src, uint8_t* dst, ptrdiff_t n);
    ptrdiff_t (*exportScaledRow)(const float* src, uint8_t* dst, ptrdiff_t n, float gain);
    ptrdiff_t (*normaliseRow)(float* row, ptrdiff_t n, float min, float scale);
    ptrdiff_t (*denormaliseRow)(float* row, ptrdiff_t n, float min, float invScale);
    ptrdiff_t (*normaliseBytesRow)(uint8_t* row, ptrdiff_t n, float min, float scale);
    ptrdiff_t (*denormaliseBytesRow)(uint8_t* row, ptrdiff_t n, float min, float invScale);
    ptrdiff_t (*divideByMaskRow)(const float* tile, const float* mask, float* out, ptrdiff_t n);
    ptrdiff_t (*divideByProxyMaskRow)(const float* plane, const uint8_t* mask, float* out, ptrdiff_t n);
    // The deep forms: clamp low-first (with gain, of gain * v rounded to
    // float), or (v - min) * scale clamped high-first, kept as floats.
    ptrdiff_t (*clampRow)(const float* src, float* dst, ptrdiff_t n);
    ptrdiff_t (*clampScaledRow)(const float* src, float* dst, ptrdiff_t n, float gain);
    ptrdiff_t (*normaliseClampedRow)(float* row, ptrdiff_t n, float min, float scale, float loss);
    ptrdiff_t (*denormaliseClampedRow)(float* row, ptrdiff_t n, float min, float invScale, float loss);
};

const PlaneConvertKernels& planeConvertSse2();
const PlaneConvertKernels& planeConvertAvx2();
const PlaneConvertKernels& planeConvertAvx512();
