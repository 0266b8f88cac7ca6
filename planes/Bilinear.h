// Bilinear resampling of a window of an 8-bit plane onto a destination grid,
// and the routines that share its body.
//
// Every member takes the source (its width and height in samples, its row
// stride in bytes), a window in the source's coordinates, and the destination
// (its width and height, its row stride). The grid is corner-aligned: the step
// factors are window size / destination size in single precision, destination
// (0, 0) takes the window's first sample, and neighbours are read up to the
// plane's edge, also outside the window. On the last source column no
// horizontal or vertical blending happens; on the last source row both lower
// corners take the upper-right sample. Positions, weights and the interpolated
// value are double precision; the vertical weight is rounded to single.
// A destination without rows or columns receives nothing. Nothing allocates.
#pragma once
#include <cstddef>
#include <cstdint>

#include "base/Rect.h"

// Stores the interpolated value rounded to single precision (dstStride in samples).
void resampleToFloat(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                     float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride);
// Rows firstRow .. firstRow + rowCount - 1 of what resampleToFloat writes for
// the same source, window and destination size (the same grid and bits),
// into a buffer of rowCount rows: destination row firstRow + k goes to
// dst row k. Rows outside 0 .. dstHeight - 1 are not written.
void resampleToFloatRows(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, int firstRow, int rowCount);
// The samples of `part` (destination rows top .. bottom - 1, columns left ..
// right - 1) of what resampleToFloat writes for the same source, window and
// destination size (the same grid and bits), into a buffer of part's size:
// destination sample (part.top + i, part.left + j) goes to dst[i * dstStride + j].
// Samples outside the destination are not written.
void resampleToFloatPart(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, const Rect& part);
// The same two from a float source (a deep image's adjusted masks), its
// stride in samples: the same grid, the samples taken as they are.
void resampleToFloat(const float* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window,
                     float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride);
void resampleToFloatRows(const float* src, int srcWidth, int srcHeight, ptrdiff_t srcStride, const Rect& window,
                         float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride, int firstRow, int rowCount);
// Stores the value rounded to a byte (halves up, clamp high-first).
void resampleBytes(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                   uint8_t* dst, int dstWidth, int dstHeight, ptrdiff_t dstRowBytes);
// Interleaved RGB in and out, sizes in pixels, strides in bytes; each channel
// is interpolated on its own and rounded as resampleBytes. The window is
// taken as moved to column 0, its size kept.
void resampleInterleaved(const uint8_t* src, int srcWidth, int srcHeight, ptrdiff_t srcRowBytes, const Rect& window,
                         uint8_t* dst, int dstWidth, int dstHeight, ptrdiff_t dstRowBytes);
// The interpolated mask value m divides the destination in place:
// d becomes d / m * 255 where m > 0, else 255 (dstStride in samples).
void divideBySampledMask(const uint8_t* mask, int maskWidth, int maskHeight, ptrdiff_t maskRowBytes,
                         const Rect& window, float* dst, int dstWidth, int dstHeight, ptrdiff_t dstStride);
