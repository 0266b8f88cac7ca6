#include "engine/MaskAdjust.h"

#include <cstddef>

#include "base/Cpu.h"
#include "base/Parallel.h"
#include "engine/DeepSamples.h"
#include "engine/EngineError.h"
#include "engine/MaskAdjustKernels.h"

// Each pass runs on vectors where the path has them (MaskAdjustKernels.h),
// with the bits of the one-pixel loops below, which take what they leave;
// and in pieces shared among worker threads (each pixel on its own).
//
// Every pass is written once over the sample type T of the planes: bytes for
// 8-bit images, floats for deep ones. Wherever a value is stored into a
// plane, a byte keeps its integer part (the value is already clamped to
// 0..255) and a float keeps the single-precision value itself; every other
// step is the same for both.
namespace {

constexpr ptrdiff_t kPiece = kSamplesPerPiece;

const MaskAdjustKernels* vectorKernels() { return kernelsFor(activeIsa(), maskAdjustSse2, maskAdjustAvx2, maskAdjustAvx512); }

template <class T>
const MaskAdjustPasses<T>* vectorPasses() {
    const MaskAdjustKernels* k = vectorKernels();
    return k != nullptr ? &passesOf<T>(*k) : nullptr;
}

// A value already clamped to 0..255, as a sample: bytes truncate toward zero.
inline void put(uint8_t& out, float v) { out = uint8_t(int(v)); }
inline void put(float& out, float v, float loss = kTruncationLoss) { out = truncatedMean(v, loss); }
inline void put(uint8_t& out, float v, float) { put(out, v); }

// High clamp in double, rounding to float, low clamp in float: the order the
// colour conversions use, which turns a NaN into 255.
inline float colour(double v) {
    if (!(v < 255.0)) v = 255.0;
    float f = float(v);
    if (!(f > 0.0f)) f = 0.0f;
    return f;
}

template <class T>
void toYcc(const T* r, const T* g, const T* b, T* y, T* cb, T* cr, int width, int height, int maxChannel) {
    const double half = double(maxChannel) * 0.5;
    const size_t count = size_t(width) * size_t(height);
    const MaskAdjustPasses<T>* k = vectorPasses<T>();
    parallelFor(ptrdiff_t(count), kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done =
            k != nullptr ? k->rgbToYcc(r + first, g + first, b + first, y + first, cb + first, cr + first, end - first, half)
                         : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            const double R = r[i], G = g[i], B = b[i];
            float luma = float(0.299 * R + 0.587 * G + 0.114 * B);
            if (!(luma < 255.0f)) luma = 255.0f;
            else if (!(luma > 0.0f)) luma = 0.0f;
            put(y[i], luma);
            put(cb[i], colour((B - double(luma)) * 0.564 + half));
            put(cr[i], colour((R - double(luma)) * 0.73 + half));
        }
    });
}

template <class T>
void minMax(const T* plane, int count, float* max, float* min) {
    // On the samples themselves: converting bytes to float keeps their order,
    // so the extremes are the same values (and the loop runs on vectors).
    T hi = plane[0], lo = plane[0];
    for (int i = 0; i < count; ++i) {
        const T x = plane[i];
        hi = x > hi ? x : hi;
        lo = x < lo ? x : lo;
    }
    *max = float(hi);
    *min = float(lo);
}

template <class T>
void remap(const T* src, int count, T* dst, float inMax, float inMin, float outMax, float outMin) {
    const float slope = float((double(outMax) - double(outMin)) / (double(inMax) - double(inMin)));
    // Settings beyond the controls' ranges (a scripted Color Intensity outside
    // -2..+2, or one that is not a number) put outMin..outMax outside the byte
    // range: values saturate at 0..255 rather than wrap, and the conversion
    // stays defined. Within the range this changes no value.
    const float loss = truncationLoss(slope, double(outMin) - double(inMin) * slope);
    const MaskAdjustPasses<T>* k = vectorPasses<T>();
    parallelFor(count, kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done =
            k != nullptr ? k->remap(src + first, dst + first, end - first, inMin, slope, outMin, outMax, loss) : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            float v = float((double(src[i]) - double(inMin)) * double(slope) + double(outMin));
            if (!(v > outMin)) v = outMin;
            if (!(v < outMax)) v = outMax;
            if (!(v < 255.0f)) v = 255.0f;
            if (!(v > 0.0f)) v = 0.0f;
            put(dst[i], v, loss);
        }
    });
}

