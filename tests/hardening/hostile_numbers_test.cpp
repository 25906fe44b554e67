// Hostile numbers through both plug-in formats: non-finite and enormous audio, and NaN and
// infinite control values by every path a host or page has (control ports and parameter
// changes, the edit controller, state blobs, page messages).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "plugin/params.h"
#include "page_protocol.h"
#include "both_formats.h"
#include "plugin_instance.h"

static const float NaN = std::numeric_limits<float>::quiet_NaN();
static const float INF = std::numeric_limits<float>::infinity();
static const uint32_t TICK = 480;  // samples per control tick at 48 kHz
static const uint32_t BLOCK = 64;

class HostileNumbers : public testing::TestWithParam<PluginFormat> {
  protected:
    std::unique_ptr<PluginDriver> plugin;
    void SetUp() override {
        plugin = make_driver(GetParam());
        ASSERT_TRUE(plugin) << format_name(GetParam());
    }

    // Runs `input` through in blocks; returns the output.
    std::vector<float> run(const std::vector<float>& input) {
        std::vector<float> output(input.size());
        for (size_t at = 0; at < input.size(); at += BLOCK) {
            uint32_t n = (uint32_t)std::min<size_t>(BLOCK, input.size() - at);
            plugin->process(input.data() + at, output.data() + at, n);
        }
        return output;
    }

    void expect_live(float cutoff, float lfo_amt, float lfo_speed) {
        const float* live = plugin->live_values();
        EXPECT_EQ(live[0], cutoff);
        EXPECT_EQ(live[1], lfo_amt);
        EXPECT_EQ(live[2], lfo_speed);
    }
};

static std::vector<float> sine(size_t n, float amplitude) {
    std::vector<float> x(n);
    for (size_t i = 0; i < n; i++) x[i] = amplitude * std::sin(0.0523f * (float)i);
    return x;
}

static size_t first_non_finite(const std::vector<float>& x, size_t from) {
    for (size_t i = from; i < x.size(); i++)
        if (!std::isfinite(x[i])) return i;
    return x.size();
}

// A burst of bad samples may spoil the output until the next tick clears the filters; from
// one tick after the burst on, every sample is finite again, and stays so.
TEST_P(HostileNumbers, OutputRecoversWithinOneTickAfterNonFiniteInput) {
    const float bursts[][3] = {{NaN, NaN, NaN}, {INF, INF, INF}, {-INF, -INF, -INF}, {1.0f, NaN, -1.0f},
                               {INF, -INF, 0.0f}};
    for (const auto& burst : bursts) {
        std::vector<float> input = sine(48 * TICK, 0.5f);
        size_t burst_at = 20 * TICK + 123;
        size_t burst_length = 3 * TICK / 2;  // spans a tick boundary
        for (size_t i = 0; i < burst_length; i++) input[burst_at + i] = burst[i % 3];
        std::vector<float> output = run(input);
        size_t recovered_by = burst_at + burst_length + TICK;
        EXPECT_GE(first_non_finite(output, 0), burst_at);
        EXPECT_EQ(first_non_finite(output, recovered_by), output.size())
            << "burst " << burst[0] << "," << burst[1] << "," << burst[2];
        float peak = 0.0f;
        for (size_t i = output.size() - 4 * TICK; i < output.size(); i++) peak = std::max(peak, std::fabs(output[i]));
        EXPECT_LT(peak, 10.0f) << "the filters must be back to normal, not merely finite";
    }
}

// One NaN sample in a block of silence is enough to poison a filter without the tick's help.
TEST_P(HostileNumbers, SingleNaNSampleIsForgottenAtTheNextTick) {
    std::vector<float> input(10 * TICK, 0.0f);
    input[2 * TICK + 7] = NaN;
    std::vector<float> output = run(input);
    EXPECT_EQ(first_non_finite(output, 3 * TICK + 7 + 1), output.size());
}

TEST_P(HostileNumbers, HugeFiniteInputGivesFiniteOutput) {
    const float sizes[] = {1e30f, -1e30f, 1e36f, FLT_MAX / 16, FLT_MAX, -FLT_MAX};
    for (float size : sizes) {
        std::vector<float> constant(20 * TICK, size);
        EXPECT_EQ(first_non_finite(run(constant), 0), constant.size()) << size;
        std::vector<float> alternating(20 * TICK);
        for (size_t i = 0; i < alternating.size(); i++) alternating[i] = i % 2 ? size : -size;
        EXPECT_EQ(first_non_finite(run(alternating), 0), alternating.size()) << size;
        EXPECT_EQ(first_non_finite(run(sine(20 * TICK, size)), 0), 20 * TICK) << size;
    }
}

