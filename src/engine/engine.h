// The effect engine: a mono chain of first-order filters, gains and saturation around a
// resonant band-pass whose cutoff a table-driven oscillator moves at a 10 ms control tick.
#pragma once
#include <cstdint>

#include "engine/band_pass.h"

// First-order section: y = b0 * x + s; s = b1 * x - a1 * y.
struct FirstOrder {
    float b0, b1, a1, state;
};

struct Engine {
    float sample_rate;
    float param_values[3];  // plain cutoff, lfo_amt, lfo_speed
    uint32_t tick_period;
    uint32_t tick_countdown;
    uint8_t lfo_phase;
    uint8_t modulated_cutoff;
    float cutoff_register;
    float reference_cutoff;
    float q_factor;
    FirstOrder hp_in;
    float bp_hp_z1, bp_bp_z1, bp_lp_z1;
    FirstOrder lp_out;
    FirstOrder hp_out;
    // Band-pass terms that depend only on the cutoff register, refreshed at each tick.
    BandPassTerms bp_terms;
};

void engine_init(Engine* engine);
void engine_set_parameter(Engine* engine, uint32_t index, float plain);
void engine_activate(Engine* engine, float sample_rate);
void engine_process(Engine* engine, const float* input, float* output, uint32_t n);
// Two engines over their own channels in one pass (inputs[0] through a into outputs[0],
// inputs[1] through b into outputs[1]), each exactly as engine_process would run it, at less
// cost than two calls when they tick together: the same rate, activated and run together since.
void engine_process_pair(Engine* a, Engine* b, const float* const* inputs, float* const* outputs, uint32_t n);
uint8_t engine_modulated_cutoff(const Engine* engine);
