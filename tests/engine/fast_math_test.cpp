#include <gtest/gtest.h>

#include <cmath>

static const double PI = 3.14159265358979323846;

#include "engine/fast_math.h"
#include "reference_engine.h"
#include "test_noise.h"

TEST(FastMath, ReciprocalIsCloseAfterTwoNewtonSteps) {
    for (float x : {0.001f, 0.5f, 1.0f, 3.0f, 2.6957834f, 1000.0f, 1e6f})
        EXPECT_NEAR(rcp(x) * x, 1.0f, 2e-5f) << x;
}

TEST(FastMath, SineFollowsTheTrueSineClosely) {
    for (float x = -2.0f; x <= 2.0f; x += 0.01f) {
        ASSERT_NEAR(sin2pi(x), std::sin(2.0 * PI * x), 1.5e-2) << x;
        ASSERT_NEAR(cos2pi(x), std::cos(2.0 * PI * x), 1.5e-2) << x;
    }
    EXPECT_EQ(sin2pi(0.25f), 1.0f);
    EXPECT_EQ(sin2pi(0.0f), 0.0f);
}

TEST(FastMath, TangentOfPrewarpedFrequencies) {
    for (float f : {1.0f, 100.0f, 1000.0f, 15915.494f})
        EXPECT_NEAR(tan_pi_ratio(f, 48000.0f), std::tan(PI * f / 48000.0), 1e-2 * std::tan(PI * f / 48000.0)) << f;
}

TEST(FastMath, OmegaSolvesItsEquation) {
    for (float v : {-3.0f, -1.0f, 0.0f, 1.0f, 5.0f, 7.9f, 8.0f, 100.0f, 159.69313f, 5000.0f}) {
        double lo = 1e-30, hi = std::fabs(v) + 2.0;  // bisection on w + ln w = v, in double
        for (int i = 0; i < 200; i++) ((lo + hi) / 2 + std::log((lo + hi) / 2) < v ? lo : hi) = (lo + hi) / 2;
        double exact = lo;
        EXPECT_NEAR(omega(v), exact, 5e-2 * exact) << v;
    }
    EXPECT_EQ(omega(2e9f), 2e9f);
    EXPECT_NEAR(omega(-50.0f), 0.0f, 1e-6f);
}

TEST(FastMath, Exp2CoversItsRangeWithoutOverflowOrNaNConversion) {
    EXPECT_EQ(exp2_approx(-127.0f), 0.0f);
    EXPECT_EQ(exp2_approx(NAN), 0.0f);
    EXPECT_TRUE(std::isinf(exp2_approx(200.0f)));
    EXPECT_NEAR(exp2_approx(3.5f), 11.3137f, 0.02f);
    EXPECT_NEAR(exp2_approx(-2.25f), 0.2102f, 0.001f);
}

// The production functions against the reference's own transcription of them, bit for bit,
// on a million inputs spread over every branch (every finite float pattern may come up).
TEST(FastMath, MatchesTheWrittenFormulasBitForBit) {
    uint32_t seed = 7;
    for (int i = 0; i < 1000000; i++) {
        noise_next(&seed);
        if (((seed >> 23) & 0xFFu) == 0xFFu) continue;  // infinities and NaN: not numbers to check
        float wide = float_from_bits(seed);
        float x = (float)(int32_t)seed / 65536.0f;          // -32768 to 32768, dense near 0
        ASSERT_EQ(float_bits(rcp(wide)), float_bits(reference_rcp(wide))) << wide;
        ASSERT_EQ(float_bits(sin2pi(x)), float_bits(reference_sin2pi(x))) << x;
        ASSERT_EQ(float_bits(omega(x)), float_bits(reference_omega(x))) << x;
        ASSERT_EQ(float_bits(omega(wide)), float_bits(reference_omega(wide))) << wide;
    }
}
