// The saturation stage four samples at a time with SSE2:
// 0.026 * omega(38.46154 * y + 159.69313) - 4.0209527, with omega and its helpers as in
// fast_math.h. Each lane runs the scalar code's float operations in the scalar order; the
// scalar branches become masks that pick, per lane, the value the scalar code returns (NaN
// takes the same path as there), so every lane matches the scalar result bit for bit.
// SSE2 only: every x86-64 processor has it, so one binary serves all.
#pragma once
#include <emmintrin.h>

struct alignas(16) FloatLanes {
    float v[4];
};

// The float constants, each as a whole vector in memory (saturation_sse2.cpp). Given as
// literals, the compiler rebuilds each from a scalar with a shuffle at every use, which
// costs as much as the arithmetic itself.
struct SaturationConstants {
    FloatLanes in_scale, bias, out_scale, offset;
    FloatLanes omega_high, cubic_end, zero_below;
    FloatLanes cubic3, cubic2, cubic1, cubic0;
    FloatLanes ln2, log2_e, log2_m2, log2_m1, log2_m0, log2_offset;
    FloatLanes exp2_low, exp2_high, exp2_f2, exp2_f1, exp2_f0, one;
};
extern const SaturationConstants SAT;

inline __m128 lanes(const FloatLanes& c) { return _mm_load_ps(c.v); }

inline __m128 select4(__m128 mask, __m128 if_set, __m128 if_clear) {
    return _mm_or_ps(_mm_and_ps(mask, if_set), _mm_andnot_ps(mask, if_clear));
}

inline __m128 rcp4(__m128 x) {
    __m128 r = _mm_castsi128_ps(_mm_sub_epi32(_mm_set1_epi32(0x7EF0E840), _mm_castps_si128(x)));
    r = _mm_sub_ps(_mm_add_ps(r, r), _mm_mul_ps(_mm_mul_ps(x, r), r));
    r = _mm_sub_ps(_mm_add_ps(r, r), _mm_mul_ps(_mm_mul_ps(x, r), r));
    return r;
}

inline __m128 log2_approx4(__m128 v) {
    __m128i b = _mm_castps_si128(v);
    __m128 exponent = _mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(b, 23), _mm_set1_epi32(0xFF)));
    __m128 m = _mm_castsi128_ps(
        _mm_or_si128(_mm_and_si128(b, _mm_set1_epi32(0x007FFFFF)), _mm_set1_epi32(0x3F800000)));
    __m128 p = _mm_sub_ps(_mm_mul_ps(lanes(SAT.log2_m2), m), lanes(SAT.log2_m1));
    p = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(p, m), lanes(SAT.log2_m0)), m);
    return _mm_add_ps(_mm_sub_ps(exponent, lanes(SAT.log2_offset)), p);
}

inline __m128 exp2_approx4(__m128 z) {
    __m128 in_range = _mm_cmpge_ps(z, lanes(SAT.exp2_low));  // false for NaN, as in scalar
    __m128 overflow = _mm_cmpge_ps(z, lanes(SAT.exp2_high));
    __m128i i = _mm_cvttps_epi32(z);
    i = _mm_add_epi32(i, _mm_castps_si128(_mm_cmplt_ps(z, _mm_setzero_ps())));  // less 1 below 0
    __m128 f = _mm_sub_ps(z, _mm_cvtepi32_ps(i));
    // In range, the only i below -126 is -127 (z = -126 exactly), whose biased exponent 0
    // already makes the scale 0, as the scalar code's guard does.
    __m128 scale = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(i, _mm_set1_epi32(127)), 23));
    __m128 p = _mm_add_ps(_mm_mul_ps(lanes(SAT.exp2_f2), f), lanes(SAT.exp2_f1));
    p = _mm_add_ps(_mm_mul_ps(p, f), lanes(SAT.exp2_f0));
    p = _mm_add_ps(lanes(SAT.one), _mm_mul_ps(f, p));
    __m128 e = select4(overflow, _mm_castsi128_ps(_mm_set1_epi32(0x7F800000)), _mm_mul_ps(scale, p));
    return _mm_and_ps(in_range, e);
}

inline __m128 omega4(__m128 v) {
    __m128 cubic = _mm_add_ps(_mm_mul_ps(lanes(SAT.cubic3), v), lanes(SAT.cubic2));
    cubic = _mm_add_ps(_mm_mul_ps(cubic, v), lanes(SAT.cubic1));
    cubic = _mm_add_ps(_mm_mul_ps(cubic, v), lanes(SAT.cubic0));
    __m128 asymptotic = _mm_sub_ps(v, _mm_mul_ps(lanes(SAT.ln2), log2_approx4(v)));
    __m128 est = select4(_mm_cmplt_ps(v, lanes(SAT.cubic_end)), cubic, asymptotic);
    est = _mm_andnot_ps(_mm_cmplt_ps(v, lanes(SAT.zero_below)), est);
    __m128 e = exp2_approx4(_mm_mul_ps(_mm_sub_ps(v, est), lanes(SAT.log2_e)));
    __m128 w = _mm_sub_ps(est, _mm_mul_ps(_mm_sub_ps(est, e), rcp4(_mm_add_ps(est, lanes(SAT.one)))));
    return select4(_mm_cmpge_ps(v, lanes(SAT.omega_high)), v, w);
}

// omega4 for lanes that all lie in [8, 1e9), the logarithmic estimate's range. There
// z = (v - est) * log2(e) lies between 0 and 47 (est never exceeds v), where none of exp2's
// guards applies, so dropping them leaves every lane's operations, and so its result,
// unchanged.
inline __m128 omega4_logarithmic(__m128 v) {
    __m128 est = _mm_sub_ps(v, _mm_mul_ps(lanes(SAT.ln2), log2_approx4(v)));
    __m128 z = _mm_mul_ps(_mm_sub_ps(v, est), lanes(SAT.log2_e));
    __m128i i = _mm_cvttps_epi32(z);
    __m128 f = _mm_sub_ps(z, _mm_cvtepi32_ps(i));
    __m128 scale = _mm_castsi128_ps(_mm_slli_epi32(_mm_add_epi32(i, _mm_set1_epi32(127)), 23));
    __m128 p = _mm_add_ps(_mm_mul_ps(lanes(SAT.exp2_f2), f), lanes(SAT.exp2_f1));
    p = _mm_add_ps(_mm_mul_ps(p, f), lanes(SAT.exp2_f0));
    p = _mm_add_ps(lanes(SAT.one), _mm_mul_ps(f, p));
    __m128 e = _mm_mul_ps(scale, p);
    return _mm_sub_ps(est, _mm_mul_ps(_mm_sub_ps(est, e), rcp4(_mm_add_ps(est, lanes(SAT.one)))));
}

// Audio keeps v = 38.46 * y + 159.69 in the logarithmic range unless y swings below about
// -3.94, so the full form with its masks is rarely needed.
inline __m128 saturate4(__m128 y) {
    __m128 v = _mm_add_ps(_mm_mul_ps(lanes(SAT.in_scale), y), lanes(SAT.bias));
    __m128 in_log_range =
        _mm_and_ps(_mm_cmpge_ps(v, lanes(SAT.cubic_end)), _mm_cmplt_ps(v, lanes(SAT.omega_high)));
    __m128 w = _mm_movemask_ps(in_log_range) == 15 ? omega4_logarithmic(v) : omega4(v);
    return _mm_sub_ps(_mm_mul_ps(lanes(SAT.out_scale), w), lanes(SAT.offset));
}
