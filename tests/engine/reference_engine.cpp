#include "reference_engine.h"

#include <cmath>

#include "engine/fast_math.h"
#include "engine/tables.h"

static float hz(float reg) { return reg >= 2047.0f ? 13164.189f : std::fmax(reg, 0.000001f) * 6.430967f; }

static float fast_tan(float f, float fs) {
    float u = f / (2.0f * fs);
    return sin2pi(u) * rcp(cos2pi(u));
}

static void section(float* s, float fc, float fs, bool high) {
    float pw = std::fmin(fc, 0.499f * fs);
    float k = fc * fast_tan(pw, fs) / pw;
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
    float res = 15.0f;
    r->q = 1.0f / (0.0023695724f * res * res - 0.0944332927f * res + 1.2542953f);
    r->reference_cutoff = hz(0.0f);  // the register before any tick, at every activation
    r->z_hp = r->z_bp = r->z_lp = 0.0f;
    r->countdown = 0;
    r->phase = 0;
    r->modulated = (uint8_t)(((int)r->params[0] * 16 + 8) % 256);
}

float reference_sample(ReferenceEngine* r, float x) {
    if (r->countdown == 0) {
        int c = (int)r->params[0], a = (int)r->params[1], s = (int)r->params[2];
        r->phase = (uint8_t)((r->phase + speed_steps[s]) % 256);
        int m = (c * 16) % 256 + lfo_wave[a][r->phase] + 8;
        m = m <= 0 ? 0 : (m >= 255 ? 255 : m);
        r->modulated = (uint8_t)m;
        r->reg = (float)cutoff_curve[m];
        r->countdown = r->tick_period;
    }
    r->countdown--;

    if (std::isfinite(x)) x = std::fmin(std::fmax(x, -1e30f), 1e30f);  // the input limit
    float x2 = 0.928719044f * step(r->hp_in, x);

    float fc = hz(std::fmin(std::fmax(r->reg, 0.000001f), 2047.0f));
    float fcc = std::fmin(std::fmax(fc, 0.000001f), 1e12f);
    float pw = std::fmin(fcc, 0.499f * r->sample_rate);
    float t = fast_tan(pw, r->sample_rate) * rcp(pw);
    float kf = fcc * t;
    float k = rcp(std::fmin(std::fmax(r->q, 0.000001f), 1e6f));
    float kk = t * r->reference_cutoff;
    float A = r->z_lp + kk * r->z_bp;
    float B = r->z_bp + kk * r->z_hp;
    float hp = (x2 - (k + kf) * B - A) * rcp(1.0f + kf * (k + kf));
    float bp = B + kf * hp;
    float lp = A + kf * bp;
    r->z_hp = hp;
    r->z_lp = lp;
    r->z_bp = bp;

    float y = step(r->lp_out, -bp * -1.07675195f);
    float v = 38.46154f * y + 159.69313f;
    float sat = 0.026f * omega(v) - 4.0209527f;
    return step(r->hp_out, sat);
}
