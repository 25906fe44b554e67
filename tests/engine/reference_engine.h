// A deliberately plain, per-sample rendition of the effect: every band-pass term is
// recomputed for every sample, each stage written out in the order the sound is defined.
// The production engine caches and reorders work; tests hold it to this one bit for bit.
#pragma once
#include <cstdint>

struct ReferenceEngine {
    float sample_rate;
    float params[3];
    uint32_t tick_period, countdown;
    uint8_t phase, modulated;
    float reg, reference_cutoff, q;
    float hp_in[4], lp_out[4], hp_out[4];  // b0, b1, a1, state
    float z_hp, z_bp, z_lp;
};

void reference_init(ReferenceEngine* r);
void reference_activate(ReferenceEngine* r, float sample_rate);
float reference_sample(ReferenceEngine* r, float x);  // ticks when due, then one sample
