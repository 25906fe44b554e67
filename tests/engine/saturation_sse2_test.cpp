// The four-lane saturation must give, in every lane, exactly the bits of the scalar
// approximations it replaces, for every input class: each branch of omega, the exp2 guards,
// the boundaries between them, NaN and infinities, with and without flush-to-zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/fast_math.h"
#include "engine/saturation_sse2.h"
#include "exchange/denormals.h"

static float scalar_saturation(float y) { return 0.026f * omega(38.46154f * y + 159.69313f) - 4.0209527f; }

// A NaN's payload is not part of the sound; any NaN matches any NaN.
static bool same(float a, float b) { return float_bits(a) == float_bits(b) || (std::isnan(a) && std::isnan(b)); }

// Inputs of every kind: a stride through all bit patterns, dense runs of neighbours around
// each boundary of the scalar code, and the special values.
static std::vector<float> inputs() {
    std::vector<float> v;
    for (uint64_t b = 0; b < (1ull << 32); b += 65521) v.push_back(float_from_bits((uint32_t)b));
    const float edges[] = {-3.34145951f, 8.0f, 1e9f, -126.0f, 128.0f, -127.0f, 0.0f, -1.0f, -2.0f, 1.0f,
                           -87.33654f, -90.0f, 121.0f, 198.0f, 159.69313f, -0.9f, 2.6e7f, -6.4f, -4.24f};
    for (float edge : edges)
        for (int d = -300; d <= 300; d++) {
            float x = float_from_bits(float_bits(edge) + (uint32_t)d);
            v.push_back(x);
            v.push_back(-x);
        }
    for (float x = -12.0f; x < 12.0f; x += 0.001f) v.push_back(x);  // the saturation's knee
    for (float x : {INFINITY, -INFINITY, NAN, -NAN, 1e-40f, -1e-40f, 3.4e38f, -3.4e38f}) v.push_back(x);
    while (v.size() % 4 != 0) v.push_back(0.0f);
    return v;
}

typedef __m128 (*Lanes4)(__m128);
typedef float (*Scalar)(float);

// Runs f4 on consecutive groups of four, and also on each input repeated in all four lanes
// next to ordinary audio values, so that both forms of saturate4 see every input.
static void expect_lanes_match(Lanes4 f4, Scalar f, const std::vector<float>& in, const char* what) {
    for (int ftz = 0; ftz < 2; ftz++) {
        DenormalsOff* guard = ftz ? new DenormalsOff : nullptr;
        for (size_t i = 0; i < in.size(); i += 4) {
            alignas(16) float out[4];
            _mm_store_ps(out, f4(_mm_loadu_ps(&in[i])));
            for (int j = 0; j < 4; j++)
                ASSERT_TRUE(same(out[j], f(in[i + j])))
                    << what << " ftz " << ftz << " input 0x" << std::hex << float_bits(in[i + j]) << " gives 0x"
                    << float_bits(out[j]) << ", scalar 0x" << float_bits(f(in[i + j]));
            _mm_store_ps(out, f4(_mm_set1_ps(in[i])));
            ASSERT_TRUE(same(out[0], f(in[i]))) << what << " all lanes 0x" << std::hex << float_bits(in[i]);
        }
        delete guard;
    }
}

TEST(SaturationSse2, HelpersMatchTheirScalarFormsInEveryLane) {
    std::vector<float> in = inputs();
    expect_lanes_match(rcp4, rcp, in, "rcp");
    expect_lanes_match(log2_approx4, log2_approx, in, "log2");
    expect_lanes_match(exp2_approx4, exp2_approx, in, "exp2");
}

TEST(SaturationSse2, OmegaMatchesTheScalarFormInEveryBranch) {
    std::vector<float> in = inputs();
    expect_lanes_match(omega4, omega, in, "omega");
    // Groups that mix branches: each lane still follows its own.
    std::vector<float> mixed = {-50.0f, 0.5f, 100.0f, 2e9f, NAN, 7.99f, 8.0f, -3.5f, -3.34145951f, 1e9f, 0.0f, -0.0f};
    expect_lanes_match(omega4, omega, mixed, "omega, mixed");
}

TEST(SaturationSse2, LogarithmicFormMatchesOmegaOverItsWholeRange) {
    std::vector<float> in;
    for (uint32_t b = float_bits(8.0f); b < float_bits(1e9f); b += 97) in.push_back(float_from_bits(b));
    in.push_back(8.0f);
    in.push_back(float_from_bits(float_bits(1e9f) - 1));
    while (in.size() % 4 != 0) in.push_back(8.0f);
    expect_lanes_match(omega4_logarithmic, omega, in, "logarithmic omega");
}

TEST(SaturationSse2, SaturateMatchesTheScalarStageWhicheverFormItTakes) {
    std::vector<float> in = inputs();
    expect_lanes_match(saturate4, scalar_saturation, in, "saturate");
    // One lane outside the logarithmic range sends the whole group through the full form.
    const float audio[] = {0.3f, -0.7f, 1.0f};
    for (float odd : {-3.95f, -4.0f, -10.0f, -1e6f, 2.7e7f, 1e30f, NAN, INFINITY, -INFINITY}) {
        for (int lane = 0; lane < 4; lane++) {
            std::vector<float> group;
            for (int j = 0, k = 0; j < 4; j++) group.push_back(j == lane ? odd : audio[k++]);
            expect_lanes_match(saturate4, scalar_saturation, group, "saturate, one odd lane");
        }
    }
}