template <class T>
void toRgb(T* r, T* g, T* b, const T* y, const T* cb, const T* cr, int width, int height, int maxChannel) {
    const float half = float(maxChannel) * 0.5f;
    const size_t count = size_t(width) * size_t(height);
    const MaskAdjustPasses<T>* k = vectorPasses<T>();
    parallelFor(ptrdiff_t(count), kPiece, [&](ptrdiff_t first, ptrdiff_t end) {
        const ptrdiff_t done =
            k != nullptr ? k->yccToRgb(r + first, g + first, b + first, y + first, cb + first, cr + first, end - first, half)
                         : 0;
        for (ptrdiff_t i = first + done; i < end; ++i) {
            const double Y = y[i];
            const double dCb = float(cb[i]) - half, dCr = float(cr[i]) - half;
            const float red = colour(Y + 1.4025 * dCr);
            const float green = colour(Y - 0.3443 * dCb - 0.7144 * dCr);
            const float blue = colour(Y + 1.773 * dCb);
            put(r[i], red);
            put(g[i], green);
            put(b[i], blue);
        }
    });
}

template <class T>
int adjust(const T* maskR, const T* maskG, const T* maskB, int width, int height, T* outR, T* outG, T* outB,
           const MaskSettings* settings) {
    const int count = width * height;
    WorkerTeam team;  // one set of worker threads for the passes below
    toYcc(maskR, maskG, maskB, outR, outG, outB, width, height, 255);
    float max = 0, min = 0;
    minMax(outR, count, &max, &min);
    if (!(max > min)) return setEngineError(kEngineFlatLuma, "adjustMask", "Image max is <= image min");
    const float gain = settings->lumaGain;
    if (gain < 0.0f || gain > 1.0f)
        return setEngineError(kEngineBadLumaGain, "adjustMask", "Luma gain is outside the range of 0 to 1");

    const float pivot = min + gain * (max - min);
    remap(outR, count, outR, max, min, max, pivot);

    const double M = settings->maxValue, scale = settings->chromaScale;
    const float low = float((1.0 - scale) * M * 0.5);
    const float high = float(M * scale + double(low));
    remap(outG, count, outG, float(M), 0.0f, high, low);
    remap(outB, count, outB, float(M), 0.0f, high, low);

    toRgb(outR, outG, outB, outR, outG, outB, width, height, 255);
    return kEngineOk;
}

}  // namespace

void rgbToYcc(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb, uint8_t* cr, int width,
              int height, int maxChannel) {
    toYcc(r, g, b, y, cb, cr, width, height, maxChannel);
}
void rgbToYcc(const float* r, const float* g, const float* b, float* y, float* cb, float* cr, int width, int height,
              int maxChannel) {
    toYcc(r, g, b, y, cb, cr, width, height, maxChannel);
}

void planeMinMax(const uint8_t* plane, int count, float* max, float* min) { minMax(plane, count, max, min); }
void planeMinMax(const float* plane, int count, float* max, float* min) { minMax(plane, count, max, min); }

void remapPlane(const uint8_t* src, int count, uint8_t* dst, float inMax, float inMin, float outMax, float outMin) {
    remap(src, count, dst, inMax, inMin, outMax, outMin);
}
void remapPlane(const float* src, int count, float* dst, float inMax, float inMin, float outMax, float outMin) {
    remap(src, count, dst, inMax, inMin, outMax, outMin);
}

void yccToRgb(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb, const uint8_t* cr, int width,
              int height, int maxChannel) {
    toRgb(r, g, b, y, cb, cr, width, height, maxChannel);
}
void yccToRgb(float* r, float* g, float* b, const float* y, const float* cb, const float* cr, int width, int height,
              int maxChannel) {
    toRgb(r, g, b, y, cb, cr, width, height, maxChannel);
}

int adjustMask(const uint8_t* maskR, const uint8_t* maskG, const uint8_t* maskB, int width, int height, uint8_t* outR,
               uint8_t* outG, uint8_t* outB, const MaskSettings* settings) {
    return adjust(maskR, maskG, maskB, width, height, outR, outG, outB, settings);
}
int adjustMask(const float* maskR, const float* maskG, const float* maskB, int width, int height, float* outR,
               float* outG, float* outB, const MaskSettings* settings) {
    return adjust(maskR, maskG, maskB, width, height, outR, outG, outB, settings);
}
