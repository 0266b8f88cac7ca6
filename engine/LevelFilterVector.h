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

#include "engine/LevelFilterKernels.h"

namespace {

template <class V>
struct WeightFactors {
    typename V::D invG, negDarker, brighter;
    typename V::F one;
};

// The weights of one neighbour vector: v as floats, vLo and vHi the same
// values as doubles.
template <class V, bool kSymmetric>
inline typename V::F vectorWeights(typename V::D vLo, typename V::D vHi, typename V::D cLo, typename V::D cHi,
                                   const WeightFactors<V>& k) {
    const typename V::F e = V::narrow(V::mulD(V::subD(vLo, cLo), k.invG), V::mulD(V::subD(vHi, cHi), k.invG));
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

// Samples are widened to double once per segment of a row: the five source
// rows around it go into a small buffer of doubles that every vector of the
// segment reads its neighbours from.
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
                                   V::set(1.0f)};
    const float* row = src + ptrdiff_t(y) * width;
    double wide[5 * kPitch];

    // One vector of centres at x; wideCentre is the centre's place in the buffer.
    auto block = [&](int x, const double* wideCentre) {
        const float* centre = row + x;
        const F c = V::load(centre);
        const D cLo = V::loadD(wideCentre), cHi = V::loadD(wideCentre + kHalf);
        F sumW = V::zero(), sumWV = V::zero(), d = V::set(2.0f);
        for (int k = 0; k < 8; ++k) {
            const F v = V::load(centre + offset[k]);
            const double* vd = wideCentre + wideOffset[k];
            const F w = vectorWeights<V, kSymmetric>(V::loadD(vd), V::loadD(vd + kHalf), cLo, cHi, factors);
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
            const double* vd = wideCentre + wideOffset[k];
            const F w = vectorWeights<V, kSymmetric>(V::loadD(vd), V::loadD(vd + kHalf), cLo, cHi, factors);
            sumW = V::add(sumW, w);
            sumWV = V::add(sumWV, V::mul(w, v));
        }
        // (c + d * sumWV) / (1 + d * sumW) in double, rounded once.
        const D one = V::setD(1.0), dLo = V::lo(d), dHi = V::hi(d);
        const D qLo = V::divD(V::addD(cLo, V::mulD(dLo, V::lo(sumWV))), V::addD(one, V::mulD(dLo, V::lo(sumW))));
        const D qHi = V::divD(V::addD(cHi, V::mulD(dHi, V::hi(sumWV))), V::addD(one, V::mulD(dHi, V::hi(sumW))));
        V::store(out + (x - x0), V::select(V::le(d, V::zero()), c, V::narrow(qLo, qHi)));
    };

    const int end = x0 + n;
    for (int first = x0; first < end;) {
        // A segment of kSegment centres, or all that are left when fewer than
        // a vector would remain after it.
        int last = first + kSegment;
        if (end - last < V::kLanes) last = end;
        const int count = last - first;
        for (int r = 0; r < 5; ++r) {
            const float* s = src + ptrdiff_t(y - 2 + r) * width + (first - 2);
            double* w = wide + r * kPitch;
            for (int i = 0; i < count + 4; ++i) w[i] = s[i];
        }
        const double* wideFirst = wide + 2 * kPitch + 2;  // the segment's first centre
        int x = first;
        for (; x + V::kLanes <= last; x += V::kLanes) block(x, wideFirst + (x - first));
        if (x < last) block(last - V::kLanes, wideFirst + (last - V::kLanes - first));  // overlaps: same values again
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
