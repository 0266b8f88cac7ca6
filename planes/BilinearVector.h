// The bodies of the bilinear family's vertical step, written once over a set
// of vector operations V (base/Vector*.h) and compiled once per instruction
// set, operation for operation as the one-sample stores in Bilinear.cpp.
#pragma once
#include <cstddef>
#include <cstdint>

#include "planes/BilinearKernels.h"

namespace {

template <class V>
struct BilinearRows {
    using F = typename V::F;
    using D = typename V::D;
    static constexpr int L = V::kLanes, H = V::kLanes / 2;  // floats per vector, doubles per half

    template <class S>
    static int blend(const S* row, const S* below, const BlendColumns* c, double* upper, double* lower,
                     double* scratch) {
        double* top = scratch;
        double* bottom = scratch + c->span;
        for (int i = 0; i < c->span; ++i) top[i] = row[i];
        if (below != nullptr)
            for (int i = 0; i < c->span; ++i) bottom[i] = below[i];
        const D zero = V::setD(0.0);
        int k = 0;
        for (; k + H <= c->count; k += H) {
            const D tl = V::gatherNearD(top, c->left + k), tr = V::gatherNearD(top, c->right + k), fx = V::loadD(c->fx + k);
            const auto last = V::gtD(V::loadD(c->lastColumn + k), zero);
            V::storeD(upper + k, V::selectD(last, tl, V::addD(tl, V::mulD(V::subD(tr, tl), fx))));
            if (below == nullptr) {
                V::storeD(lower + k, tr);  // tr is tl on the last column
            } else {
                const D bl = V::gatherNearD(bottom, c->left + k), br = V::gatherNearD(bottom, c->right + k);
                V::storeD(lower + k, V::selectD(last, tl, V::addD(bl, V::mulD(V::subD(br, bl), fx))));
            }
        }
        return k;
    }

    static D value(const double* upper, const double* lower, D fy) {
        const D u = V::loadD(upper);
        return V::addD(u, V::mulD(V::subD(V::loadD(lower), u), fy));
    }
    static ptrdiff_t toFloat(const double* upper, const double* lower, double fy, float* dst, ptrdiff_t n) {
        const D f = V::setD(fy);
        ptrdiff_t k = 0;
        for (; k + L <= n; k += L)
            V::store(dst + k, V::narrow(value(upper + k, lower + k, f), value(upper + k + H, lower + k + H, f)));
        return k;
    }
    // Clamp high-first (NaN: 255), add 0.5, then the truncation's 2^20 step.
    static D rounded(D v) {
        const D top = V::setD(255.0), zero = V::setD(0.0), half = V::setD(0.5), shift = V::setD(1048576.0);
        const D t = V::selectD(V::ltD(v, top), v, top);
        return V::subD(V::addD(V::addD(V::selectD(V::gtD(t, zero), t, zero), half), shift), shift);
    }
    static ptrdiff_t toBytes(const double* upper, const double* lower, double fy, uint8_t* dst, ptrdiff_t n) {
        const D f = V::setD(fy);
        ptrdiff_t k = 0;
        for (; k + L <= n; k += L)
            V::storeBytesD(dst + k, rounded(value(upper + k, lower + k, f)),
                           rounded(value(upper + k + H, lower + k + H, f)));
        return k;
    }
    static D quotient(D d, D m) {
        const D q = V::mulD(V::divD(d, m), V::setD(255.0));
        return V::selectD(V::gtD(m, V::setD(0.0)), q, V::setD(255.0));
    }
    static ptrdiff_t divide(const double* upper, const double* lower, double fy, float* dst, ptrdiff_t n) {
        const D f = V::setD(fy);
        ptrdiff_t k = 0;
        for (; k + L <= n; k += L) {
            const F d = V::load(dst + k);
            V::store(dst + k, V::narrow(quotient(V::lo(d), value(upper + k, lower + k, f)),
                                        quotient(V::hi(d), value(upper + k + H, lower + k + H, f))));
        }
        return k;
    }

    static constexpr BilinearKernels kernels = {blend<uint8_t>, blend<float>, toFloat, toBytes, divide};
};

}  // namespace
