#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/engine.h"
#include "engine/fast_math.h"
#include "engine/tables.h"
#include "exchange/denormals.h"
#include "reference_engine.h"
#include "test_engine.h"
#include "test_noise.h"

static Engine activated(float rate, float cutoff = 15, float amount = 0, float speed = 7) {
    const float values[3] = {cutoff, amount, speed};
    return engine_started(rate, values);
}

// Runs the engine in blocks of the given size; returns the modulated cutoff after each block.
static std::vector<uint8_t> render(Engine* e, const std::vector<float>& in, std::vector<float>* out,
                                   size_t block) {
    std::vector<uint8_t> trace;
    out->resize(in.size());
    engine_run_blocks(e, in.data(), out->data(), in.size(), block,
                      [&](Engine* run) { trace.push_back(engine_modulated_cutoff(run)); });
    return trace;
}

TEST(Engine, ActivationSetsTickPeriodAndInitialCutoff) {
    EXPECT_EQ(activated(48000).tick_period, 480u);
    EXPECT_EQ(activated(44100).tick_period, 441u);
    EXPECT_EQ(activated(96000).tick_period, 960u);
    EXPECT_EQ(activated(10).tick_period, 1u);  // guarded: a block must always advance
    Engine e = activated(48000, 0);
    EXPECT_EQ(engine_modulated_cutoff(&e), 8);
    EXPECT_EQ(e.tick_countdown, 0u);
    Engine defaults = activated(48000);
    EXPECT_EQ(engine_modulated_cutoff(&defaults), 248);
    EXPECT_EQ(e.q_factor, 2.6957834f);  // the formula in double, stored as float
    EXPECT_NEAR(e.reference_cutoff, 0.000006430967f, 1e-12f);  // register 0 before any tick
}

// A host deactivates and activates whenever it likes (after an export, on a rate change):
// afterwards the instance must sound exactly as a fresh one with the same values, whatever
// the last tick left behind.
TEST(Engine, ReactivationSoundsExactlyAsAFreshInstance) {
    std::vector<float> in = noise_signal(48000, 3);
    for (float rate : {48000.0f, 44100.0f}) {
        for (size_t cut : {1000, 12345, 30000}) {
            Engine e = activated(48000, 15, 15, 13);
            std::vector<float> out, fresh_out;
            render(&e, std::vector<float>(in.begin(), in.begin() + cut), &out, 333);
            e.param_values[0] = 3;  // values persist across the activation
            ASSERT_NE(e.cutoff_register, 0.0f);
            engine_activate(&e, rate);
            Engine fresh = activated(rate, 3, 15, 13);
            std::vector<float> rest(in.begin() + cut, in.end());
            std::vector<uint8_t> trace = render(&e, rest, &out, 256);
            ASSERT_EQ(trace, render(&fresh, rest, &fresh_out, 256)) << rate << " " << cut;
            for (size_t i = 0; i < rest.size(); i++)
                ASSERT_EQ(float_bits(out[i]), float_bits(fresh_out[i])) << rate << " cut " << cut << " sample " << i;
        }
    }
}

TEST(Engine, WithoutLfoTheModulatedCutoffIsTheBase) {
    for (int c = 0; c < 16; c++) {
        Engine e = activated(48000, (float)c);
        std::vector<float> out;
        for (uint8_t m : render(&e, noise_signal(4800, 1), &out, 480)) ASSERT_EQ(m, c * 16 + 8);
    }
    Engine e = activated(48000, 15);
    std::vector<float> out;
    render(&e, noise_signal(480, 1), &out, 480);
    EXPECT_EQ(e.cutoff_register, 320.0f);
    Engine low = activated(48000, 0);
    render(&low, noise_signal(480, 1), &out, 480);
    EXPECT_EQ(low.cutoff_register, 62.0f);
}

TEST(Engine, LfoFollowsTheTablesAndClamps) {
    for (float cutoff : {0.0f, 7.0f, 15.0f}) {
        Engine e = activated(48000, cutoff, 15, 15);
        std::vector<float> out;
        uint8_t phase = 0;
        for (uint8_t m : render(&e, noise_signal(480 * 40, 1), &out, 480)) {
            phase = (uint8_t)(phase + 64);
            int expected = (int)cutoff * 16 % 256 + lfo_wave[15][phase] + 8;
            expected = expected < 0 ? 0 : (expected > 255 ? 255 : expected);
            ASSERT_EQ(m, expected);
        }
    }
}

