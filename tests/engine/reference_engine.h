// A deliberately plain, per-sample rendition of the effect, written from the sound's written
// definition alone: its own fast arithmetic and its own tables, nothing shared with the
// production engine. Every band-pass term is recomputed for every sample, each stage written
// out in the order the sound is defined. The production engine caches, reorders and
// vectorises; tests hold it to this one bit for bit, and its tables to these in full.
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

// The three control tables as written down, for checking the production ones.
extern const uint8_t reference_speed_steps[16];
extern const uint16_t reference_cutoff_curve[256];
int reference_lfo_wave(int amount, int phase);

// The fast arithmetic as written down, for checking the production functions directly.
float reference_rcp(float x);
float reference_sin2pi(float x);
float reference_omega(float v);
