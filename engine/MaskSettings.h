// The engine's settings: the part of the parameter record that every engine
// routine reads. The record lives in a host handle, so this is plain data with
// a fixed layout (floats, then one 16-bit value).
#pragma once
#include <cstdint>

struct MaskSettings {
    float strength;     // base range threshold of the level filter, in sample units
    float levelCount;   // smoothed pyramid levels; may be fractional; 0 = estimate it
    float asymmetry;    // asymmetry of the level filter's range weight
    float lumaGain;     // share of the mask's luma range lifted from below (0..1)
    float chromaScale;  // factor scaling the mask's chroma about neutral
    uint16_t maxValue;  // largest channel value (255)
};

// Initial engine settings, shared by the parameter record's defaults and tests.
constexpr float kDefaultStrength = 64.0f;
constexpr float kDefaultLevelCount = 5.0f;
constexpr float kDefaultAsymmetry = 0.0f;
constexpr float kDefaultLumaGain = 0.5f;
constexpr float kDefaultChromaScale = 0.5f;
constexpr uint16_t kDefaultMaxValue = 255;
