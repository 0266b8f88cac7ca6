// The mask adjustment: the three 8-bit channel masks become luma and two
// colour differences; the dark end of the luma range is lifted by lumaGain
// ("Shadow Brightness"), the colour differences are scaled about neutral by
// chromaScale ("Color Intensity"), and the result goes back to three 8-bit RGB
// planes, the adjusted mask the renders divide by.
//
// Planes are packed bytes of width * height samples. The input planes are
// never written, so the adjustment can be repeated with new settings. Every
// conversion to a byte clamps as stated and truncates; nothing rounds to
// nearest.
#pragma once

#include <cstdint>

#include "engine/MaskSettings.h"

// 0, or -2 (flat mask luma) or -3 (lumaGain outside 0..1), with EngineError set.
int adjustMask(const uint8_t* maskR, const uint8_t* maskG, const uint8_t* maskB, int width, int height, uint8_t* outR,
               uint8_t* outG, uint8_t* outB, const MaskSettings* settings);

void rgbToYcc(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr, int width,
              int height, int maxChannel);
void planeMinMax(const uint8_t* plane, int count, float* max, float* min);
void remapPlane(const uint8_t* src, int count, uint8_t* dst, float inMax, float inMin, float outMax, float outMin);
// Works in place: all three inputs of a pixel are read before its outputs are written.
void yccToRgb(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int width,
              int height, int maxChannel);
