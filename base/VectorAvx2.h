// 256-bit vector operations for the AVX2 kernels: eight floats, or four
// doubles for each half of them. Included only by *Avx2.cpp files, which are
// compiled for AVX2 (without fused multiply-add). Conventions as in
// base/VectorSse2.h.
#pragma once
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

struct Avx2Vectors {
    static constexpr int kLanes = 8;
    using F = __m256;
    using M = __m256;
    using D = __m256d;
    using MD = __m256d;

    static F load(const float* p) { return _mm256_loadu_ps(p); }
    static void store(float* p, F v) { _mm256_storeu_ps(p, v); }
    static F set(float x) { return _mm256_set1_ps(x); }
    static F zero() { return _mm256_setzero_ps(); }
    static F add(F a, F b) { return _mm256_add_ps(a, b); }
    static F sub(F a, F b) { return _mm256_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm256_mul_ps(a, b); }
    static F min(F a, F b) { return _mm256_min_ps(a, b); }
    static F abs(F a) { return _mm256_and_ps(a, _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF))); }
    static M lt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    static M le(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
    static M gt(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
    static M eq(F a, F b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
    static M both(M a, M b) { return _mm256_and_ps(a, b); }
    static F wholePart(F a) { return _mm256_cvtepi32_ps(_mm256_cvttps_epi32(a)); }
    static F select(M m, F a, F b) { return _mm256_blendv_ps(b, a, m); }
    static F keep(M m, F a) { return _mm256_and_ps(m, a); }
    static bool none(M m) { return _mm256_movemask_ps(m) == 0; }
    static bool all(M m) { return _mm256_movemask_ps(m) == 0xFF; }

    // a0 b0 a1 b1 ... : 2 * kLanes floats from p.
    static void storeInterleaved(float* p, F a, F b) {
        const __m256 low = _mm256_unpacklo_ps(a, b), high = _mm256_unpackhi_ps(a, b);
        _mm256_storeu_ps(p, _mm256_permute2f128_ps(low, high, 0x20));
        _mm256_storeu_ps(p + 8, _mm256_permute2f128_ps(low, high, 0x31));
    }

    static D lo(F a) { return _mm256_cvtps_pd(_mm256_castps256_ps128(a)); }
    static D hi(F a) { return _mm256_cvtps_pd(_mm256_extractf128_ps(a, 1)); }
    static F narrow(D l, D h) { return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(l)), _mm256_cvtpd_ps(h), 1); }
    static D loadD(const double* p) { return _mm256_loadu_pd(p); }
    static void storeD(double* p, D v) { _mm256_storeu_pd(p, v); }
    static D gatherD(const double* base, const int32_t* index) {
        // The masked form, from a defined vector (GCC 12 warns on the plain one's undefined start).
        return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), base, _mm_loadu_si128(reinterpret_cast<const __m128i*>(index)),
                                        _mm256_castsi256_pd(_mm256_set1_epi64x(-1)), 8);
    }
    static D gatherNearD(const double* base, const int32_t* index) {
        if (index[3] - index[0] >= 4) return gatherD(base, index);
        const __m128i rel = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(index)), _mm_set1_epi32(index[0]));
        const __m256i even = _mm256_slli_epi64(_mm256_cvtepu32_epi64(rel), 1);  // float pair 2r, 2r + 1 of double r
        const __m256i pairs = _mm256_or_si256(even, _mm256_slli_epi64(_mm256_add_epi64(even, _mm256_set1_epi64x(1)), 32));
        return _mm256_castps_pd(_mm256_permutevar8x32_ps(_mm256_castpd_ps(_mm256_loadu_pd(base + index[0])), pairs));
    }
    static D setD(double x) { return _mm256_set1_pd(x); }
    static D addD(D a, D b) { return _mm256_add_pd(a, b); }
    static D subD(D a, D b) { return _mm256_sub_pd(a, b); }
    static D mulD(D a, D b) { return _mm256_mul_pd(a, b); }
    static D divD(D a, D b) { return _mm256_div_pd(a, b); }
    static D minD(D a, D b) { return _mm256_min_pd(a, b); }
    static MD ltD(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static MD gtD(D a, D b) { return _mm256_cmp_pd(a, b, _CMP_GT_OQ); }
    static D selectD(MD m, D a, D b) { return _mm256_blendv_pd(b, a, m); }

    static F fromBytes(const uint8_t* p) {
        return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
    }
    static void storeInts(uint8_t* p, __m128i low, __m128i high) {
        const __m128i byteMask = _mm_set1_epi32(0xFF);
        const __m128i words = _mm_packs_epi32(_mm_and_si128(low, byteMask), _mm_and_si128(high, byteMask));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(words, words));
    }
    static void storeBytes(uint8_t* p, F v) {
        const __m256i ints = _mm256_cvttps_epi32(v);
        storeInts(p, _mm256_castsi256_si128(ints), _mm256_extracti128_si256(ints, 1));
    }
    static void storeBytesD(uint8_t* p, D l, D h) { storeInts(p, _mm256_cvttpd_epi32(l), _mm256_cvttpd_epi32(h)); }
};

}  // namespace
