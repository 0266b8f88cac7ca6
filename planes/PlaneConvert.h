// Conversions between the host's 8-bit buffers and single-precision float
// planes, the per-plane normalisation, the divisions by an adjusted mask and
// the byte range of a plane; and the same operations for deep images (16-bit
// samples), whose mask planes are float planes where 8-bit images have bytes.
//
// Conventions shared by every routine here:
// - Byte planes are row-major with a row stride in bytes; float planes are
//   row-major on the 0..255 scale with a stride counted in samples; "packed"
//   means stride = width. Three back-to-back planes hold red, green and blue,
//   plane k starting k * width * height samples in. Interleaved RGB holds the
//   three channels of a pixel in consecutive bytes.
// - Intermediate arithmetic is double precision; a value stored into a float
//   plane is rounded to single precision.
// - Nothing allocates, keeps state or fails; keeping rectangles inside the
//   buffers is the caller's duty. A rectangle without rows or columns
//   converts nothing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/Rect.h"

// Integer part of a value already clamped to 0..255: adds 2^20 in double
// precision and keeps the integer bits below 2^20 (floor(v) for 0..255).
inline int truncateSample(double v) {
    // 2^20 + v puts v's integer part in mantissa bits 32..51 (the fraction
    // fills the 32 bits below): the integer part without a float-to-int
    // conversion, the same on every processor.
    const double shifted = v + 1048576.0;
    uint64_t bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    return int((bits >> 32) & 0xFFFFFu);
}
// Not greater than 0 gives 0, then not less than 255 gives 255: NaN gives 0.
inline double clampLowFirst(double v) {
    if (!(v > 0.0)) return 0.0;  // NaN fails every comparison: it ends here as 0
    if (!(v < 255.0)) return 255.0;
    return v;
}
// Not less than 255 gives 255, then not greater than 0 gives 0: NaN gives 255.
inline double clampHighFirst(double v) {
    if (!(v < 255.0)) return 255.0;  // NaN ends here as 255
    if (!(v > 0.0)) return 0.0;
    return v;
}
// Clamp high-first, add 0.5, truncate: halves round up, NaN gives 255.
inline int roundSample(double v) { return truncateSample(clampHighFirst(v) + 0.5); }

// Deep samples. The host's 16-bit range is 0..32768, 32768 full. On the
// engine's 0..255 scale a host sample h is h * 255 / 32768: h * 255 is an
// integer below 2^24 and the division is by a power of two, so the value is
// exact in single precision, and roundDeepSample gives h back.
constexpr int kDeepFull = 32768;
inline float deepToScale(uint16_t h) { return float(int32_t(h) * 255) * (1.0f / 32768.0f); }
// A value on the 0..255 scale as a host sample: clamp high-first (NaN gives
// 32768), times 32768 / 255 (the double nearest it), plus 0.5, each step in
// double precision, truncated as truncateSample does (below 32768.5, well
// within the 2^20 its step covers): to nearest, halves up. An exact value
// h * 255 / 32768 comes to within 2^-37 of h before the 0.5 is added, so it
// gives h back.
constexpr double kDeepPerLevel = 32768.0 / 255.0;
inline int roundDeepSample(double v) { return truncateSample(clampHighFirst(v) * kDeepPerLevel + 0.5); }

// src addresses r's first sample (rows srcRowBytes apart); dst is packed.
void importPlane(const uint8_t* src, float* dst, const Rect& r, ptrdiff_t srcRowBytes);
// As importPlane with dst rows dstStride samples apart; copies
// min(height(r), maxRows) rows of min(width(r), dstStride) columns.
void importTile(const uint8_t* src, float* dst, const Rect& r, ptrdiff_t srcRowBytes, ptrdiff_t dstStride,
                int maxRows);

// src packed (stride width(r)) from r's first sample; clamp low-first, truncate.
void exportPlane(const float* src, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes);
// Rows top..bottom-1, columns left..right-1 of src (r in src's coordinates)
// into dst from its first sample; clamp low-first, truncate.
void exportRegion(const float* src, ptrdiff_t srcStride, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes);
// height(r) x width(r) samples from src's first sample: gain * v rounded to
// single precision, clamp low-first, truncate.
void exportScaled(const float* src, ptrdiff_t srcStride, uint8_t* dst, const Rect& r, ptrdiff_t dstRowBytes,
                  float gain);
// Three back-to-back packed planes into packed interleaved RGB: gain * v
// rounded to single precision, clamp high-first, truncate.
void exportInterleaved(const float* src, int16_t width, int16_t height, uint8_t* dst, float gain);
// Three back-to-back packed byte planes into packed interleaved RGB.
void interleavePlanes(const uint8_t* src, int16_t width, int16_t height, uint8_t* dst);

// In place over rows top..bottom-1, columns left..right-1 of a plane
// addressed from its origin.
void normalisePlane(float* plane, ptrdiff_t stride, const Rect& r, float min, float scale);    // (v - min) * scale
void denormalisePlane(float* plane, ptrdiff_t stride, const Rect& r, float min, float invScale);  // min + invScale * v
// As above on bytes, each result clamped high-first and truncated.
void normaliseBytes(uint8_t* plane, ptrdiff_t rowBytes, const Rect& r, float min, float scale);
void denormaliseBytes(uint8_t* plane, ptrdiff_t rowBytes, const Rect& r, float min, float invScale);

// r is in the mask's coordinates (mask packed, maskWidth samples a row),
// clipped to the mask; region sample (i, j) is tile[i * tileStride + j] and
// pairs with mask[(top + i) * maskWidth + left + j]. The quotient by the mask
// (1 where it is not positive), capped at 1, goes to out at the tile's offset.
void divideByMask(const float* tile, const Rect& r, ptrdiff_t tileStride, const float* mask, int maskWidth,
                  int maskHeight, float* out);
// As divideByMask with a packed byte mask: out = v / m * 255 uncapped; where
// m is 0 the divisor is v itself (255, or NaN for v = 0).
void divideByProxyMask(const float* plane, const Rect& r, ptrdiff_t stride, const uint8_t* mask, int maskWidth,
                       int maskHeight, float* out);

// hi and lo start from the plane's first byte, then take the maximum and
// minimum over r (addressed from the plane's origin).
void sampleRange(const uint8_t* plane, const Rect& r, ptrdiff_t rowBytes, uint8_t* hi, uint8_t* lo);

// Deep mask planes: each operation clamps as its byte form above does and,
// where the byte form truncates, keeps the truncation's mean (engine/
// DeepSamples.h) in single precision. Strides are in samples; dst may be src
// when the strides are equal.
// Clamp low-first.
void exportRegion(const float* src, ptrdiff_t srcStride, float* dst, const Rect& r, ptrdiff_t dstStride);
// gain * v rounded to single precision, clamp low-first.
void exportScaled(const float* src, ptrdiff_t srcStride, float* dst, const Rect& r, ptrdiff_t dstStride, float gain);
// (v - min) * scale, clamp high-first (a flat plane's infinite or NaN scale gives 255).
void normaliseClamped(float* plane, ptrdiff_t stride, const Rect& r, float min, float scale);
// min + invScale * v, clamp high-first.
void denormaliseClamped(float* plane, ptrdiff_t stride, const Rect& r, float min, float invScale);
// As the byte form, on floats.
void sampleRange(const float* plane, const Rect& r, ptrdiff_t stride, float* hi, float* lo);
