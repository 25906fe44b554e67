// The engine reorders and vectorises the chain; the plain per-sample reading in
// reference_engine.cpp does not. On long noise, sweeps, every parameter setting, automation
// and any block size the two must agree to the last bit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/fast_math.h"
#include "exchange/denormals.h"
#include "reference_engine.h"
#include "test_noise.h"

// The engine and the reference side by side, fed the same input and the same parameters.
struct Pair {
    Engine engine;
    ReferenceEngine reference;
    uint64_t compared = 0;

    Pair(float rate, float cutoff, float amount, float speed) {
        engine_init(&engine);
        reference_init(&reference);
        set(cutoff, amount, speed);
        engine_activate(&engine, rate);
        reference_activate(&reference, rate);
    }
    void set(float cutoff, float amount, float speed) {
        engine.param_values[0] = reference.params[0] = cutoff;
        engine.param_values[1] = reference.params[1] = amount;
        engine.param_values[2] = reference.params[2] = speed;
    }
    // One block; stops the test at the first sample that differs.
    void run(const float* in, uint32_t n, const char* what) {
        std::vector<float> out(n);
        engine_process(&engine, in, out.data(), n);
        for (uint32_t i = 0; i < n; i++, compared++) {
            float expected = reference_sample(&reference, in[i]);
            ASSERT_EQ(float_bits(out[i]), float_bits(expected))
                << what << ": sample " << compared << " gives " << out[i] << ", reference " << expected;
        }
        ASSERT_EQ(engine_modulated_cutoff(&engine), reference.modulated) << what;
    }
    // The whole input in blocks of the given sizes, taken in turn.
    void run_all(const std::vector<float>& in, const std::vector<uint32_t>& blocks, const char* what) {
        size_t at = 0;
        for (size_t b = 0; at < in.size(); b++) {
            uint32_t n = (uint32_t)std::min<size_t>(blocks[b % blocks.size()], in.size() - at);
            run(&in[at], n, what);
            if (testing::Test::HasFatalFailure()) return;
            at += n;
        }
    }
};

// Noise whose level changes every `run` samples, from near silence to levels that drive the
// saturation through all of its branches (down to its floor and up to where it passes the
// input through).
static std::vector<float> noise_at_changing_levels(size_t n, uint32_t seed, size_t run = 4096) {
    const float levels[] = {1e-30f, 1e-6f, 0.01f, 0.3f, 1.0f, 3.0f, 8.0f, 30.0f, 1e3f, 1e8f};
    std::vector<float> v(n);
    float level = 1.0f;
    for (size_t i = 0; i < n; i++) {
        if (i % run == 0) level = levels[noise_below(&seed, 10)];
        v[i] = level * noise_signed(&seed);
    }
    return v;
}

// A sine sweeping exponentially from 10 Hz to 0.45 of the rate.
static std::vector<float> sweep(float rate, float seconds, float amplitude) {
    size_t n = (size_t)(rate * seconds);
    std::vector<float> v(n);
    double f0 = 10.0, f1 = 0.45 * rate, k = std::log(f1 / f0) / n, phase = 0.0;
    for (size_t i = 0; i < n; i++) {
        v[i] = (float)(amplitude * std::sin(phase));
        phase += 2.0 * 3.14159265358979323846 * f0 * std::exp(k * (double)i) / rate;
    }
    return v;
}

static const std::vector<uint32_t> ODD_BLOCKS = {1, 3, 32, 64, 333, 480, 4096, 7, 512, 441};

TEST(EngineIdentity, EveryParameterSettingMatchesTheReference) {
    DenormalsOff ftz;
    std::vector<float> in = noise_at_changing_levels(1500, 3, 100);
    for (int cutoff = 0; cutoff < 16; cutoff++)
        for (int amount = 0; amount < 16; amount++)
            for (int speed = 0; speed < 16; speed++) {
                Pair p(48000.0f, (float)cutoff, (float)amount, (float)speed);
                p.run_all(in, {(uint32_t)(1 + (cutoff * 256 + amount * 16 + speed) % 700)}, "setting");
                ASSERT_FALSE(HasFatalFailure()) << cutoff << " " << amount << " " << speed;
            }
}

TEST(EngineIdentity, LongNoiseWithAutomationMatchesTheReference) {
    DenormalsOff ftz;
    std::vector<float> in = noise_at_changing_levels(48000 * 60, 11);
    uint32_t seed = 5;
    Pair p(48000.0f, 9, 12, 13);
    size_t at = 0;
    while (at < in.size()) {
        if (noise_below(&seed, 8) == 0) p.set((float)noise_below(&seed, 16), (float)noise_below(&seed, 16), (float)noise_below(&seed, 16));
        uint32_t n = (uint32_t)std::min<size_t>(1 + noise_below(&seed, 4096), in.size() - at);
        p.run(&in[at], n, "long noise");
        ASSERT_FALSE(HasFatalFailure());
        at += n;
    }
}

