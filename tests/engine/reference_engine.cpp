#include "reference_engine.h"

#include <cmath>
#include <cstring>

const uint8_t reference_speed_steps[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 16, 21, 28, 37, 49, 64};

const uint16_t reference_cutoff_curve[256] = {
    62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62,  // 0 to 15
    62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 62, 63, 63, 63, 63, 63,  // 16 to 31
    63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 64, 64, 64, 64, 64,  // 32 to 47
    64, 64, 64, 64, 65, 65, 65, 65, 65, 65, 65, 66, 66, 66, 66, 66,  // 48 to 63
    67, 67, 67, 67, 68, 68, 68, 68, 68, 69, 69, 69, 70, 70, 70, 71,  // 64 to 79
    71, 71, 72, 72, 72, 73, 73, 73, 74, 74, 75, 75, 75, 76, 76, 77,  // 80 to 95
    77, 78, 78, 79, 79, 80, 80, 81, 81, 82, 82, 83, 83, 84, 85, 85,  // 96 to 111
    86, 87, 87, 88, 89, 89, 90, 91, 91, 92, 93, 94, 94, 95, 96, 97,  // 112 to 127
    98, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112,  // 128 to 143
    113, 114, 115, 116, 117, 118, 119, 120, 121, 123, 124, 125, 126, 128, 129, 130,  // 144 to 159
    131, 133, 134, 135, 137, 138, 139, 141, 142, 144, 145, 147, 148, 150, 151, 153,  // 160 to 175
    154, 156, 157, 159, 161, 162, 164, 166, 167, 169, 171, 173, 174, 176, 178, 180,  // 176 to 191
    182, 184, 185, 187, 189, 191, 193, 195, 197, 199, 201, 203, 206, 208, 210, 212,  // 192 to 207
    214, 216, 219, 221, 223, 225, 228, 230, 232, 235, 237, 239, 242, 244, 247, 249,  // 208 to 223
    252, 254, 257, 260, 262, 265, 268, 270, 273, 276, 278, 281, 284, 287, 290, 293,  // 224 to 239
    296, 298, 301, 304, 307, 310, 313, 317, 320, 323, 326, 329, 332, 336, 339, 342,  // 240 to 255
};

// round(a * 127 / 15 * sin(2 pi (i + 1) / 256)); no value lies exactly halfway.
int reference_lfo_wave(int amount, int phase) {
    const double pi = 3.14159265358979323846;
    return (int)std::lround(amount * 127.0 / 15.0 * std::sin(2.0 * pi * (phase + 1) / 256.0));
}

static uint32_t bits_of(float x) {
    uint32_t b;
    std::memcpy(&b, &x, 4);
    return b;
}

static float float_of(uint32_t b) {
    float x;
    std::memcpy(&x, &b, 4);
    return x;
}

float reference_rcp(float x) {
    float r = float_of(0x7EF0E840u - bits_of(x));
    r = r + r - x * r * r;
    return r + r - x * r * r;
}

float reference_sin2pi(float x) {
    const float half_pi = 1.5707964f;
    float f = x - std::floor(x);
    float u = 2.0f * f - 1.0f;
    float a = std::fabs(u);
    float p = half_pi - half_pi * std::fabs(2.0f * a - 1.0f);
    float sign = std::signbit(u) ? -1.0f : 1.0f;
    return -sign * (p + p * p * (-0.05738534f - 0.11073982f * p));
}

static float cos2pi(float x) { return reference_sin2pi(x + 0.25f); }

static float tan_pi(float f, float fs) {
    float u = f / (2.0f * fs);
    return reference_sin2pi(u) * reference_rcp(cos2pi(u));
}

static float log2_estimate(float v) {
    uint32_t b = bits_of(v);
    float e = (float)((b >> 23) & 0xFF);
    float m = float_of((b & 0x7FFFFFu) | 0x3F800000u);  // the mantissa scaled into 1 to 2
    return e - 129.21347f + ((0.164042562f * m - 1.09886527f) * m + 3.14829803f) * m;
}

static float exp2_estimate(float z) {
    if (!(z >= -126.0f)) return 0.0f;  // NaN as well: the result is NaN whatever this gives
    int i = (int)z;                    // truncation toward zero
    if (z < 0.0f) i -= 1;
    float f = z - (float)i;
    return std::ldexp(1.0f, i) * (1.0f + f * ((0.0794415399f * f + 0.227411285f) * f + 0.693147182f));
}

