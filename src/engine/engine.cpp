#include "engine/engine.h"

#include <emmintrin.h>

#include "engine/band_pass.h"
#include "engine/fast_math.h"
#include "engine/saturation_sse2.h"
#include "engine/tables.h"

static const double RESONANCE_REGISTER = 15.0;
// The cutoff register's value before any tick: every activation takes the band-pass reference
// cutoff from it, so that a re-activated instance sounds exactly as a fresh one.
static const float INITIAL_CUTOFF_REGISTER = 0.0f;
static const float INPUT_GAIN = 0.928719044f;
static const float OUTPUT_GAIN = -1.07675195f;  // undoes the band-pass stage's inversion
static const float REGISTER_CEILING = 2047.0f;
static const float CEILING_HZ = 13164.189f;

static float clampf(float x, float lo, float hi) {
    if (x < lo) return lo;
    if (x > hi) return hi;
    return x;
}

static float cutoff_hz(float reg) {
    if (reg >= REGISTER_CEILING) return CEILING_HZ;
    return (reg > 0.000001f ? reg : 0.000001f) * HZ_PER_REGISTER_STEP;
}

// Truncates a plain parameter value to a table row; values outside the tables' rows cannot
// come from snapped parameters, but must not index outside them either.
static uint32_t table_row(float plain) {
    if (!(plain >= 0.0f)) return 0;
    return plain >= 15.0f ? 15u : (uint32_t)plain;
}

// Low byte of trunc(cutoff) * 16: the cutoff's contribution to the 8-bit modulated cutoff.
static uint32_t cutoff_base(float plain) {
    if (!(plain > -2147483648.0f && plain < 2147483648.0f)) return 0;
    return ((uint32_t)(int32_t)plain * 16u) & 0xFFu;
}

static bool is_finite(float x) { return x - x == 0.0f; }

// A host may process before it has told us a usable rate; the engine is then silent.
static bool rate_is_usable(float sample_rate) { return sample_rate > 0.0f && is_finite(sample_rate); }

static void design_first_order(FirstOrder* s, float fc, float sample_rate, bool high_pass) {
    *s = FirstOrder{};
    if (!rate_is_usable(sample_rate)) return;  // all zero: the section outputs silence
    float pw = fc;
    float limit = 0.499f * sample_rate;
    if (pw > limit) pw = limit;
    float k = fc * tan_pi_ratio(pw, sample_rate) / pw;
    if (high_pass) {
        s->b0 = 1.0f / (1.0f + k);
        s->b1 = -s->b0;
    } else {
        s->b0 = k / (1.0f + k);
        s->b1 = s->b0;
    }
    s->a1 = (k - 1.0f) / (k + 1.0f);
}

static inline float run_first_order(FirstOrder* s, float x) {
    float y = s->b0 * x + s->state;
    s->state = s->b1 * x - s->a1 * y;
    return y;
}

// A low-pass section's b1 equals its b0, so b1 * x is the product b0 * x already made:
// one multiply fewer, not one bit different.
static inline float run_low_pass(FirstOrder* s, float x) {
    float b0x = s->b0 * x;
    float y = b0x + s->state;
    s->state = b0x - s->a1 * y;
    return y;
}

// Everything in the band-pass recursion that depends only on the cutoff register.
static void update_band_pass(Engine* e) {
    if (!rate_is_usable(e->sample_rate)) {
        e->bp_terms = BandPassTerms{};
        return;
    }
    float fc = cutoff_hz(clampf(e->cutoff_register, 0.000001f, REGISTER_CEILING));
    float fcc = clampf(fc, 0.000001f, 1e12f);
    float pw = fcc;
    float limit = 0.499f * e->sample_rate;
    if (pw > limit) pw = limit;
    float t = tan_pi_ratio(pw, e->sample_rate) * rcp(pw);
    float kf = fcc * t;
    float k = rcp(clampf(e->q_factor, 0.000001f, 1e6f));
    e->bp_terms.kf = kf;
    e->bp_terms.kk = t * e->reference_cutoff;
    e->bp_terms.k_plus_kf = k + kf;
    e->bp_terms.gain = rcp(1.0f + kf * (k + kf));
}

// Non-finite input leaves non-finite filter memory behind; clear it at the tick so that the
// output recovers once finite input returns.
static void clear_poisoned_memory(Engine* e) {
    if (is_finite(e->hp_in.state) && is_finite(e->bp_hp_z1) && is_finite(e->bp_bp_z1) &&
        is_finite(e->bp_lp_z1) && is_finite(e->lp_out.state) && is_finite(e->hp_out.state))
        return;
    e->hp_in.state = 0.0f;
    e->bp_hp_z1 = e->bp_bp_z1 = e->bp_lp_z1 = 0.0f;
    e->lp_out.state = 0.0f;
    e->hp_out.state = 0.0f;
}

