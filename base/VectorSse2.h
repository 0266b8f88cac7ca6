// 128-bit vector operations for the SSE2 kernels: four floats, or two
// doubles for each half of them. Included only by *Sse2.cpp files.
//
// The kernels are templates over such a set of operations, one set per
// instruction set, each in an anonymous namespace: nothing compiled for one
// instruction set can be picked by the linker for another file's use.
// Conventions every set follows:
// - min(a, b) is a < b ? a : b (the second operand when either is NaN);
// - select(m, a, b) is m ? a : b, keep(m, a) is m ? a : 0;
// - wholePart(a) is a truncated toward zero to a 32-bit integer, as a float
//   (for |a| < 2^31);
// - lo/hi widen the lower/upper half of a float vector to doubles exactly,
//   narrow rounds two double vectors to one float vector (round to nearest);
// - fromBytes reads kLanes bytes; storeBytes writes kLanes bytes of a float
//   vector: each value truncated toward zero to an integer, of which the
//   byte keeps the low 8 bits (what uint8_t(int(v)) does, the identity on
//   0..255); storeBytesD does the same from the two double halves;
// - gatherD(base, index) loads base[index[0]], base[index[1]], ... (one
//   double per lane); gatherNearD does the same for non-decreasing indices,
//   by one load and a permutation where they lie within one vector (it may
//   read up to kLanes / 2 doubles from base + index[0]).
// Data is always read and written with unaligned loads and stores.
#pragma once
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

struct Sse2Vectors {
    static constexpr int kLanes = 4;
    using F = __m128;
    using M = __m128;
    using D = __m128d;
    using MD = __m128d;

    static F load(const float* p) { return _mm_loadu_ps(p); }
    static void store(float* p, F v) { _mm_storeu_ps(p, v); }
    static F set(float x) { return _mm_set1_ps(x); }
    static F zero() { return _mm_setzero_ps(); }
    static F add(F a, F b) { return _mm_add_ps(a, b); }
    static F sub(F a, F b) { return _mm_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm_mul_ps(a, b); }
    static F min(F a, F b) { return _mm_min_ps(a, b); }
    static F abs(F a) { return _mm_and_ps(a, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF))); }
    static M lt(F a, F b) { return _mm_cmplt_ps(a, b); }
    static M le(F a, F b) { return _mm_cmple_ps(a, b); }
    static M gt(F a, F b) { return _mm_cmpgt_ps(a, b); }
    static M eq(F a, F b) { return _mm_cmpeq_ps(a, b); }
    static M both(M a, M b) { return _mm_and_ps(a, b); }
    static F wholePart(F a) { return _mm_cvtepi32_ps(_mm_cvttps_epi32(a)); }
    static F select(M m, F a, F b) { return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b)); }
    static F keep(M m, F a) { return _mm_and_ps(m, a); }
    static bool none(M m) { return _mm_movemask_ps(m) == 0; }
    static bool all(M m) { return _mm_movemask_ps(m) == 0xF; }

    // a0 b0 a1 b1 ... : 2 * kLanes floats from p.
    static void storeInterleaved(float* p, F a, F b) {
        _mm_storeu_ps(p, _mm_unpacklo_ps(a, b));
        _mm_storeu_ps(p + 4, _mm_unpackhi_ps(a, b));
    }

    static D lo(F a) { return _mm_cvtps_pd(a); }
    static D hi(F a) { return _mm_cvtps_pd(_mm_movehl_ps(a, a)); }
    static F narrow(D l, D h) { return _mm_movelh_ps(_mm_cvtpd_ps(l), _mm_cvtpd_ps(h)); }
    static D loadD(const double* p) { return _mm_loadu_pd(p); }
    static void storeD(double* p, D v) { _mm_storeu_pd(p, v); }
    static D gatherD(const double* base, const int32_t* index) { return _mm_set_pd(base[index[1]], base[index[0]]); }
    static D gatherNearD(const double* base, const int32_t* index) { return gatherD(base, index); }
    static D setD(double x) { return _mm_set1_pd(x); }
    static D addD(D a, D b) { return _mm_add_pd(a, b); }
    static D subD(D a, D b) { return _mm_sub_pd(a, b); }
    static D mulD(D a, D b) { return _mm_mul_pd(a, b); }
    static D divD(D a, D b) { return _mm_div_pd(a, b); }
    static D minD(D a, D b) { return _mm_min_pd(a, b); }
    static MD ltD(D a, D b) { return _mm_cmplt_pd(a, b); }
    static MD gtD(D a, D b) { return _mm_cmpgt_pd(a, b); }
    static D selectD(MD m, D a, D b) { return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b)); }

    static F fromBytes(const uint8_t* p) {
        int32_t word;
        std::memcpy(&word, p, 4);
        const __m128i z = _mm_setzero_si128();
        const __m128i b = _mm_cvtsi32_si128(word);
        return _mm_cvtepi32_ps(_mm_unpacklo_epi16(_mm_unpacklo_epi8(b, z), z));
    }
    static void storeInts(uint8_t* p, __m128i ints) {
        const __m128i low = _mm_and_si128(ints, _mm_set1_epi32(0xFF));
        const __m128i words = _mm_packs_epi32(low, low);
        const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(p, &packed, 4);
    }
    static void storeBytes(uint8_t* p, F v) { storeInts(p, _mm_cvttps_epi32(v)); }
    static void storeBytesD(uint8_t* p, D l, D h) {
        storeInts(p, _mm_unpacklo_epi64(_mm_cvttpd_epi32(l), _mm_cvttpd_epi32(h)));
    }
};

}  // namespace
