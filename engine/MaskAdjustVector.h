// The bodies of the mask adjustment's passes, written once over a set of
// vector operations V (base/Vector*.h) and compiled once per instruction
// set, operation for operation as the one-pixel code in MaskAdjust.cpp.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/MaskAdjustKernels.h"

namespace {

template <class V>
struct MaskAdjustRows {
    using F = typename V::F;
    using D = typename V::D;
    static constexpr int L = V::kLanes;

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

    static ptrdiff_t rgbToYcc(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint8_t* y, uint8_t* cb,
                              uint8_t* cr, ptrdiff_t n, double half) {
        const D h = V::setD(half);
        const F top = V::set(255.0f);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F R = V::fromBytes(r + i), G = V::fromBytes(g + i), B = V::fromBytes(b + i);
            F l = V::narrow(luma(V::lo(R), V::lo(G), V::lo(B)), luma(V::hi(R), V::hi(G), V::hi(B)));
            l = V::select(V::lt(l, top), V::keep(V::gt(l, V::zero()), l), top);
            const D lLo = V::lo(l), lHi = V::hi(l);
            V::storeBytes(y + i, l);
            V::storeBytes(cb + i, colour(difference(V::lo(B), lLo, 0.564, h), difference(V::hi(B), lHi, 0.564, h)));
            V::storeBytes(cr + i, colour(difference(V::lo(R), lLo, 0.73, h), difference(V::hi(R), lHi, 0.73, h)));
        }
        return i;
    }

    static ptrdiff_t remap(const uint8_t* src, uint8_t* dst, ptrdiff_t n, float inMin, float slope, float outMin,
                           float outMax) {
        const D in = V::setD(inMin), s = V::setD(slope), out = V::setD(outMin);
        const F low = V::set(outMin), high = V::set(outMax), byteLow = V::set(0.0f), byteHigh = V::set(255.0f);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F x = V::fromBytes(src + i);
            F v = V::narrow(V::addD(V::mulD(V::subD(V::lo(x), in), s), out),
                            V::addD(V::mulD(V::subD(V::hi(x), in), s), out));
            v = V::select(V::gt(v, low), v, low);
            v = V::select(V::lt(v, high), v, high);
            v = V::select(V::lt(v, byteHigh), v, byteHigh);  // then the byte range, in the same order
            v = V::select(V::gt(v, byteLow), v, byteLow);
            V::storeBytes(dst + i, v);
        }
        return i;
    }

    static ptrdiff_t yccToRgb(uint8_t* r, uint8_t* g, uint8_t* b, const uint8_t* y, const uint8_t* cb,
                              const uint8_t* cr, ptrdiff_t n, float half) {
        const F h = V::set(half);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F Y = V::fromBytes(y + i);
            const F dCb = V::sub(V::fromBytes(cb + i), h), dCr = V::sub(V::fromBytes(cr + i), h);
            const D yLo = V::lo(Y), yHi = V::hi(Y), bLo = V::lo(dCb), bHi = V::hi(dCb), rLo = V::lo(dCr), rHi = V::hi(dCr);
            const F red = colour(V::addD(yLo, V::mulD(V::setD(1.4025), rLo)), V::addD(yHi, V::mulD(V::setD(1.4025), rHi)));
            const F green = colour(V::subD(V::subD(yLo, V::mulD(V::setD(0.3443), bLo)), V::mulD(V::setD(0.7144), rLo)),
                                   V::subD(V::subD(yHi, V::mulD(V::setD(0.3443), bHi)), V::mulD(V::setD(0.7144), rHi)));
            const F blue = colour(V::addD(yLo, V::mulD(V::setD(1.773), bLo)), V::addD(yHi, V::mulD(V::setD(1.773), bHi)));
            V::storeBytes(r + i, red);
            V::storeBytes(g + i, green);
            V::storeBytes(b + i, blue);
        }
        return i;
    }

    static constexpr MaskAdjustKernels kernels = {rgbToYcc, remap, yccToRgb};
};

}  // namespace
