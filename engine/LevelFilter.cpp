// Rounding, as the filter is defined:
// - rangeWeight: e = (v - c) * invG and e * (1 -/+ A) are each evaluated in
//   double from float operands and rounded once to float; 1 - e is a float
//   operation.
// - Sums of weights and of weight * value are float sums (each product
//   rounded to float before it is added), in a fixed order: interior samples
//   take the eight near samples in raster order, then the sixteen outer ones;
//   border samples take every window sample but the centre in raster order.
// - The result (v_c + d * sum_wv) / (1 + d * sum_w) is evaluated in double and
//   rounded once to float.
//
// The interior is computed a row chunk at a time with one loop per
// neighbour, so the compiler can run the samples of a chunk side by side; each
// sample still adds its terms in the order above, so the bits are those of
// interiorSample, the one-sample reference the tests compare against. The
// vector paths (LevelFilterKernels.h) keep the same order and roundings.
//
// Rows are shared out among worker threads: each output row reads only the
// source plane, so the bytes do not depend on the thread count.
//
// Planes smaller than 4 x 4 (which the pyramid can reach from a small top
// plane) take the border path: the window and near set are clipped to the
// plane and nothing outside it is read; a sample with no near neighbour (a
// 1 x 1 plane) is copied.
#include "engine/LevelFilter.h"

#include <cstddef>
#include <cstring>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/LevelFilterKernels.h"

namespace {

struct Offset {
    int dy, dx;
};

// Near set, raster order, then the outer ring, raster order.
constexpr Offset kInteriorOrder[24] = {
    {-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1},
    {-2, -2}, {-2, -1}, {-2, 0}, {-2, 1}, {-2, 2}, {-1, -2}, {-1, 2}, {0, -2},
    {0, 2},   {1, -2},  {1, 2},  {2, -2}, {2, -1}, {2, 0},  {2, 1},  {2, 2},
};
constexpr int kNearCount = 8;

// rangeWeight with the asymmetry factors (1 + A) and (1 - A) formed once.
inline float weight(float v, float c, double invG, double darker, double brighter) {
    float e = float((double(v) - double(c)) * invG);
    float scaled = e < 0.0f ? float(double(-e) * darker) : float(double(e) * brighter);
    return scaled < 1.0f ? 1.0f - scaled : 0.0f;
}

inline float combine(float centre, float d, float sumW, float sumWV) {
    return float((double(centre) + double(d) * double(sumWV)) / (1.0 + double(d) * double(sumW)));
}

bool isInterior(int width, int height, int x, int y) {
    return x >= 2 && x <= width - 3 && y >= 2 && y <= height - 3;
}

float interiorSample(const float* src, int width, int x, int y, double invG, double darker, double brighter) {
    const float* centre = src + ptrdiff_t(y) * width + x;
    float c = *centre, sumW = 0.0f, sumWV = 0.0f, d = 2.0f;
    for (int k = 0; k < 24; ++k) {
        float v = centre[ptrdiff_t(kInteriorOrder[k].dy) * width + kInteriorOrder[k].dx];
        float w = weight(v, c, invG, darker, brighter);
        sumW += w;
        sumWV += w * v;
        if (k < kNearCount) {
            d = w < d ? w : d;
            if (k == kNearCount - 1 && d <= 0.0f) return c;
        }
    }
    return combine(c, d, sumW, sumWV);
}

float borderSample(const float* src, int width, int height, int x, int y, double invG, double darker,
                   double brighter) {
    float c = src[ptrdiff_t(y) * width + x], sumW = 0.0f, sumWV = 0.0f, d = 2.0f;
    bool anyNear = false;
    for (int yy = y - 2; yy <= y + 2; ++yy) {
        if (yy < 0 || yy >= height) continue;
        for (int xx = x - 2; xx <= x + 2; ++xx) {
            if (xx < 0 || xx >= width || (xx == x && yy == y)) continue;
            float v = src[ptrdiff_t(yy) * width + xx];
            float w = weight(v, c, invG, darker, brighter);
            sumW += w;
            sumWV += w * v;
            if (xx >= x - 1 && xx <= x + 1 && yy >= y - 1 && yy <= y + 1) {
                d = w < d ? w : d;
                anyNear = true;
            }
        }
    }
    if (!anyNear) return c;
    return combine(c, d, sumW, sumWV);
}

// One neighbour's terms for n samples side by side, each added to that
// sample's sums in the order its own neighbours come.
void accumulateNear(const float* __restrict neighbour, const float* __restrict centre, int n,
                    float* __restrict sumW, float* __restrict sumWV, float* __restrict d, double invG, double darker,
                    double brighter) {
    for (int i = 0; i < n; ++i) {
        float v = neighbour[i];
        float w = weight(v, centre[i], invG, darker, brighter);
        sumW[i] += w;
        sumWV[i] += w * v;
        d[i] = w < d[i] ? w : d[i];
    }
}

void accumulateOuter(const float* __restrict neighbour, const float* __restrict centre, int n,
                     float* __restrict sumW, float* __restrict sumWV, double invG, double darker, double brighter) {
    for (int i = 0; i < n; ++i) {
        float v = neighbour[i];
        float w = weight(v, centre[i], invG, darker, brighter);
        sumW[i] += w;
        sumWV[i] += w * v;
    }
}

// Interior samples of a row are computed side by side, this many at a time
// (the width of interiorChunk's sums; its callers must not pass more).
constexpr int kChunk = 256;

// Interior samples x0 .. x0 + n - 1 of row y (n at most kChunk), side by side.
void interiorChunk(const float* src, int width, int y, int x0, int n, float* out, double invG, double darker,
                   double brighter) {
    float sumW[kChunk], sumWV[kChunk], d[kChunk];
    const float* centre = src + ptrdiff_t(y) * width + x0;
    for (int i = 0; i < n; ++i) {
        sumW[i] = 0.0f;
        sumWV[i] = 0.0f;
        d[i] = 2.0f;
    }
    for (int k = 0; k < 24; ++k) {
        const float* neighbour = centre + ptrdiff_t(kInteriorOrder[k].dy) * width + kInteriorOrder[k].dx;
        if (k < kNearCount) accumulateNear(neighbour, centre, n, sumW, sumWV, d, invG, darker, brighter);
        else accumulateOuter(neighbour, centre, n, sumW, sumWV, invG, darker, brighter);
    }
    for (int i = 0; i < n; ++i) out[i] = d[i] <= 0.0f ? centre[i] : combine(centre[i], d[i], sumW[i], sumWV[i]);
}

struct Factors {
    double invG, darker, brighter;
};

Factors factors(float invG, float asymmetry) {
    return {double(invG), 1.0 + double(asymmetry), 1.0 - double(asymmetry)};
}

}  // namespace

