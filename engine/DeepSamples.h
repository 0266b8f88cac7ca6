// How a deep image's float planes stand for the byte planes of the 8-bit
// path. Where the 8-bit path stores a value v, clamped to 0..255, as a byte,
// it keeps floor(v): on average half a level less than v, for values spread
// evenly between whole numbers. The deep path keeps that average instead,
// v - 0.5 in single precision, so a deep image comes out as bright and with
// the same colour balance as its 8-bit version, only without the steps.
// Two exceptions follow what truncation does at 8 bits:
// - the ends of the range (exactly 0 or 255, where clamped values gather)
//   truncate to themselves and stay;
// - a stage whose input is whole at 8 bits (a byte plane) and that maps whole
//   numbers to whole numbers (slope 1, a whole offset: a normalisation with
//   minimum 0, a chroma remap at full Color Intensity) loses nothing there,
//   and keeps its value here too.
#pragma once

#include <cmath>

constexpr float kTruncationLoss = 0.5f;

// The loss of a stage v -> offset + slope * v on a byte plane.
inline float truncationLoss(double slope, double offset) {
    return slope == 1.0 && offset == std::floor(offset) ? 0.0f : kTruncationLoss;
}

inline float truncatedMean(float v, float loss = kTruncationLoss) { return v > 0.0f && v < 255.0f ? v - loss : v; }

// The same on a vector of floats, for a set of vector operations V (base/Vector*.h).
template <class V>
typename V::F truncatedMean(typename V::F v, float loss = kTruncationLoss) {
    const auto inside = V::both(V::gt(v, V::zero()), V::lt(v, V::set(255.0f)));
    return V::select(inside, V::sub(v, V::set(loss)), v);
}
