// Real-time safety of both audio entry points: with every allocation, lock, wait, thread and
// output call of the process counted while the audio thread is inside LV2 Run or VST3
// process, none may be counted, whatever the block size, the control traffic, a state
// operation holding the lock, a restore to take up, or non-finite input. First the counting
// itself is shown to reach into loaded modules and into the plug-in binaries.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <cmath>
#include <limits>
#include <vector>

#include "both_formats.h"
#include "lv2/core/lv2.h"
#include "rt_interposer.h"
#include "vst3/abi/vst3_component.h"
#include "vst3/abi/vst3_factory.h"

static void expect_no_calls() {
    EXPECT_EQ(rt_calls(RT_ALLOCATION), 0) << "allocation";
    EXPECT_EQ(rt_calls(RT_LOCK), 0) << "lock";
    EXPECT_EQ(rt_calls(RT_WAIT), 0) << "yield, sleep or thread call";
    EXPECT_EQ(rt_calls(RT_OUTPUT), 0) << "output";
}

TEST(RtInterposer, CountsEveryKindOfCallInALoadedModule) {
    void* probe = dlopen(RT_PROBE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(probe, nullptr) << dlerror();
    void (*misbehave)(void) = (void (*)(void))dlsym(probe, "rt_probe_misbehave");
    ASSERT_NE(misbehave, nullptr);
    rt_reset_calls();
    misbehave();  // outside an audio section: not counted
    expect_no_calls();
    rt_audio_section_begin();
    misbehave();
    rt_audio_section_end();
    EXPECT_GE(rt_calls(RT_ALLOCATION), 4);
    EXPECT_GE(rt_calls(RT_LOCK), 2);
    EXPECT_GE(rt_calls(RT_WAIT), 2);
    EXPECT_GE(rt_calls(RT_OUTPUT), 1);
    dlclose(probe);
}

// The plug-in binaries' own allocations are seen: creating an instance allocates it.
TEST(RtInterposer, SeesThePluginsOwnAllocations) {
    const LV2_Descriptor* lv2 = (const LV2_Descriptor*)lv2_binary_descriptor();
    ASSERT_NE(lv2, nullptr);
    static const LV2_Feature* const no_features[] = {nullptr};
    rt_reset_calls();
    rt_audio_section_begin();
    LV2_Handle instance = lv2->instantiate(lv2, 48000.0, "/nowhere/", no_features);
    rt_audio_section_end();
    EXPECT_GE(rt_calls(RT_ALLOCATION), 1);
    EXPECT_GE(rt_calls(RT_OUTPUT), 1) << "the missing-map message goes to the standard error stream";
    lv2->cleanup(instance);

    IPluginFactory3* factory = vst3_factory();
    ASSERT_NE(factory, nullptr);
    PClassInfo info;
    ASSERT_EQ(factory->vtbl->getClassInfo(factory, 0, &info), kResultOk);
    void* component = nullptr;
    rt_reset_calls();
    rt_audio_section_begin();
    factory->vtbl->createInstance(factory, info.cid, IID_IComponent, &component);
    rt_audio_section_end();
    EXPECT_GE(rt_calls(RT_ALLOCATION), 1);
    ASSERT_NE(component, nullptr);
    funknown_release(component);
}

class RtSafety : public testing::TestWithParam<PluginFormat> {
  protected:
    std::unique_ptr<PluginDriver> plugin;
    std::vector<float> input = std::vector<float>(1024), output = std::vector<float>(1024);

    void SetUp() override {
        plugin = make_driver(GetParam());
        ASSERT_TRUE(plugin) << format_name(GetParam());
        for (size_t i = 0; i < input.size(); i++) input[i] = 0.5f * std::sin(0.03f * (float)i);
        plugin->process(input.data(), output.data(), 480);  // first-call work stays outside
        rt_reset_calls();
    }

    void audio_call(uint32_t n) {
        rt_audio_section_begin();
        plugin->process(input.data(), output.data(), n);
        rt_audio_section_end();
    }
};

TEST_P(RtSafety, AudioCallsMakeNoForbiddenCall) {
    const uint32_t sizes[] = {1, 64, 480, 481, 1024, 0};
    for (int n = 0; n < 300; n++) {
        if (n % 4 == 0)
            for (uint32_t i = 0; i < 3; i++) plugin->set_control(i, plugin->host_value_of_plain((n * 5 + i) % 16));
        audio_call(sizes[n % 6]);
    }
    expect_no_calls();

    // A state operation holds the lock: the audio side goes on without it.
    exchange_lock(plugin->exchange());
    rt_reset_calls();
    plugin->set_control(0, plugin->host_value_of_plain(3.0));
    for (int n = 0; n < 20; n++) audio_call(480);
    exchange_unlock(plugin->exchange());
    audio_call(480);  // reconciles the change made meanwhile
    expect_no_calls();

    // A restore to take up, and hostile input and controls.
    ASSERT_TRUE(plugin->restore(blob_of(1.0f, 2.0f, 3.0f)));
    plugin->set_control(1, std::numeric_limits<double>::quiet_NaN());
    input[17] = std::numeric_limits<float>::quiet_NaN();
    input[18] = std::numeric_limits<float>::infinity();
    rt_reset_calls();
    for (int n = 0; n < 20; n++) audio_call(480);
    expect_no_calls();
}

INSTANTIATE_FOR_BOTH_FORMATS(RtSafety);