float rangeWeight(float v, float c, float invG, float asymmetry) {
    Factors f = factors(invG, asymmetry);
    return weight(v, c, f.invG, f.darker, f.brighter);
}

float smoothSample(const float* src, int width, int height, int x, int y, float invG, float asymmetry) {
    Factors f = factors(invG, asymmetry);
    if (isInterior(width, height, x, y)) return interiorSample(src, width, x, y, f.invG, f.darker, f.brighter);
    return borderSample(src, width, height, x, y, f.invG, f.darker, f.brighter);
}

namespace {

const LevelFilterKernels* vectorKernels(Isa isa) { return kernelsFor(isa, levelFilterSse2, levelFilterAvx2, levelFilterAvx512); }

void smoothRow(const float* src, int width, int height, int y, float* out, const Factors& f,
               const LevelFilterKernels* kernels) {
    const bool interiorRow = y >= 2 && y <= height - 3 && width >= 5;
    if (!interiorRow) {
        for (int x = 0; x < width; ++x) out[x] = borderSample(src, width, height, x, y, f.invG, f.darker, f.brighter);
        return;
    }
    for (int x = 0; x < 2; ++x) out[x] = borderSample(src, width, height, x, y, f.invG, f.darker, f.brighter);
    const int interior = width - 4;
    if (kernels != nullptr && interior >= kernels->lanes) {
        const LevelWeights weights = {f.invG, f.darker, f.brighter};
        kernels->interiorRun(src, width, y, 2, interior, out + 2, &weights);
    } else {
        for (int x = 2; x <= width - 3; x += kChunk) {
            int n = width - 2 - x < kChunk ? width - 2 - x : kChunk;
            interiorChunk(src, width, y, x, n, out + x, f.invG, f.darker, f.brighter);
        }
    }
    for (int x = width - 2; x < width; ++x) out[x] = borderSample(src, width, height, x, y, f.invG, f.darker, f.brighter);
}

}  // namespace

void smoothLevel(const float* src, int width, int height, float* dst, float g, float asymmetry) {
    size_t count = size_t(width) * size_t(height);
    if (g == 0.0f) {
        std::memcpy(dst, src, count * sizeof(float));
        return;
    }
    float invG = float(1.0 / double(g));
    const Factors f = factors(invG, asymmetry);
    const LevelFilterKernels* kernels = vectorKernels(activeIsa());
    // Pieces of half the usual size (the filter's samples cost more): enough
    // to outweigh handing them out, small enough to share a plane evenly.
    parallelFor(height, rowsPerPiece(2 * ptrdiff_t(width)), [&](ptrdiff_t first, ptrdiff_t end) {
        for (ptrdiff_t y = first; y < end; ++y)
            smoothRow(src, width, height, int(y), dst + y * width, f, kernels);
    });
}
