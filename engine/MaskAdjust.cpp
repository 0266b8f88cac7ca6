#include "engine/MaskAdjust.h"

#include <cstddef>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/EngineError.h"
#include "engine/MaskAdjustKernels.h"

// Each pass runs on vectors where the path has them (MaskAdjustKernels.h),
// with the bits of the one-pixel loops below, which take what they leave;
// and in pieces shared among worker threads (each pixel on its own).
namespace {

constexpr ptrdiff_t kPiece = kSamplesPerPiece;

const MaskAdjustKernels* vectorKernels() { return kernelsFor(activeIsa(), maskAdjustSse2, maskAdjustAvx2, maskAdjustAvx512); }

// A value already clamped to 0..255, truncated toward zero.
inline uint8_t truncated(float v) { return uint8_t(int(v)); }

// High clamp in double, rounding to float, low clamp in float: the order the
// colour conversions use, which turns a NaN into 255.
inline uint8_t colourByte(double v) {
    if (!(v < 255.0)) v = 255.0;
    float f = float(v);
    if (!(f > 0.0f)) f = 0.0f;
    return truncated(f);
}

}  // namespace

void rgbToYcc(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr, int width,
              int height, int maxChannel) {
    const double half = double(maxChannel) * 0.5;
    const size_t count = size_t(width) * size_t(height);
    const MaskAdjustKernels* k = vectorKernels();
    parallelFor(ptrdiff_t(count), kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done =
            k != nullptr ? k->rgbToYcc(r + first, g + first, b + first, y + first, cb + first, cr + first, end - first, half)
                         : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            const double R = r[i], G = g[i], B = b[i];
            float luma = float(0.299 * R + 0.587 * G + 0.114 * B);
            if (!(luma < 255.0f)) luma = 255.0f;
            else if (!(luma > 0.0f)) luma = 0.0f;
            y[i] = truncated(luma);
            cb[i] = colourByte((B - double(luma)) * 0.564 + half);
            cr[i] = colourByte((R - double(luma)) * 0.73 + half);
        }
    });
}

void planeMinMax(const uint8_t* plane, int count, float* max, float* min) {
    // On the bytes themselves: converting to float keeps their order, so the
    // extremes are the same values (and the loop runs on vectors).
    uint8_t hi = plane[0], lo = plane[0];
    for (int i = 0; i < count; ++i) {
        const uint8_t x = plane[i];
        hi = x > hi ? x : hi;
        lo = x < lo ? x : lo;
    }
    *max = hi;
    *min = lo;
}

void remapPlane(const uint8_t* src, int count, uint8_t* dst, float inMax, float inMin, float outMax, float outMin) {
    const float slope = float((double(outMax) - double(outMin)) / (double(inMax) - double(inMin)));
    // Settings beyond the controls' ranges (a scripted Color Intensity outside
    // -2..+2, or one that is not a number) put outMin..outMax outside the byte
    // range: values saturate at 0..255 rather than wrap, and the conversion
    // stays defined. Within the range this changes no value.
    const MaskAdjustKernels* k = vectorKernels();
    parallelFor(count, kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done = k != nullptr ? k->remap(src + first, dst + first, end - first, inMin, slope, outMin, outMax) : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            float v = float((double(src[i]) - double(inMin)) * double(slope) + double(outMin));
            if (!(v > outMin)) v = outMin;
            if (!(v < outMax)) v = outMax;
            if (!(v < 255.0f)) v = 255.0f;
            if (!(v > 0.0f)) v = 0.0f;
            dst[i] = truncated(v);
        }
    });
}

void yccToRgb(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int width,
              int height, int maxChannel) {
    const float half = float(maxChannel) * 0.5f;
    const size_t count = size_t(width) * size_t(height);
    const MaskAdjustKernels* k = vectorKernels();
    parallelFor(ptrdiff_t(count), kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done =
            k != nullptr ? k->yccToRgb(r + first, g + first, b + first, y + first, cb + first, cr + first, end - first, half)
                         : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            const double Y = y[i];
            const double dCb = float(cb[i]) - half, dCr = float(cr[i]) - half;
            const uint8_t red = colourByte(Y + 1.4025 * dCr);
            const uint8_t green = colourByte(Y - 0.3443 * dCb - 0.7144 * dCr);
            const uint8_t blue = colourByte(Y + 1.773 * dCb);
            r[i] = red;
            g[i] = green;
            b[i] = blue;
        }
    });
}

int adjustMask(const uint8_t* maskR, const uint8_t* maskG, const uint8_t* maskB, int width, int height, uint8_t* outR,
               uint8_t* outG, uint8_t* outB, const MaskSettings* settings) {
    const int count = width * height;
    WorkerTeam team;  // one set of worker threads for the passes below
    rgbToYcc(maskR, maskG, maskB, outR, outG, outB, width, height, 255);
    float max = 0, min = 0;
    planeMinMax(outR, count, &max, &min);
    if (!(max > min)) return setEngineError(kEngineFlatLuma, "adjustMask", "Image max is <= image min");
    const float gain = settings->lumaGain;
    if (gain < 0.0f || gain > 1.0f)
        return setEngineError(kEngineBadLumaGain, "adjustMask", "Luma gain is outside the range of 0 to 1");

    const float pivot = min + gain * (max - min);
    remapPlane(outR, count, outR, max, min, max, pivot);

    const double M = settings->maxValue, scale = settings->chromaScale;
    const float low = float((1.0 - scale) * M * 0.5);
    const float high = float(M * scale + double(low));
    remapPlane(outG, count, outG, float(M), 0.0f, high, low);
    remapPlane(outB, count, outB, float(M), 0.0f, high, low);

    yccToRgb(outR, outG, outB, outR, outG, outB, width, height, 255);
    return kEngineOk;
}
