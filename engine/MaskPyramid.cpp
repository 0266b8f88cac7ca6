#include "engine/MaskPyramid.h"

#include <cmath>
#include <cstddef>

#include "base/Parallel.h"
#include "engine/EngineError.h"
#include "engine/LevelFilter.h"
#include "engine/Resample.h"

// f = (N + 1) - k in float; g = sqrt(f / N) * S with the quotient rounded to
// float, the root in double and the product rounded to float. A level with
// f <= 0 is not smoothed (a NaN f still is, and the filter sees a NaN g).
float levelStrength(const MaskSettings* settings, int depth) {
    float n = settings->levelCount;
    float f = (n + 1.0f) - float(depth);
    if (f <= 0.0f) return 0.0f;
    float quotient = float(double(f) / double(n));
    return float(std::sqrt(double(quotient)) * double(settings->strength));
}

size_t pyramidScratchBytes(int width, int height) {
    size_t used = 0, least = 0;  // bytes taken by the levels above, the least scratch so far
    for (int depth = 1; depth <= maxPyramidDepth; ++depth) {
        const size_t n = size_t(width) * size_t(height);
        const int halfW = width / 2, halfH = height / 2;
        used += 4 * (2 * n + size_t(halfW) * size_t(halfH));
        size_t rest = 1;  // each level keeps at least a byte past its regions
        if (depth < maxPyramidDepth && halfW >= 1 && halfH >= 1) {
            const size_t decimation = 4 * size_t(halfW) * size_t(height) + 1;
            const size_t enlargement = 4 * size_t(halfW + 4) * size_t(halfH + 4);
            rest = decimation > enlargement ? decimation : enlargement;
        }
        if (used + rest > least) least = used + rest;
        if (depth == maxPyramidDepth || halfW < 1 || halfH < 1) break;
        width = halfW;
        height = halfH;
    }
    return least;
}

int createMaskPyramid(float* plane, int width, int height, const MaskSettings* settings, float* scratch,
                      size_t scratchBytes, int depth) {
    const size_t n = size_t(width) * size_t(height);
    const int halfW = width / 2, halfH = height / 2;
    const size_t q = size_t(halfW) * size_t(halfH);
    const size_t reserved = 4 * (2 * n + q);
    if (scratchBytes <= reserved)
        return setEngineError(kEngineNoMemory, "createMaskPyramid", "Not enough memory passed in for level %i", depth);

    // The levels' many short parallel steps share one set of worker threads
    // (the deeper levels find this one active).
    WorkerTeam team;
    float* F = scratch;
    float* U = scratch + n;
    float* D = U + n;
    float* rest = D + q;
    smoothLevel(plane, width, height, F, levelStrength(settings, depth), settings->asymmetry);

    if (depth >= maxPyramidDepth) {
        for (size_t i = 0; i < n; ++i) plane[i] = F[i] - plane[i];
        return kEngineOk;
    }
    if (halfW < 1 || halfH < 1) {
        // A plane too small to halve (a top plane under 32 pixels a side) has
        // no deeper level: its enlarged change counts as 0.
        for (size_t i = 0; i < n; ++i) plane[i] = depth <= 1 ? F[i] : F[i] - plane[i];
        return kEngineOk;
    }
    const size_t remaining = scratchBytes - reserved;
    int err = DownSampleBy2(F, width, height, D, rest, remaining);
    if (err == kEngineOk) err = createMaskPyramid(D, halfW, halfH, settings, rest, remaining, depth + 1);
    if (err == kEngineOk) err = BicubicUpsample(D, halfW, halfH, U, width, height, rest, remaining);
    if (err != kEngineOk) return err;

    // The combination, in pieces shared among worker threads (each sample on its own).
    parallelFor(ptrdiff_t(n), kSamplesPerPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        if (depth <= 1) {
            for (ptrdiff_t i = first; i < end; ++i) plane[i] = F[i] + U[i];
        } else {
            for (ptrdiff_t i = first; i < end; ++i) plane[i] = F[i] - plane[i] + U[i];
        }
    });
    return kEngineOk;
}