static void run_tick(Engine* e) {
    uint32_t amount = table_row(e->param_values[1]);
    uint32_t speed = table_row(e->param_values[2]);
    e->lfo_phase = (uint8_t)(e->lfo_phase + speed_steps[speed]);
    int32_t m = (int32_t)cutoff_base(e->param_values[0]) + lfo_wave[amount][e->lfo_phase] + 8;
    if (m <= 0) m = 0;
    if (m >= 255) m = 255;
    e->modulated_cutoff = (uint8_t)m;
    e->cutoff_register = (float)cutoff_curve[m];
    e->tick_countdown = e->tick_period;
    update_band_pass(e);
    clear_poisoned_memory(e);
}

// The chain's memory and per-tick terms, held in locals for the length of a segment.
struct Chain {
    BandPassTerms terms;
    BandPassMemory z;
    FirstOrder hp_in, lp_out, hp_out;
};

static Chain load_chain(const Engine* e) {
    return Chain{e->bp_terms, {e->bp_hp_z1, e->bp_bp_z1, e->bp_lp_z1}, e->hp_in, e->lp_out, e->hp_out};
}

static void store_chain(Engine* e, const Chain& c) {
    e->bp_hp_z1 = c.z.hp;
    e->bp_bp_z1 = c.z.bp;
    e->bp_lp_z1 = c.z.lp;
    e->hp_in.state = c.hp_in.state;
    e->lp_out.state = c.lp_out.state;
    e->hp_out.state = c.hp_out.state;
}

// Finite audio beyond 1e30 is limited there: the resonance and the saturation's scaling would
// otherwise overflow to infinity. Infinities and NaN pass: they poison the filter memory, which
// the next tick clears, whereas a limited infinity would ring through the filters for seconds.
static inline float limit_input(float x) {
    const float limit = 1e30f, infinity = float_from_bits(0x7F800000u);
    if (x > limit && x < infinity) return limit;
    if (x < -limit && x > -infinity) return -limit;
    return x;
}

// Whether any sample of the segment needs limit_input. Checking once per segment keeps the
// limit off the per-sample pipeline, which has no room to spare, for all ordinary audio.
static bool needs_limit(const float* input, uint32_t n) {
    const __m128 sign = _mm_set1_ps(-0.0f), limit = _mm_set1_ps(1e30f);
    const __m128 infinity = _mm_castsi128_ps(_mm_set1_epi32(0x7F800000));
    __m128 any = _mm_setzero_ps();
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        __m128 magnitude = _mm_andnot_ps(sign, _mm_loadu_ps(input + i));
        any = _mm_or_ps(any, _mm_and_ps(_mm_cmpgt_ps(magnitude, limit), _mm_cmplt_ps(magnitude, infinity)));
    }
    bool found = _mm_movemask_ps(any) != 0;
    for (; i < n; i++) found = found || limit_input(input[i]) != input[i];
    return found;
}

// hp_in, input gain, band-pass, output gain and lp_out: the serial part before the saturation.
template <bool LIMIT>
static inline float filter(Chain* c, float x) {
    float x2 = INPUT_GAIN * run_first_order(&c->hp_in, LIMIT ? limit_input(x) : x);
    float bp = band_pass_step(c->terms, &c->z, x2);
    return run_low_pass(&c->lp_out, OUTPUT_GAIN * -bp);
}

static void saturate_in_place(float* y) { _mm_store_ps(y, saturate4(_mm_load_ps(y))); }

// The band-pass recursion is one long dependency chain that leaves most of the processor
// idle. So the segment runs as a pipeline in one loop: four samples are filtered while the
// saturation works on samples SATURATION_LAG behind them and hp_out on samples HP_OUT_LAG
// behind those, whose inputs are ready by then. The ring holds every sample from the oldest
// not yet through hp_out to the newest filtered (at most both lags and a group per stage).
// A segment never spans a tick, so every tick sees the whole chain's memory up to date.
static const uint32_t SATURATION_LAG = 8;
static const uint32_t HP_OUT_LAG = 8;
static const uint32_t RING = 32;
static_assert(RING >= SATURATION_LAG + HP_OUT_LAG + 12 && (RING & (RING - 1)) == 0, "ring too small");