float reference_omega(float v) {
    if (v >= 1e9f) return v;
    float est;
    if (v < -3.34145951f)
        est = 0.0f;
    else if (v < 8.0f)
        est = ((-0.00131429313f * v + 0.0477593131f) * v + 0.36319527f) * v + 0.631318331f;
    else
        est = v - 0.693147182f * log2_estimate(v);
    float e = exp2_estimate((v - est) * 1.44269502f);
    return est - (est - e) * reference_rcp(est + 1.0f);
}

static float hz(float reg) { return reg >= 2047.0f ? 13164.189f : std::fmax(reg, 0.000001f) * 6.430967f; }

static void section(float* s, float fc, float fs, bool high) {
    float pw = std::fmin(fc, 0.499f * fs);
    float k = fc * tan_pi(pw, fs) / pw;
    s[0] = high ? 1.0f / (1.0f + k) : k / (1.0f + k);
    s[1] = high ? -s[0] : s[0];
    s[2] = (k - 1.0f) / (k + 1.0f);
    s[3] = 0.0f;
}

static float step(float* s, float x) {
    float y = s[0] * x + s[3];
    s[3] = s[1] * x - s[2] * y;
    return y;
}

void reference_init(ReferenceEngine* r) {
    *r = ReferenceEngine{};
    r->params[0] = 15.0f;
    r->params[2] = 7.0f;
}

void reference_activate(ReferenceEngine* r, float fs) {
    r->sample_rate = fs;
    r->tick_period = (uint32_t)std::lround(0.01f * fs);
    section(r->hp_in, 4.314194f, fs, true);
    section(r->lp_out, 15915.494f, fs, false);
    section(r->hp_out, 1.0f, fs, true);
    double res = 15.0;  // in double, stored as float
    r->q = (float)(1.0 / (0.0023695724 * res * res - 0.0944332927 * res + 1.2542953));
    r->reference_cutoff = hz(0.0f);  // the register before any tick, at every activation
    r->z_hp = r->z_bp = r->z_lp = 0.0f;
    r->countdown = 0;
    r->phase = 0;
    r->modulated = (uint8_t)(((int)r->params[0] * 16 + 8) % 256);
}

float reference_sample(ReferenceEngine* r, float x) {
    if (r->countdown == 0) {
        int c = (int)r->params[0], a = (int)r->params[1], s = (int)r->params[2];
        r->phase = (uint8_t)((r->phase + reference_speed_steps[s]) % 256);
        int m = (c * 16) % 256 + reference_lfo_wave(a, r->phase) + 8;
        m = m <= 0 ? 0 : (m >= 255 ? 255 : m);
        r->modulated = (uint8_t)m;
        r->reg = (float)reference_cutoff_curve[m];
        r->countdown = r->tick_period;
    }
    r->countdown--;

    if (std::isfinite(x)) x = std::fmin(std::fmax(x, -1e30f), 1e30f);  // the input limit
    float x2 = 0.928719044f * step(r->hp_in, x);

    float fc = hz(std::fmin(std::fmax(r->reg, 0.000001f), 2047.0f));
    float fcc = std::fmin(std::fmax(fc, 0.000001f), 1e12f);
    float pw = std::fmin(fcc, 0.499f * r->sample_rate);
    float t = tan_pi(pw, r->sample_rate) * reference_rcp(pw);
    float kf = fcc * t;
    float k = reference_rcp(std::fmin(std::fmax(r->q, 0.000001f), 1e6f));
    float kk = t * r->reference_cutoff;
    float A = r->z_lp + kk * r->z_bp;
    float B = r->z_bp + kk * r->z_hp;
    float hp = (x2 - (k + kf) * B - A) * reference_rcp(1.0f + kf * (k + kf));
    float bp = B + kf * hp;
    float lp = A + kf * bp;
    r->z_hp = hp;
    r->z_lp = lp;
    r->z_bp = bp;

    float y = step(r->lp_out, -bp * -1.07675195f);
    float v = 38.46154f * y + 159.69313f;
    float sat = 0.026f * reference_omega(v) - 4.0209527f;
    return step(r->hp_out, sat);
}