TEST(Engine, SpeedsGiveTheirPeriods) {
    Engine fast = activated(48000, 7, 15, 15);
    std::vector<float> out;
    auto trace = render(&fast, noise_signal(480 * 12, 1), &out, 480);
    for (size_t i = 4; i < trace.size(); i++) EXPECT_EQ(trace[i], trace[i - 4]);  // 25 Hz
    Engine slow = activated(48000, 7, 15, 0);
    trace = render(&slow, noise_signal(480 * 300, 1), &out, 480);
    EXPECT_EQ(slow.lfo_phase, 300 % 256);
    EXPECT_EQ(trace[0], 7 * 16 + lfo_wave[15][1] + 8);  // the first tick already advanced
}

TEST(Engine, TicksFallOnTickBoundaries) {
    Engine e = activated(48000, 7, 15, 15);
    std::vector<float> out, in(479, 0.0f);
    render(&e, in, &out, 479);  // one tick, at the first sample
    EXPECT_EQ(e.lfo_phase, 64);
    EXPECT_EQ(e.tick_countdown, 1u);
    engine_process(&e, in.data(), out.data(), 0);  // nothing happens
    EXPECT_EQ(e.tick_countdown, 1u);
    engine_process(&e, in.data(), out.data(), 1);
    EXPECT_EQ(e.tick_countdown, 0u);
    EXPECT_EQ(e.lfo_phase, 64);
    engine_process(&e, in.data(), out.data(), 1);  // next block ticks at its first sample
    EXPECT_EQ(e.lfo_phase, 128);
}

TEST(Engine, ParametersReachTheSoundOnlyAtTicks) {
    Engine e = activated(48000, 15);
    std::vector<float> out, in(100, 0.0f);
    render(&e, in, &out, 100);
    e.param_values[0] = 0;
    render(&e, in, &out, 100);
    EXPECT_EQ(engine_modulated_cutoff(&e), 248);
    render(&e, std::vector<float>(300, 0.0f), &out, 300);
    EXPECT_EQ(engine_modulated_cutoff(&e), 8);
}

TEST(Engine, SilenceInGivesNearSilenceOut) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f}) {
        Engine e = activated(rate, 7, 15, 15);
        std::vector<float> out;
        render(&e, std::vector<float>((size_t)rate, 0.0f), &out, 512);
        for (float y : out) ASSERT_LT(std::fabs(y), 1e-4f) << rate;
    }
}

TEST(Engine, MatchesThePlainPerSampleReadingBitForBit) {
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 22050.0f}) {
        for (int setting = 0; setting < 4; setting++) {
            float cutoff = (float)(setting * 5), amount = (float)(15 - setting * 4),
                  speed = (float)(setting * 5);
            std::vector<float> in = noise_signal((size_t)rate / 2, (uint32_t)setting + 7);
            for (size_t i = 0; i < in.size(); i += 997) in[i] *= 8.0f;  // drive the saturation
            Engine e = activated(rate, cutoff, amount, speed);
            ReferenceEngine r;
            reference_init(&r);
            r.params[0] = cutoff, r.params[1] = amount, r.params[2] = speed;
            reference_activate(&r, rate);
            std::vector<float> out;
            DenormalsOff ftz;
            // Twice, the second pass after a re-activation that follows ticks.
            for (int pass = 0; pass < 2; pass++) {
                render(&e, in, &out, 333);
                for (size_t i = 0; i < in.size(); i++) {
                    float expected = reference_sample(&r, in[i]);
                    ASSERT_EQ(out[i], expected) << rate << " setting " << setting << " sample " << i;
                }
                ASSERT_EQ(engine_modulated_cutoff(&e), r.modulated);
                engine_activate(&e, rate);
                reference_activate(&r, rate);
            }
        }
    }
}

