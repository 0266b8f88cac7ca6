// The edge-stopping level filter: each sample becomes a weighted mean of its
// 5 x 5 neighbourhood, a neighbour's weight falling linearly with its
// difference from the centre, and smoothing switches off for a sample when any
// of its eight near neighbours lies across an edge (weight 0).
//
// Planes are float, row-major, rows packed. Source and destination are
// separate planes of the same size. The rounding of every step is fixed (see
// the .cpp): results are the same bits on every build.
#pragma once

// Weight of a neighbour of value v around a centre of value c, for invG = 1/g.
float rangeWeight(float v, float c, float invG, float asymmetry);

// One output sample at (x, y) of a width x height plane.
float smoothSample(const float* src, int width, int height, int x, int y, float invG, float asymmetry);

// The whole plane: dst = smoothing of src with strength g. g = 0 copies.
void smoothLevel(const float* src, int width, int height, float* dst, float g, float asymmetry);
