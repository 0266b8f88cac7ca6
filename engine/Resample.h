// Moving between pyramid levels: plain decimation by 2 and enlargement by 2
// with a uniform cubic B-spline. Both work in a caller-supplied work area and
// report too small a one through EngineError (code -1). Planes are float,
// row-major, rows packed; src, dst and work are distinct.
#pragma once
#include <cstddef>

// dst (width/2 x height/2) = src[2r][2k]. Needs workBytes > 4 * (width/2) * height.
int DownSampleBy2(const float* src, int width, int height, float* dst, float* work, size_t workBytes);

// dst (2 * src or 2 * src + 1 in each direction). Needs workBytes >= 4 * (srcWidth + 4) * (srcHeight + 4).
int BicubicUpsample(const float* src, int srcWidth, int srcHeight, float* dst, int dstWidth, int dstHeight,
                    float* work, size_t workBytes);

// The uniform cubic B-spline on -2..2.
float cubicBSpline(float x);