// Through LV2 control ports and VST3 parameter changes alike: NaN and minus infinity snap to
// the bottom of the range, plus infinity and enormous values to the top.
TEST_P(HostileNumbers, NonFiniteControlValuesEndAsSnappedValues) {
    std::vector<float> block(BLOCK, 0.0f);
    const struct {
        double host_value;
        float snapped;
    } cases[] = {{NaN, 0.0f}, {INF, 15.0f}, {-INF, 0.0f}, {1e300, 15.0f}, {-1e300, 0.0f},
                 {std::numeric_limits<double>::denorm_min(), 0.0f}, {-0.0, 0.0f}};
    for (const auto& c : cases) {
        for (uint32_t i = 0; i < 3; i++) plugin->set_control(i, c.host_value);
        plugin->process(block.data(), block.data(), BLOCK);
        SCOPED_TRACE(c.host_value);
        expect_live(c.snapped, c.snapped, c.snapped);
        std::vector<uint8_t> saved;
        ASSERT_TRUE(plugin->save(&saved));
        float values[3];
        ASSERT_TRUE(blob_values(saved, values));
        EXPECT_EQ(values[0], c.snapped);
        // What was saved restores: a hostile value never makes a state that cannot load.
        EXPECT_TRUE(plugin->restore(saved));
        // Back to a middle value, so the next case is a change.
        for (uint32_t i = 0; i < 3; i++) plugin->set_control(i, plugin->host_value_of_plain(5.0));
        plugin->process(block.data(), block.data(), BLOCK);
    }
}

TEST_P(HostileNumbers, StateBlobsWithNaNAreRefusedAndInfinitiesClamp) {
    std::vector<float> block(BLOCK, 0.0f);
    ASSERT_TRUE(plugin->restore(blob_of(3.0f, 4.0f, 5.0f)));
    plugin->process(block.data(), block.data(), BLOCK);
    expect_live(3.0f, 4.0f, 5.0f);

    EXPECT_FALSE(plugin->restore(blob_of(INF, -INF, NaN)));
    EXPECT_FALSE(plugin->restore(blob_of(NaN, 1.0f, 1.0f)));
    plugin->process(block.data(), block.data(), BLOCK);
    expect_live(3.0f, 4.0f, 5.0f);

    EXPECT_TRUE(plugin->restore(blob_of(INF, -INF, FLT_MAX)));
    plugin->process(block.data(), block.data(), BLOCK);
    expect_live(15.0f, 0.0f, 15.0f);
}

INSTANTIATE_FOR_BOTH_FORMATS(HostileNumbers);

// The edit controller: a host's setParamNormalized and a component state, both with hostile
// numbers, leave snapped values that getParamNormalized reports.
TEST(HostileNumbersVst3Controller, SetParamNormalizedAndComponentStateSnap) {
    IPluginFactory3* factory = vst3_factory();
    ASSERT_NE(factory, nullptr);
    PluginInstance p;
    ASSERT_TRUE(instance_create(factory, &p));
    IEditController* controller = p.controller;
    const uint32_t cutoff = param_descriptions[PARAM_CUTOFF].id;
    const struct {
        double normalized;
        double stored_plain;
    } cases[] = {{NaN, 0.0}, {INF, 15.0}, {-INF, 0.0}, {1e308, 15.0}, {-1e308, 0.0}};
    for (const auto& c : cases) {
        EXPECT_EQ(controller->vtbl->setParamNormalized(controller, cutoff, c.normalized), kResultOk);
        EXPECT_EQ(controller->vtbl->getParamNormalized(controller, cutoff), c.stored_plain / 15.0)
            << c.normalized;
    }
    const uint32_t mod_cutoff = param_descriptions[PARAM_MOD_CUTOFF].id;
    EXPECT_EQ(controller->vtbl->setParamNormalized(controller, mod_cutoff, NaN), kResultOk);
    EXPECT_EQ(controller->vtbl->getParamNormalized(controller, mod_cutoff), 0.0);
    EXPECT_EQ(controller->vtbl->setParamNormalized(controller, mod_cutoff, INF), kResultOk);
    EXPECT_EQ(controller->vtbl->getParamNormalized(controller, mod_cutoff), 1.0);

    // Text of any value a host may ask about is finite work and plain ASCII.
    for (double n : {(double)NaN, (double)INF, -(double)INF, 1e300, -1e300, 1e307, -1e307, 0.5}) {
        String128 text = {};
        EXPECT_EQ(controller->vtbl->getParamStringByValue(controller, cutoff, n, text), kResultOk);
        for (TChar c : text) EXPECT_LT(c, 128);
    }
    instance_destroy(&p);
}

// Page messages carry bit patterns: the non-finite ones are ignored outright, so no NaN or
// infinity ever reaches an editor callback.
TEST(HostileNumbersPageMessages, NonFiniteBitPatternsAreIgnored) {
    const char* refused[] = {"s 0 7fc00000", "s 0 ffc00000", "s 1 7f800000", "b 2 ff800000",
                             "e 0 7f800001", "s 0 7fffffff"};
    for (const char* text : refused) EXPECT_EQ(page_message_parse(text, 4).kind, PAGE_MESSAGE_IGNORED) << text;
    PageMessage huge = page_message_parse("s 0 7149f2ca", 4);  // 1e30: finite, the adapter clamps it
    EXPECT_EQ(huge.kind, PAGE_MESSAGE_SET);
    EXPECT_EQ(huge.valueBits, 0x7149f2cau);
}
