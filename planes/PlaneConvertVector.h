// The bodies of the plane routines' rows, written once over a set of vector
// operations V (base/Vector*.h) and compiled once per instruction set. Each
// follows its one-sample counterpart in PlaneConvert.cpp operation by
// operation; where that code goes through double only to round a product of
// two floats (exportScaled), the float product is the same value.
// truncateSample on a clamped double is trunc((v + 2^20) - 2^20): the sum
// rounds as it does there and the difference is exact.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/DeepSamples.h"
#include "planes/PlaneConvertKernels.h"

namespace {

template <class V>
struct PlaneRows {
    using F = typename V::F;
    using D = typename V::D;
    static constexpr int L = V::kLanes;

    // Not greater than 0 gives 0, then not less than 255 gives 255 (NaN: 0).
    static F lowFirst(F v) {
        const F t = V::keep(V::gt(v, V::zero()), v);
        return V::select(V::lt(t, V::set(255.0f)), t, V::set(255.0f));
    }
    // Not less than 255 gives 255, then not greater than 0 gives 0 (NaN: 255).
    static D highFirst(D v) {
        const D top = V::setD(255.0), zero = V::setD(0.0);
        const D t = V::selectD(V::ltD(v, top), v, top);
        return V::selectD(V::gtD(t, zero), t, zero);
    }
    // Then the truncation's rounding step.
    static D highFirstShifted(D v) {
        const D shift = V::setD(1048576.0);
        return V::subD(V::addD(highFirst(v), shift), shift);
    }

    static ptrdiff_t importRow(const uint8_t* src, float* dst, ptrdiff_t n) {
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) V::store(dst + i, V::fromBytes(src + i));
        return i;
    }
    static ptrdiff_t exportRow(const float* src, uint8_t* dst, ptrdiff_t n) {
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) V::storeBytes(dst + i, lowFirst(V::load(src + i)));
        return i;
    }
    static ptrdiff_t exportScaledRow(const float* src, uint8_t* dst, ptrdiff_t n, float gain) {
        const F g = V::set(gain);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) V::storeBytes(dst + i, lowFirst(V::mul(g, V::load(src + i))));
        return i;
    }
    static ptrdiff_t normaliseRow(float* row, ptrdiff_t n, float min, float scale) {
        const D m = V::setD(min), s = V::setD(scale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(row + i);
            V::store(row + i, V::narrow(V::mulD(V::subD(V::lo(v), m), s), V::mulD(V::subD(V::hi(v), m), s)));
        }
        return i;
    }
    static ptrdiff_t denormaliseRow(float* row, ptrdiff_t n, float min, float invScale) {
        const D m = V::setD(min), s = V::setD(invScale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(row + i);
            V::store(row + i, V::narrow(V::addD(m, V::mulD(s, V::lo(v))), V::addD(m, V::mulD(s, V::hi(v)))));
        }
        return i;
    }
    static ptrdiff_t normaliseBytesRow(uint8_t* row, ptrdiff_t n, float min, float scale) {
        const D m = V::setD(min), s = V::setD(scale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::fromBytes(row + i);
            V::storeBytesD(row + i, highFirstShifted(V::mulD(V::subD(V::lo(v), m), s)),
                           highFirstShifted(V::mulD(V::subD(V::hi(v), m), s)));
        }
        return i;
    }
    static ptrdiff_t denormaliseBytesRow(uint8_t* row, ptrdiff_t n, float min, float invScale) {
        const D m = V::setD(min), s = V::setD(invScale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::fromBytes(row + i);
            V::storeBytesD(row + i, highFirstShifted(V::addD(m, V::mulD(s, V::lo(v)))),
                           highFirstShifted(V::addD(m, V::mulD(s, V::hi(v)))));
        }
        return i;
    }
    // d = m if m > 0, else 1; q = v / d; q > 1 gives 1.
    static D quotientCapped(D v, D m) {
        const D one = V::setD(1.0);
        const D q = V::divD(v, V::selectD(V::gtD(m, V::setD(0.0)), m, one));
        return V::selectD(V::gtD(q, one), one, q);
    }
    static ptrdiff_t divideByMaskRow(const float* tile, const float* mask, float* out, ptrdiff_t n) {
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(tile + i), m = V::load(mask + i);
            V::store(out + i, V::narrow(quotientCapped(V::lo(v), V::lo(m)), quotientCapped(V::hi(v), V::hi(m))));
        }
        return i;
    }
    // v / d * 255 with d = m if m > 0, else v itself.
    static D proxyQuotient(D v, D m) {
        return V::mulD(V::divD(v, V::selectD(V::gtD(m, V::setD(0.0)), m, v)), V::setD(255.0));
    }
    static ptrdiff_t divideByProxyMaskRow(const float* plane, const uint8_t* mask, float* out, ptrdiff_t n) {
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(plane + i), m = V::fromBytes(mask + i);
            V::store(out + i, V::narrow(proxyQuotient(V::lo(v), V::lo(m)), proxyQuotient(V::hi(v), V::hi(m))));
        }
        return i;
    }

    // The deep forms store the truncation's mean (engine/DeepSamples.h).
    static ptrdiff_t clampRow(const float* src, float* dst, ptrdiff_t n) {
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) V::store(dst + i, truncatedMean<V>(lowFirst(V::load(src + i))));
        return i;
    }
    static ptrdiff_t clampScaledRow(const float* src, float* dst, ptrdiff_t n, float gain) {
        const F g = V::set(gain);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) V::store(dst + i, truncatedMean<V>(lowFirst(V::mul(g, V::load(src + i)))));
        return i;
    }
    static ptrdiff_t normaliseClampedRow(float* row, ptrdiff_t n, float min, float scale, float loss) {
        const D m = V::setD(min), s = V::setD(scale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(row + i);
            V::store(row + i, truncatedMean<V>(V::narrow(highFirst(V::mulD(V::subD(V::lo(v), m), s)),
                                                         highFirst(V::mulD(V::subD(V::hi(v), m), s))),
                                                loss));
        }
        return i;
    }

    static ptrdiff_t denormaliseClampedRow(float* row, ptrdiff_t n, float min, float invScale, float loss) {
        const D m = V::setD(min), s = V::setD(invScale);
        ptrdiff_t i = 0;
        for (; i + L <= n; i += L) {
            const F v = V::load(row + i);
            V::store(row + i, truncatedMean<V>(V::narrow(highFirst(V::addD(m, V::mulD(s, V::lo(v)))),
                                                         highFirst(V::addD(m, V::mulD(s, V::hi(v))))),
                                                loss));
        }
        return i;
    }

    static constexpr PlaneConvertKernels kernels = {importRow,           exportRow,           exportScaledRow,
                                                    normaliseRow,        denormaliseRow,      normaliseBytesRow,
                                                    denormaliseBytesRow, divideByMaskRow,     divideByProxyMaskRow,
                                                    clampRow,            clampScaledRow,      normaliseClampedRow,
                                                    denormaliseClampedRow};
};

}  // namespace
