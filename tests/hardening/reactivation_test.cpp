// Hosts deactivate and activate plug-ins whenever they like (some after every export). The
// next render of the same session must come out as the first one did: after an activation
// the plug-in sounds exactly as a fresh instance with the same values, in both formats.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "both_formats.h"
#include "test_noise.h"

static const uint32_t BLOCK = 256;

class Reactivation : public testing::TestWithParam<PluginFormat> {};

static void set_controls(PluginDriver* plugin, const float values[3]) {
    for (uint32_t i = 0; i < 3; i++) plugin->set_control(i, plugin->host_value_of_plain(values[i]));
}

static std::vector<float> run(PluginDriver* plugin, const float* input, size_t n) {
    std::vector<float> output(n);
    for (size_t at = 0; at < n; at += BLOCK) {
        uint32_t count = (uint32_t)std::min<size_t>(BLOCK, n - at);
        plugin->process(input + at, output.data() + at, count);
    }
    return output;
}

TEST_P(Reactivation, SoundsExactlyAsAFreshInstanceWithTheSameValues) {
    const std::vector<float> input = noise_signal(48000, 21);
    const float before[3] = {15, 15, 13}, after[3] = {3, 15, 13};
    for (size_t cut : {4900, 30011}) {  // the oscillator and the cutoff register mid-way
        std::unique_ptr<PluginDriver> used = make_driver(GetParam());
        ASSERT_TRUE(used);
        set_controls(used.get(), before);
        run(used.get(), input.data(), cut);
        set_controls(used.get(), after);  // a value changed while deactivated
        used->reactivate();
        std::vector<float> reactivated = run(used.get(), input.data() + cut, input.size() - cut);

        std::unique_ptr<PluginDriver> fresh = make_driver(GetParam());
        ASSERT_TRUE(fresh);
        set_controls(fresh.get(), after);
        std::vector<float> expected = run(fresh.get(), input.data() + cut, input.size() - cut);
        ASSERT_EQ(0, std::memcmp(reactivated.data(), expected.data(), expected.size() * sizeof(float)))
            << "reactivated after " << cut << " samples";
    }
}

INSTANTIATE_FOR_BOTH_FORMATS(Reactivation);
