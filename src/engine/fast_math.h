// The engine's own approximations of reciprocal, sine, tangent, log2, exp2 and the Wright
// omega function. The sound depends on exactly these float operations in exactly this
// order, so none of them may be replaced by a library call.
#pragma once
#include <cstdint>
#include <cstring>

inline uint32_t float_bits(float x) {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline float float_from_bits(uint32_t b) {
    float x;
    std::memcpy(&x, &b, sizeof x);
    return x;
}

// Bit-trick estimate refined by two Newton steps.
inline float rcp(float x) {
    float r = float_from_bits(0x7EF0E840u - float_bits(x));
    r = r + r - x * r * r;
    r = r + r - x * r * r;
    return r;
}

inline float floor_float(float x) {
    // Exact for every float: values of 2^23 and beyond (and NaN) are already whole.
    if (!(x > -8388608.0f && x < 8388608.0f)) return x;
    float t = (float)(int32_t)x;
    return t > x ? t - 1.0f : t;
}

// sin(2 pi x) from a folded parabola with a cubic correction.
inline float sin2pi(float x) {
    const float half_pi = 1.5707964f;
    float f = x - floor_float(x);
    float u = 2.0f * f - 1.0f;
    float a = u < 0.0f ? -u : u;
    float folded = 2.0f * a - 1.0f;
    float p = half_pi - half_pi * (folded < 0.0f ? -folded : folded);
    float s = p + p * p * (-0.05738534f - 0.11073982f * p);
    return (float_bits(u) >> 31) ? s : -s;
}

inline float cos2pi(float x) { return sin2pi(x + 0.25f); }

// tan(pi * f / fs)
inline float tan_pi_ratio(float f, float fs) {
    float u = f / (2.0f * fs);
    return sin2pi(u) * rcp(cos2pi(u));
}

inline float log2_approx(float v) {
    uint32_t b = float_bits(v);
    float exponent = (float)((b >> 23) & 0xFFu);
    float m = float_from_bits((b & 0x007FFFFFu) | 0x3F800000u);
    return exponent - 129.21347f + ((0.164042562f * m - 1.09886527f) * m + 3.14829803f) * m;
}

inline float exp2_approx(float z) {
    if (!(z >= -126.0f)) return 0.0f;  // also NaN: nothing finite to raise
    if (z >= 128.0f) return float_from_bits(0x7F800000u);
    int32_t i = (int32_t)z;
    if (z < 0.0f) i -= 1;
    float f = z - (float)i;
    // 2^-127 is below the normal range and flushes to zero, as it does under FTZ.
    float scale = i < -126 ? 0.0f : float_from_bits((uint32_t)(i + 127) << 23);
    return scale * (1.0f + f * ((0.0794415399f * f + 0.227411285f) * f + 0.693147182f));
}

// Wright omega: the w with w + ln w = v, an estimate plus one Newton step.
inline float omega(float v) {
    if (v >= 1e9f) return v;
    float est;
    if (v < -3.34145951f) {
        est = 0.0f;
    } else if (v < 8.0f) {
        est = ((-0.00131429313f * v + 0.0477593131f) * v + 0.36319527f) * v + 0.631318331f;
    } else {
        est = v - 0.693147182f * log2_approx(v);
    }
    float e = exp2_approx((v - est) * 1.44269502f);
    return est - (est - e) * rcp(est + 1.0f);
}
