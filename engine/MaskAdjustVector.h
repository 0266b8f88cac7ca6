// The bodies of the mask adjustment's passes, written once over a set of
// vector operations V (base/Vector*.h) and a sample type T (bytes or
// floats), compiled once per instruction set, operation for operation as the
// one-pixel code in MaskAdjust.cpp.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/DeepSamples.h"
#include "engine/MaskAdjustKernels.h"

namespace {

template <class V, class T>
struct MaskAdjustRows {
    using F = typename V::F;
    using D = typename V::D;
    static constexpr int L = V::kLanes;

    // Samples in and out: bytes widen exactly and are stored truncated (the
    // values are clamped to 0..255 first); floats are loaded as they are and
    // stored as the truncation's mean (engine/DeepSamples.h).
    static F fetch(const uint8_t* p) { return V::fromBytes(p); }
    static F fetch(const float* p) { return V::load(p); }
    static void put(uint8_t* p, F v, float = kTruncationLoss) { V::storeBytes(p, v); }
    static void put(float* p, F v, float loss = kTruncationLoss) { V::store(p, truncatedMean<V>(v, loss)); }

    // High clamp in double, rounding to float, low clamp in float (NaN: 255).
    static F colour(D lo, D hi) {
        const D top = V::setD(255.0);
        const F f = V::narrow(V::selectD(V::ltD(lo, top), lo, top), V::selectD(V::ltD(hi, top), hi, top));
        return V::keep(V::gt(f, V::zero()), f);
    }
    static D luma(D r, D g, D b) {
        return V::addD(V::addD(V::mulD(V::setD(0.299), r), V::mulD(V::setD(0.587), g)), V::mulD(V::setD(0.114), b));
    }
    static D difference(D channel, D luma, double scale, D half) {
        return V::addD(V::mulD(V::subD(channel, luma), V::setD(scale)), half);
    }

    static ptrdiff_t rgbToYcc(const T* r, const T* g, const T* b, T* y, T* cb, T* cr, ptrdiff_t n, double half) {
        const D h = V::setD(half);
        const F top = V::set(255.0f);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F R = fetch(r + i), G = fetch(g + i), B = fetch(b + i);
            F l = V::narrow(luma(V::lo(R), V::lo(G), V::lo(B)), luma(V::hi(R), V::hi(G), V::hi(B)));
            l = V::select(V::lt(l, top), V::keep(V::gt(l, V::zero()), l), top);
            const D lLo = V::lo(l), lHi = V::hi(l);
            put(y + i, l);
            put(cb + i, colour(difference(V::lo(B), lLo, 0.564, h), difference(V::hi(B), lHi, 0.564, h)));
            put(cr + i, colour(difference(V::lo(R), lLo, 0.73, h), difference(V::hi(R), lHi, 0.73, h)));
        }
        return i;
    }

    static ptrdiff_t remap(const T* src, T* dst, ptrdiff_t n, float inMin, float slope, float outMin, float outMax,
                           float loss) {
        const D in = V::setD(inMin), s = V::setD(slope), out = V::setD(outMin);
        const F low = V::set(outMin), high = V::set(outMax), byteLow = V::set(0.0f), byteHigh = V::set(255.0f);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F x = fetch(src + i);
            F v = V::narrow(V::addD(V::mulD(V::subD(V::lo(x), in), s), out),
                            V::addD(V::mulD(V::subD(V::hi(x), in), s), out));
            v = V::select(V::gt(v, low), v, low);
            v = V::select(V::lt(v, high), v, high);
            v = V::select(V::lt(v, byteHigh), v, byteHigh);  // then the byte range, in the same order
            v = V::select(V::gt(v, byteLow), v, byteLow);
            put(dst + i, v, loss);
        }
        return i;
    }

    static ptrdiff_t yccToRgb(T* r, T* g, T* b, const T* y, const T* cb, const T* cr, ptrdiff_t n, float half) {
        const F h = V::set(half);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F Y = fetch(y + i);
            const F dCb = V::sub(fetch(cb + i), h), dCr = V::sub(fetch(cr + i), h);
            const D yLo = V::lo(Y), yHi = V::hi(Y), bLo = V::lo(dCb), bHi = V::hi(dCb), rLo = V::lo(dCr), rHi = V::hi(dCr);
            const F red = colour(V::addD(yLo, V::mulD(V::setD(1.4025), rLo)), V::addD(yHi, V::mulD(V::setD(1.4025), rHi)));
            const F green = colour(V::subD(V::subD(yLo, V::mulD(V::setD(0.3443), bLo)), V::mulD(V::setD(0.7144), rLo)),
                                   V::subD(V::subD(yHi, V::mulD(V::setD(0.3443), bHi)), V::mulD(V::setD(0.7144), rHi)));
            const F blue = colour(V::addD(yLo, V::mulD(V::setD(1.773), bLo)), V::addD(yHi, V::mulD(V::setD(1.773), bHi)));
            put(r + i, red);
            put(g + i, green);
            put(b + i, blue);
        }
        return i;
    }

    static constexpr MaskAdjustPasses<T> passes = {rgbToYcc, remap, yccToRgb};
};

template <class V>
struct MaskAdjustSet {
    static constexpr MaskAdjustKernels kernels = {MaskAdjustRows<V, uint8_t>::passes, MaskAdjustRows<V, float>::passes};
};

}  // namespace
