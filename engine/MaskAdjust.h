// The mask adjustment: the three channel masks become luma and two
// colour differences; the dark end of the luma range is lifted by lumaGain
// ("Shadow Brightness"), the colour differences are scaled about neutral by
// chromaScale ("Color Intensity"), and the result goes back to three RGB
// planes, the adjusted mask the renders divide by.
//
// Planes are packed, width * height samples: bytes for 8-bit images, floats
// on the same 0..255 scale for deep ones (16-bit samples), through the same
// arithmetic. The input planes are never written, so the adjustment can be
// repeated with new settings. Every value stored into a byte plane is clamped
// as stated and truncated, nothing rounds to nearest; a float plane keeps the
// clamped single-precision value.
#pragma once

#include <cstdint>

#include "engine/MaskSettings.h"

// 0, or -2 (flat mask luma) or -3 (lumaGain outside 0..1), with EngineError set.
int adjustMask(const uint8_t* maskR, const uint8_t* maskG, const uint8_t* maskB, int width, int height, uint8_t* outR,
               uint8_t* outG, uint8_t* outB, const MaskSettings* settings);
int adjustMask(const float* maskR, const float* maskG, const float* maskB, int width, int height, float* outR,
               float* outG, float* outB, const MaskSettings* settings);

void rgbToYcc(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr, int width,
              int height, int maxChannel);
void rgbToYcc(const float* r, const float* g, const float* b, float* y, float* cb, float* cr, int width, int height,
              int maxChannel);
void planeMinMax(const uint8_t* plane, int count, float* max, float* min);
void planeMinMax(const float* plane, int count, float* max, float* min);
void remapPlane(const uint8_t* src, int count, uint8_t* dst, float inMax, float inMin, float outMax, float outMin);
void remapPlane(const float* src, int count, float* dst, float inMax, float inMin, float outMax, float outMin);
// Works in place: all three inputs of a pixel are read before its outputs are written.
void yccToRgb(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int width,
              int height, int maxChannel);
void yccToRgb(float* r, float* g, float* b, const float* y, const float* cb, const float* cr, int width, int height,
              int maxChannel);
