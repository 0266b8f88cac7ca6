// The enlargement's taps are accumulated in float from 0, rows top to bottom
// and columns left to right, each term (row weight * column weight) * sample.
// Taps whose weight is exactly 0 (the spline's ends) are skipped: adding the
// +0 or -0 they would contribute to a sum that starts at +0 never changes it
// for finite samples, so the bits are those of the full 16-tap sum.
//
// The vector paths (ResampleKernels.h) sum each output in the same order with
// the same weight products. Output rows are shared among worker threads;
// each reads only the padded copy.
#include "engine/Resample.h"

#include <cstddef>
#include <cstring>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/EngineError.h"
#include "engine/ResampleKernels.h"

namespace {

const float oneSixth = 0.16666667f;  // bits 0x3E2AAAAB

float cube(float t) { return t > 0.0f ? float(double(t) * double(t) * double(t)) : 0.0f; }

int notEnoughWork(const char* routine) {
    return setEngineError(kEngineNoMemory, routine, "Not enough temporary memory passed in");
}

// Copies src into a (w + 4) x (h + 4) plane with every edge sample repeated twice.
void padTwice(const float* src, int w, int h, float* padded) {
    const int p = w + 4;
    for (int i = 0; i < h + 4; ++i) {
        int row = i - 2 < 0 ? 0 : (i - 2 >= h ? h - 1 : i - 2);
        const float* s = src + ptrdiff_t(row) * w;
        float* d = padded + ptrdiff_t(i) * p;
        d[0] = d[1] = s[0];
        std::memcpy(d + 2, s, size_t(w) * sizeof(float));
        d[w + 2] = d[w + 3] = s[w - 1];
    }
}

const ResampleKernels* vectorKernels(Isa isa) { return kernelsFor(isa, resampleSse2, resampleAvx2, resampleAvx512); }

// One output row j of the enlargement, from output column first on.
void upsampleRowScalar(const float* work, int p, const float* W, int j, int first, float* out, int dstWidth) {
    const int r = j / 2, a = j % 2;
    const float rowW[4] = {W[2 - a], W[4 - a], W[6 - a], W[8 - a]};
    const int rows = rowW[3] == 0.0f ? 3 : 4;
    const float* top = work + ptrdiff_t(r + 1) * p;  // source row r - 1, offset by 2 into the padding
    for (int k = first; k < dstWidth; ++k) {
        const int c = k / 2, b = k % 2;
        const float colW[4] = {W[6 + b], W[4 + b], W[2 + b], W[b]};
        const int cols = colW[3] == 0.0f ? 3 : 4;
        const float* tap = top + c + 1;  // source column c - 1
        float sum = 0.0f;
        for (int i = 0; i < rows; ++i)
            for (int m = 0; m < cols; ++m) sum += rowW[i] * colW[m] * tap[ptrdiff_t(i) * p + m];
        out[k] = sum;
    }
}

// Column pairs 0 .. pairs - 1 on vectors, the rest (an odd width's last column) one by one.
void upsampleRowVector(const ResampleKernels& kernels, const float* work, int p, const float* W, int j, int pairs,
                       float* out, int dstWidth) {
    const int a = j % 2;
    const float rowW[4] = {W[2 - a], W[4 - a], W[6 - a], W[8 - a]};
    const int rows = rowW[3] == 0.0f ? 3 : 4;
    const float evenW[4] = {W[6], W[4], W[2], W[0]}, oddW[4] = {W[7], W[5], W[3], W[1]};
    float evenProducts[12], oddProducts[16];
    for (int i = 0; i < 4; ++i)
        for (int m = 0; m < 4; ++m) {
            if (m < 3) evenProducts[i * 3 + m] = rowW[i] * evenW[m];
            oddProducts[i * 4 + m] = rowW[i] * oddW[m];
        }
    const float* top = work + ptrdiff_t(j / 2 + 1) * p;
    kernels.upsampleRow(top, p, rows, evenProducts, evenW[3] == 0.0f ? 3 : 4, oddProducts, oddW[3] == 0.0f ? 3 : 4,
                        pairs, out);
    upsampleRowScalar(work, p, W, j, 2 * pairs, out, dstWidth);
}

}  // namespace

float cubicBSpline(float x) {
    float p0 = cube(x + 2.0f), p1 = cube(x + 1.0f), p2 = cube(x), p3 = cube(x - 1.0f);
    return ((p0 - 4.0f * p1) + 6.0f * p2 - 4.0f * p3) * oneSixth;
}

int DownSampleBy2(const float* src, int width, int height, float* dst, float* work, size_t workBytes) {
    (void)work;  // decimation needs no copy of its own; the limit is kept for its callers
    const int halfW = width / 2, halfH = height / 2;
    if (workBytes <= 4 * size_t(halfW) * size_t(height)) return notEnoughWork("DownSampleBy2");
    for (int r = 0; r < halfH; ++r) {
        const float* s = src + ptrdiff_t(2 * r) * width;
        float* d = dst + ptrdiff_t(r) * halfW;
        for (int k = 0; k < halfW; ++k) d[k] = s[2 * k];
    }
    return kEngineOk;
}

int BicubicUpsample(const float* src, int srcWidth, int srcHeight, float* dst, int dstWidth, int dstHeight,
                    float* work, size_t workBytes) {
    const int p = srcWidth + 4;
    if (workBytes < 4 * size_t(p) * size_t(srcHeight + 4)) return notEnoughWork("BicubicUpsample");
    padTwice(src, srcWidth, srcHeight, work);
    float W[9];
    for (int i = 0; i < 9; ++i) W[i] = cubicBSpline(float(i) / 2.0f - 2.0f);

    const ResampleKernels* kernels = vectorKernels(activeIsa());
    const int pairs = dstWidth / 2 < srcWidth ? dstWidth / 2 : srcWidth;
    if (kernels != nullptr && pairs < kernels->lanes) kernels = nullptr;
    const ptrdiff_t rowsPerPiece = dstWidth >= 32768 ? 1 : 32768 / dstWidth;
    parallelFor(dstHeight, rowsPerPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        for (ptrdiff_t j = first; j < end; ++j) {
            float* out = dst + j * dstWidth;
            if (kernels != nullptr) upsampleRowVector(*kernels, work, p, W, int(j), pairs, out, dstWidth);
            else upsampleRowScalar(work, p, W, int(j), 0, out, dstWidth);
        }
    });
    return kEngineOk;
}