TEST(Engine, OutputIsIdenticalForEveryBlockSize) {
    std::vector<float> in = noise_signal(48000 * 2, 1);
    std::vector<float> first;
    for (size_t block : {1, 64, 480, 4096}) {
        Engine e = activated(48000, 9, 12, 13);
        std::vector<float> out;
        render(&e, in, &out, block);
        if (first.empty()) first = out;
        ASSERT_EQ(out, first) << "block " << block;
    }
}

TEST(Engine, OutputMayAliasInput) {
    std::vector<float> in = noise_signal(4096, 1), out, inplace = in;
    Engine a = activated(48000, 3, 9, 11), b = a;
    render(&a, in, &out, 256);
    DenormalsOff ftz;
    engine_process(&b, inplace.data(), inplace.data(), (uint32_t)inplace.size());
    EXPECT_EQ(out, inplace);
}

// FNV-1a over the bytes of a fixed render: the same number on every platform we build for.
static uint64_t render_hash() {
    std::vector<float> in = noise_signal(48000 * 3, 99);
    Engine e = activated(48000, 12, 15, 10);
    std::vector<float> out;
    render(&e, in, &out, 512);
    uint64_t h = 1469598103934665603ull;
    for (float y : out) {
        uint32_t bits;
        std::memcpy(&bits, &y, 4);
        for (int i = 0; i < 4; i++) h = (h ^ ((bits >> (8 * i)) & 0xFFu)) * 1099511628211ull;
    }
    return h;
}

TEST(Engine, FixedRenderHasTheSameHashOnEveryPlatform) { EXPECT_EQ(render_hash(), 8105782883459353121ull); }

TEST(Engine, NonFiniteInputDoesNotPoisonTheEngine) {
    Engine e = activated(48000, 7, 15, 15);
    std::vector<float> out, in = noise_signal(2000, 1);
    in[10] = NAN;
    in[11] = INFINITY;
    render(&e, in, &out, 2000);
    // The tick at sample 480 clears the poisoned memory.
    for (size_t i = 480; i < out.size(); i++) ASSERT_TRUE(std::isfinite(out[i])) << i;
}

TEST(Engine, HugeFiniteInputGivesFiniteOutput) {
    for (float size : {1e30f, 1e37f, 3.4028235e38f}) {
        Engine e = activated(48000);
        std::vector<float> out, in = noise_signal(9600, 1);
        for (auto& x : in) x = x < 0.0f ? -size : size;
        render(&e, in, &out, 512);
        for (float y : out) ASSERT_TRUE(std::isfinite(y)) << size;
    }
}

TEST(Engine, LimitedSamplesMatchThePlainReadingWhereverTheyFall) {
    std::vector<float> in = noise_signal(48000, 5);
    const float huge[] = {1e31f, -3.4028235e38f, 2e36f, 3.4028235e38f};
    for (size_t i = 0; i < 16; i++) in[(i * 2971) % in.size()] = huge[i % 4];
    Engine e = activated(48000, 9, 12, 13);
    ReferenceEngine r;
    reference_init(&r);
    r.params[0] = 9, r.params[1] = 12, r.params[2] = 13;
    reference_activate(&r, 48000);
    std::vector<float> out;
    render(&e, in, &out, 100);
    DenormalsOff ftz;
    for (size_t i = 0; i < in.size(); i++) ASSERT_EQ(out[i], reference_sample(&r, in[i])) << i;
}

TEST(Engine, UnusableRateGivesSilenceNotNaN) {
    for (float rate : {0.0f, -48000.0f, NAN, INFINITY}) {
        Engine e = activated(rate);
        std::vector<float> out;
        render(&e, noise_signal(1000, 1), &out, 100);
        for (float y : out) ASSERT_EQ(y, 0.0f) << rate;
    }
}

TEST(Engine, TableIndicesAreBoundedForUnsnappedValues) {
    Engine e = activated(48000, 1e9f, 99, -5);
    e.param_values[1] = NAN;
    std::vector<float> out;
    render(&e, noise_signal(2000, 1), &out, 500);
    EXPECT_EQ(e.lfo_phase, 5);  // five ticks of speed row 0: NaN and negatives read row 0
}