// K engines in one pass (K = 2 for a stereo pair): each step runs every engine's sample in
// turn, so their independent recursions share the processor's idle units. Each engine's own
// arithmetic is the same sequence as with K = 1, so its output is the same bit for bit.
template <bool LIMIT, uint32_t K>
static void run_pipeline(Engine* const* e, const float* const* input, float* const* output, uint32_t n) {
    alignas(16) float y[K][RING];
    Chain c[K];
    for (uint32_t k = 0; k < K; k++) c[k] = load_chain(e[k]);
    uint32_t f = 0, s = 0, h = 0;  // samples filtered, saturated, high-passed
    for (; f + 4 <= n; f += 4) {
        for (uint32_t j = 0; j < 4; j++)
            for (uint32_t k = 0; k < K; k++) y[k][f % RING + j] = filter<LIMIT>(&c[k], input[k][f + j]);
        if (f >= s + SATURATION_LAG) {
            for (uint32_t k = 0; k < K; k++) saturate_in_place(y[k] + s % RING);
            s += 4;
        }
        if (s >= h + HP_OUT_LAG) {
            for (uint32_t j = 0; j < 4; j++)
                for (uint32_t k = 0; k < K; k++) output[k][h + j] = run_first_order(&c[k].hp_out, y[k][h % RING + j]);
            h += 4;
        }
    }
    for (; f < n; f++)
        for (uint32_t k = 0; k < K; k++) y[k][f % RING] = filter<LIMIT>(&c[k], input[k][f]);
    for (; f % 4 != 0; f++)  // lanes past the end: saturated, never output
        for (uint32_t k = 0; k < K; k++) y[k][f % RING] = 0.0f;
    for (; s < n; s += 4)
        for (uint32_t k = 0; k < K; k++) saturate_in_place(y[k] + s % RING);
    for (; h < n; h++)
        for (uint32_t k = 0; k < K; k++) output[k][h] = run_first_order(&c[k].hp_out, y[k][h % RING]);
    for (uint32_t k = 0; k < K; k++) store_chain(e[k], c[k]);
}

// One limit decision for all K engines: limit_input leaves every sample it need not change as
// it is, so an engine whose input needs none gives the same output either way.
template <uint32_t K>
static void process_segment(Engine* const* e, const float* const* input, float* const* output, uint32_t n) {
    bool limit = false;
    for (uint32_t k = 0; k < K; k++) limit = limit || needs_limit(input[k], n);
    if (limit)
        run_pipeline<true, K>(e, input, output, n);
    else
        run_pipeline<false, K>(e, input, output, n);
}

// K engines that tick together (the same tick period and countdown): the first one's
// countdown stands for all.
template <uint32_t K>
static void process_engines(Engine* const* e, const float* const* input, float* const* output, uint32_t n) {
    uint32_t done = 0;
    while (done < n) {
        if (e[0]->tick_countdown == 0)
            for (uint32_t k = 0; k < K; k++) run_tick(e[k]);
        uint32_t segment = n - done;
        if (segment > e[0]->tick_countdown) segment = e[0]->tick_countdown;
        const float* in[K];
        float* out[K];
        for (uint32_t k = 0; k < K; k++) {
            in[k] = input[k] + done;
            out[k] = output[k] + done;
        }
        process_segment<K>(e, in, out, segment);
        for (uint32_t k = 0; k < K; k++) e[k]->tick_countdown -= segment;
        done += segment;
    }
}

void engine_init(Engine* e) {
    *e = Engine{};
    e->param_values[0] = 15.0f;
    e->param_values[1] = 0.0f;
    e->param_values[2] = 7.0f;
    e->cutoff_register = INITIAL_CUTOFF_REGISTER;
    e->tick_period = 1;
}

void engine_set_parameter(Engine* e, uint32_t index, float plain) {
    if (index < 3) e->param_values[index] = plain;
}

void engine_activate(Engine* e, float sample_rate) {
    e->sample_rate = sample_rate;
    float ticks = 0.01f * sample_rate;
    float rounded = ticks >= 0.0f ? ticks + 0.5f : ticks - 0.5f;
    // At least one sample per tick, so that a block always advances.
    e->tick_period = rounded >= 1.0f ? (rounded < 4294967040.0f ? (uint32_t)rounded : 4294967040u) : 1u;
    design_first_order(&e->hp_in, 4.314194f, sample_rate, true);
    design_first_order(&e->lp_out, 15915.494f, sample_rate, false);
    design_first_order(&e->hp_out, 1.0f, sample_rate, true);
    // Evaluated in double and stored as float: 2.6957834 (single precision gives 4 ulp less).
    double r = RESONANCE_REGISTER;
    e->q_factor = (float)(1.0 / (0.0023695724 * r * r - 0.0944332927 * r + 1.2542953));
    e->reference_cutoff = cutoff_hz(INITIAL_CUTOFF_REGISTER);
    e->bp_hp_z1 = e->bp_bp_z1 = e->bp_lp_z1 = 0.0f;
    e->tick_countdown = 0;
    e->lfo_phase = 0;
    e->modulated_cutoff = (uint8_t)((cutoff_base(e->param_values[0]) + 8u) & 0xFFu);
    update_band_pass(e);
}

void engine_process(Engine* e, const float* input, float* output, uint32_t n) {
    process_engines<1>(&e, &input, &output, n);
}

void engine_process_pair(Engine* a, Engine* b, const float* const* inputs, float* const* outputs, uint32_t n) {
    if (a->tick_period != b->tick_period || a->tick_countdown != b->tick_countdown) {
        engine_process(a, inputs[0], outputs[0], n);
        engine_process(b, inputs[1], outputs[1], n);
        return;
    }
    Engine* const pair[2] = {a, b};
    process_engines<2>(pair, inputs, outputs, n);
}

uint8_t engine_modulated_cutoff(const Engine* e) { return e->modulated_cutoff; }
