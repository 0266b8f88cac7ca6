// 512-bit vector operations for the AVX-512 kernels: sixteen floats, or
// eight doubles for each half of them; comparisons give mask registers.
// Included only by *Avx512.cpp files, which are compiled for AVX-512 F, BW,
// DQ and VL (without fused multiply-add). Conventions as in
// base/VectorSse2.h.
#pragma once
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

namespace {

struct Avx512Vectors {
    static constexpr int kLanes = 16;
    using F = __m512;
    using M = __mmask16;
    using D = __m512d;
    using MD = __mmask8;

    static F load(const float* p) { return _mm512_loadu_ps(p); }
    static void store(float* p, F v) { _mm512_storeu_ps(p, v); }
    static F set(float x) { return _mm512_set1_ps(x); }
    static F zero() { return _mm512_setzero_ps(); }
    static F add(F a, F b) { return _mm512_add_ps(a, b); }
    static F sub(F a, F b) { return _mm512_sub_ps(a, b); }
    static F mul(F a, F b) { return _mm512_mul_ps(a, b); }
    static F min(F a, F b) { return _mm512_min_ps(a, b); }
    static F abs(F a) { return _mm512_castsi512_ps(_mm512_and_si512(_mm512_castps_si512(a), _mm512_set1_epi32(0x7FFFFFFF))); }
    static M lt(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_LT_OQ); }
    static M le(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_LE_OQ); }
    static M gt(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
    static M eq(F a, F b) { return _mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ); }
    static M both(M a, M b) { return M(a & b); }
    static F wholePart(F a) { return _mm512_cvtepi32_ps(_mm512_cvttps_epi32(a)); }
    static F select(M m, F a, F b) { return _mm512_mask_blend_ps(m, b, a); }
    static F keep(M m, F a) { return _mm512_maskz_mov_ps(m, a); }
    static bool none(M m) { return m == 0; }
    static bool all(M m) { return m == 0xFFFF; }

    // a0 b0 a1 b1 ... : 2 * kLanes floats from p.
    static void storeInterleaved(float* p, F a, F b) {
        const __m512i first = _mm512_setr_epi32(0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
        const __m512i second = _mm512_setr_epi32(8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
        _mm512_storeu_ps(p, _mm512_permutex2var_ps(a, first, b));
        _mm512_storeu_ps(p + 16, _mm512_permutex2var_ps(a, second, b));
    }

    static D lo(F a) { return _mm512_cvtps_pd(_mm512_castps512_ps256(a)); }
    static D hi(F a) { return _mm512_cvtps_pd(_mm512_extractf32x8_ps(a, 1)); }
    static F narrow(D l, D h) { return _mm512_insertf32x8(_mm512_castps256_ps512(_mm512_cvtpd_ps(l)), _mm512_cvtpd_ps(h), 1); }
    static D loadD(const double* p) { return _mm512_loadu_pd(p); }
    static void storeD(double* p, D v) { _mm512_storeu_pd(p, v); }
    static D gatherD(const double* base, const int32_t* index) {
        return _mm512_i32gather_pd(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(index)), base, 8);
    }
    static D gatherNearD(const double* base, const int32_t* index) {
        if (index[7] - index[0] >= 8) return gatherD(base, index);
        const __m256i rel = _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(index)), _mm256_set1_epi32(index[0]));
        return _mm512_permutexvar_pd(_mm512_cvtepu32_epi64(rel), _mm512_loadu_pd(base + index[0]));
    }
    static D setD(double x) { return _mm512_set1_pd(x); }
    static D addD(D a, D b) { return _mm512_add_pd(a, b); }
    static D subD(D a, D b) { return _mm512_sub_pd(a, b); }
    static D mulD(D a, D b) { return _mm512_mul_pd(a, b); }
    static D divD(D a, D b) { return _mm512_div_pd(a, b); }
    static D minD(D a, D b) { return _mm512_min_pd(a, b); }
    static MD ltD(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static MD gtD(D a, D b) { return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ); }
    static D selectD(MD m, D a, D b) { return _mm512_mask_blend_pd(m, b, a); }

    static F fromBytes(const uint8_t* p) {
        return _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    }
    static void storeBytes(uint8_t* p, F v) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(_mm512_cvttps_epi32(v)));
    }
    static void storeBytesD(uint8_t* p, D l, D h) {
        const __m512i ints = _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvttpd_epi32(l)), _mm512_cvttpd_epi32(h), 1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm512_cvtepi32_epi8(ints));
    }
};

}  // namespace
