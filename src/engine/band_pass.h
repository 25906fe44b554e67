// One step of the resonant band-pass recursion (state-variable filter, topology-preserving
// form). Its per-sample dependency chain is the longest in the engine, so it sets the
// engine's speed limit; everything else is arranged to run beside it.
#pragma once

// The terms that depend only on the cutoff register, computed once per control tick.
struct BandPassTerms {
    float kf, kk, k_plus_kf, gain;
};

// Last high-pass, band-pass and low-pass outputs.
struct BandPassMemory {
    float hp, bp, lp;
};

// Returns the band-pass output (before the stage's inversion).
inline float band_pass_step(const BandPassTerms& t, BandPassMemory* z, float x2) {
    float a = z->lp + t.kk * z->bp;
    float b = z->bp + t.kk * z->hp;
    float hp = (x2 - t.k_plus_kf * b - a) * t.gain;
    float bp = b + t.kf * hp;
    float lp = a + t.kf * bp;
    z->hp = hp;
    z->bp = bp;
    z->lp = lp;
    return bp;
}