TEST(EngineIdentity, SweepsMatchTheReferenceAtEveryRate) {
    DenormalsOff ftz;
    for (float rate : {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f})
        for (float amplitude : {0.5f, 4.0f, 40.0f}) {
            Pair p(rate, 7, 15, 3);
            p.run_all(sweep(rate, 4.0f, amplitude), ODD_BLOCKS, "sweep");
            ASSERT_FALSE(HasFatalFailure()) << rate << " Hz, amplitude " << amplitude;
        }
}

TEST(EngineIdentity, ReactivationAndSilenceMatchTheReference) {
    DenormalsOff ftz;
    Pair p(44100.0f, 15, 15, 15);
    std::vector<float> silence(44100, 0.0f), tiny(44100, 1e-39f), in = noise_at_changing_levels(44100, 17);
    for (int pass = 0; pass < 3; pass++) {
        p.run_all(in, ODD_BLOCKS, "noise");
        p.run_all(silence, ODD_BLOCKS, "silence");
        p.run_all(tiny, ODD_BLOCKS, "subnormal input");
        ASSERT_FALSE(HasFatalFailure()) << "pass " << pass;
        engine_activate(&p.engine, 48000.0f);  // a new rate, after ticks that moved the register
        reference_activate(&p.reference, 48000.0f);
    }
}

// The plug-ins always process with flush-to-zero; without it the two must agree as well.
TEST(EngineIdentity, MatchesTheReferenceWithoutFlushToZero) {
    Pair p(48000.0f, 3, 8, 9);
    std::vector<float> in = noise_at_changing_levels(48000 * 4, 23);
    for (size_t i = 0; i < in.size(); i += 5000) in[i] = 1e-39f;
    p.run_all(in, ODD_BLOCKS, "no flush-to-zero");
}

// A stereo pair in one pass gives each channel exactly what its engine gives alone: under
// automation, with samples beyond the input limit, infinities and NaN on one channel only,
// and for a pair that does not tick together (other rates), which runs one engine after
// the other.
TEST(EngineIdentity, PairMatchesEachEngineAlone) {
    DenormalsOff ftz;
    const size_t n = 48000 * 4;
    std::vector<float> in[2] = {noise_at_changing_levels(n, 31), sweep(48000.0f, 4.0f, 3.0f)};
    for (size_t i = 7; i < n; i += 9001) in[0][i] = i % 2 ? 3e35f : -INFINITY;
    in[0][20000] = NAN;
    const float rates[2][2] = {{48000.0f, 48000.0f}, {48000.0f, 44100.0f}};
    for (const float* rate : rates) {
        Engine pair[2], alone[2];
        for (int c = 0; c < 2; c++) {
            engine_init(&pair[c]);
            engine_init(&alone[c]);
            engine_activate(&pair[c], rate[c]);
            engine_activate(&alone[c], rate[c]);
        }
        std::vector<float> out[2] = {std::vector<float>(n), std::vector<float>(n)};
        std::vector<float> expected[2] = {out[0], out[1]};
        uint32_t seed = rate[1] == rate[0] ? 41u : 43u;
        for (size_t at = 0, b = 0; at < n; b++) {
            uint32_t block = (uint32_t)std::min<size_t>(ODD_BLOCKS[b % ODD_BLOCKS.size()], n - at);
            if (noise_below(&seed, 4) == 0)
                for (uint32_t k = 0; k < 3; k++)
                    pair[0].param_values[k] = pair[1].param_values[k] = alone[0].param_values[k] =
                        alone[1].param_values[k] = (float)noise_below(&seed, 16);
            const float* ins[2] = {&in[0][at], &in[1][at]};
            float* outs[2] = {&out[0][at], &out[1][at]};
            engine_process_pair(&pair[0], &pair[1], ins, outs, block);
            for (int c = 0; c < 2; c++) engine_process(&alone[c], ins[c], &expected[c][at], block);
            at += block;
        }
        for (int c = 0; c < 2; c++) {
            ASSERT_EQ(0, memcmp(out[c].data(), expected[c].data(), n * sizeof(float))) << "channel " << c << " at " << rate[c];
            EXPECT_EQ(engine_modulated_cutoff(&alone[c]), engine_modulated_cutoff(&pair[c]));
        }
    }
}
