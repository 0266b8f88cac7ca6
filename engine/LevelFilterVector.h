// The body of the level filter's interior run, written once over a set of
// vector operations V (base/Vector*.h) and compiled once per instruction set.
// One vector holds V::kLanes neighbouring centres; for each of them the 24
// neighbours come in the one-sample path's order (the near set, raster
// order, then the outer ring), each weight as rangeWeight computes it:
//   e = float((double(v) - double(c)) * invG)
//   scaled = e < 0 ? float(double(-e) * (1 + A)) : float(double(e) * (1 - A))
//   w = scaled < 1 ? 1 - scaled : 0
// double(-e) * (1 + A) is computed as double(e) * -(1 + A), the same product
// bit for bit; with A = 0 both factors are 1 and scaled is |e| exactly.
// A vector whose centres all have a near weight of 0 is its centres: the
// outer ring is skipped, as the one-sample path skips it. double(v) is exact,
// so reading the neighbours' doubles from a buffer changes no bit.
#pragma once
#include <cstddef>
#include <type_traits>

#include "engine/LevelFilterKernels.h"

namespace {

template <class V>
struct WeightFactors {
    typename V::D invG, negDarker, brighter;
    typename V::F one, invGf;  // invGf: invG as the float it was rounded from
};

// The weights from e = float((double(v) - double(c)) * invG).
template <class V, bool kSymmetric>
inline typename V::F weightsOf(typename V::F e, const WeightFactors<V>& k) {
    typename V::F scaled;
    if (kSymmetric) {
        scaled = V::abs(e);
    } else {
        const typename V::D eLo = V::lo(e), eHi = V::hi(e), zero = V::setD(0.0);
        scaled = V::narrow(V::mulD(eLo, V::selectD(V::ltD(eLo, zero), k.negDarker, k.brighter)),
                           V::mulD(eHi, V::selectD(V::ltD(eHi, zero), k.negDarker, k.brighter)));
    }
    return V::keep(V::lt(scaled, k.one), V::sub(k.one, scaled));
}

// The weights of one neighbour vector, vLo and vHi its values as doubles.
template <class V, bool kSymmetric>
inline typename V::F vectorWeights(typename V::D vLo, typename V::D vHi, typename V::D cLo, typename V::D cHi,
                                   const WeightFactors<V>& k) {
    return weightsOf<V, kSymmetric>(
        V::narrow(V::mulD(V::subD(vLo, cLo), k.invG), V::mulD(V::subD(vHi, cHi), k.invG)), k);
}

// The same where v and c are whole numbers below 2^23 in magnitude: v - c is
// then exact in float and equals the double difference, whose product with
// invG (24 by 24 bits) is exact in double; rounding it once to float is the
// float product. So e is v - c times invG in float, bit for bit.
template <class V, bool kSymmetric>
inline typename V::F wholeWeights(typename V::F v, typename V::F c, const WeightFactors<V>& k) {
    return weightsOf<V, kSymmetric>(V::mul(V::sub(v, c), k.invGf), k);
}

// True when every one of the n floats is a whole number below 2^23 in
// magnitude (not NaN, not infinite).
template <class V>
bool wholeNumbers(const float* p, int n) {
    const typename V::F limit = V::set(8388608.0f);
    int i = 0;
    for (; i + V::kLanes <= n; i += V::kLanes) {
        const typename V::F v = V::load(p + i);
        if (!V::all(V::both(V::lt(V::abs(v), limit), V::eq(V::wholePart(v), v)))) return false;
    }
    for (; i < n; ++i)
        if (!(p[i] > -8388608.0f && p[i] < 8388608.0f) || float(int(p[i])) != p[i]) return false;
    return true;
}

// Samples are widened to double once per segment of a row: the five source
// rows around it go into a small buffer of doubles that every vector of the
// segment reads its neighbours from; a segment whose five rows hold whole
// numbers only (a plane of bytes, as the pyramid's top level is) needs none.
constexpr int kSegment = 256;
constexpr int kSegmentMax = kSegment + 64;  // a last segment takes up to a vector's worth more

template <class V, bool kSymmetric>
void interiorRunOf(const float* src, int width, int y, int x0, int n, float* out, const LevelWeights* weights) {
    using F = typename V::F;
    using D = typename V::D;
    constexpr int kHalf = V::kLanes / 2;
    constexpr int kPitch = kSegmentMax + 4;
    // Near set in raster order, then the outer ring in raster order.
    static constexpr int kOrder[24][2] = {
        {-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1},
        {-2, -2}, {-2, -1}, {-2, 0}, {-2, 1}, {-2, 2}, {-1, -2}, {-1, 2}, {0, -2},
        {0, 2},   {1, -2},  {1, 2},  {2, -2}, {2, -1}, {2, 0},  {2, 1},  {2, 2},
    };
    ptrdiff_t offset[24], wideOffset[24];
    for (int k = 0; k < 24; ++k) {
        offset[k] = ptrdiff_t(kOrder[k][0]) * width + kOrder[k][1];
        wideOffset[k] = ptrdiff_t(kOrder[k][0]) * kPitch + kOrder[k][1];
    }
    const WeightFactors<V> factors{V::setD(weights->invG), V::setD(-weights->darker), V::setD(weights->brighter),
                                   V::set(1.0f), V::set(float(weights->invG))};
    const float* row = src + ptrdiff_t(y) * width;
    double wide[5 * kPitch];

    // One vector of centres at x; wideCentre is the centre's place in the
    // buffer of doubles, which a segment of whole numbers does not use.
    auto block = [&](auto whole, int x, const double* wideCentre) {
        constexpr bool kWhole = decltype(whole)::value;
        const float* centre = row + x;
        const F c = V::load(centre);
        D cLo, cHi;
        if (kWhole) {
            cLo = V::lo(c);
            cHi = V::hi(c);
        } else {
            cLo = V::loadD(wideCentre);
            cHi = V::loadD(wideCentre + kHalf);
        }
        auto weightsAt = [&](int k, F v) {
            if (kWhole) return wholeWeights<V, kSymmetric>(v, c, factors);
            const double* vd = wideCentre + wideOffset[k];
            return vectorWeights<V, kSymmetric>(V::loadD(vd), V::loadD(vd + kHalf), cLo, cHi, factors);
        };
        F sumW = V::zero(), sumWV = V::zero(), d = V::set(2.0f);
        for (int k = 0; k < 8; ++k) {
            const F v = V::load(centre + offset[k]);
            const F w = weightsAt(k, v);
            sumW = V::add(sumW, w);
            sumWV = V::add(sumWV, V::mul(w, v));
            d = V::min(w, d);
        }
        if (V::none(V::gt(d, V::zero()))) {
            V::store(out + (x - x0), c);
            return;
        }
        for (int k = 8; k < 24; ++k) {
            const F v = V::load(centre + offset[k]);
            const F w = weightsAt(k, v);
            sumW = V::add(sumW, w);
            sumWV = V::add(sumWV, V::mul(w, v));
        }
        // (c + d * sumWV) / (1 + d * sumW) in double, rounded once.
        const D one = V::setD(1.0), dLo = V::lo(d), dHi = V::hi(d);
        const D qLo = V::divD(V::addD(cLo, V::mulD(dLo, V::lo(sumWV))), V::addD(one, V::mulD(dLo, V::lo(sumW))));
        const D qHi = V::divD(V::addD(cHi, V::mulD(dHi, V::hi(sumWV))), V::addD(one, V::mulD(dHi, V::hi(sumW))));
        V::store(out + (x - x0), V::select(V::le(d, V::zero()), c, V::narrow(qLo, qHi)));
    };
    // The vectors of one segment, the last overlapping the one before (the same values again).
    auto segment = [&](auto whole, int first, int last) {
        const double* wideFirst = wide + 2 * kPitch + 2;  // the segment's first centre
        int x = first;
        for (; x + V::kLanes <= last; x += V::kLanes) block(whole, x, wideFirst + (x - first));
        if (x < last) block(whole, last - V::kLanes, wideFirst + (last - V::kLanes - first));
    };

    const int end = x0 + n;
    for (int first = x0; first < end;) {
        // A segment of kSegment centres, or all that are left when fewer than
        // a vector would remain after it.
        int last = first + kSegment;
        if (end - last < V::kLanes) last = end;
        const int count = last - first;
        bool whole = true;
        for (int r = 0; r < 5 && whole; ++r)
            whole = wholeNumbers<V>(src + ptrdiff_t(y - 2 + r) * width + (first - 2), count + 4);
        if (whole) {
            segment(std::true_type{}, first, last);
        } else {
            for (int r = 0; r < 5; ++r) {
                const float* s = src + ptrdiff_t(y - 2 + r) * width + (first - 2);
                double* w = wide + r * kPitch;
                for (int i = 0; i < count + 4; ++i) w[i] = s[i];
            }
            segment(std::false_type{}, first, last);
        }
        first = last;
    }
}

template <class V>
void interiorRun(const float* src, int width, int y, int x0, int n, float* out, const LevelWeights* weights) {
    if (weights->darker == 1.0 && weights->brighter == 1.0)
        interiorRunOf<V, true>(src, width, y, x0, n, out, weights);
    else
        interiorRunOf<V, false>(src, width, y, x0, n, out, weights);
}

}  // namespace
