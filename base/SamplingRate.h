// Sampling rates as the host interface carries them: 16.16 fixed-point
// numbers. A whole step k (every k-th pixel in both directions) is k << 16.
#pragma once
#include <cstdint>

constexpr int32_t kRateOne = 0x10000;  // every pixel
constexpr int32_t kRateTwo = 0x20000;  // every second pixel: the proxy

constexpr int32_t rateOfStep(int step) { return int32_t(step) << 16; }
constexpr int stepOfRate(int32_t rate) { return int(rate >> 16); }
// True for the rates of whole steps (1, 2, 3, ...), the only ones the plug-in asks for.
constexpr bool isWholeStep(int32_t rate) { return rate >= kRateOne && (rate & 0xFFFF) == 0; }
