// Velmo Stereo, loaded from its own module beside Velmo: its own classes and name, one stereo
// bus each way and no other arrangement, each channel bit for bit what Velmo gives for that
// channel under the same parameter changes, and the same state.
#include <cmath>
#include <cstring>
#include <string>

#include "module_fixture.h"
#include "test_noise.h"

static const ParamID cutoff_id = 1784049613u, lfo_amt_id = 394330366u, lfo_speed_id = 793359101u;

static std::string class_name(IPluginFactory3* f, int32 index, std::string* cid) {
    PClassInfo2 info;
    EXPECT_EQ(kResultOk, f->vtbl->getClassInfo2(f, index, &info));
    *cid = std::string(info.cid, 16);
    return info.name;
}

TEST(VelmoStereo, OwnClassesStereoBusesPerChannelIdentityAndTheSameState) {
    LoadedModule stereo_module;
    ASSERT_TRUE(module_load(VELMO_VST3_STEREO_MODULE, &stereo_module)) << VELMO_VST3_STEREO_MODULE;
    IPluginFactory3* mono_factory = test_factory();
    IPluginFactory3* stereo_factory = stereo_module.factory;
    ASSERT_NE(nullptr, mono_factory);

    // Classes: named for the stereo plug-in, with IDs of their own.
    std::string mono_ids[2], stereo_ids[2];
    EXPECT_EQ("Velmo", class_name(mono_factory, 0, &mono_ids[0]));
    EXPECT_EQ("Velmo Stereo", class_name(stereo_factory, 0, &stereo_ids[0]));
    EXPECT_EQ("Velmo Stereo Controller", class_name(stereo_factory, 1, &stereo_ids[1]));
    class_name(mono_factory, 1, &mono_ids[1]);
    for (const std::string& mono_id : mono_ids)
        for (const std::string& stereo_id : stereo_ids) EXPECT_NE(mono_id, stereo_id);

    PluginInstance mono = {}, stereo = {};
    ASSERT_TRUE(instance_create(mono_factory, &mono));
    ASSERT_TRUE(instance_create(stereo_factory, &stereo));

    // Buses: one stereo bus each way; every other arrangement refused.
    BusInfo info;
    ASSERT_EQ(kResultOk, stereo.component->vtbl->getBusInfo(stereo.component, kAudio, kInput, 0, &info));
    EXPECT_EQ(2, info.channelCount);
    IAudioProcessor* sp = stereo.processor;
    SpeakerArrangement m = kSpeakerM, st = kArrangementStereo, left = kSpeakerL, two[2] = {st, st};
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, &m, 1, &m, 1));
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, &st, 1, &m, 1));
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, &m, 1, &st, 1));
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, &left, 1, &left, 1));
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, two, 2, two, 2));
    EXPECT_EQ(kResultFalse, sp->vtbl->setBusArrangements(sp, nullptr, 0, nullptr, 0));
    EXPECT_EQ(kResultFalse, mono.processor->vtbl->setBusArrangements(mono.processor, &st, 1, &st, 1));
    SpeakerArrangement got = 0;
    ASSERT_EQ(kResultOk, sp->vtbl->getBusArrangement(sp, kOutput, 0, &got));
    EXPECT_EQ(kArrangementStereo, got);

    // Audio: different signals left and right, parameter changes at the start and inside
    // blocks; the mono plug-in runs each channel on its own with the same changes.
    ASSERT_TRUE(instance_start(&stereo, 44100, 2));
    ASSERT_TRUE(instance_start(&mono, 44100));
    const int32 block = 256, blocks = 40;
    std::vector<float> in[2], out[2], mono_out[2];
    uint32_t seed = 7;
    for (int c = 0; c < 2; c++) {
        in[c].resize(block * blocks);
        for (size_t i = 0; i < in[c].size(); i++)
            in[c][i] = c == 0 ? 0.8f * noise_signed(&seed) : 0.5f * std::sin(0.02f * (float)i);
        out[c].assign(in[c].size(), 0.0f);
        mono_out[c].assign(in[c].size(), 0.0f);
    }
    auto changes_for = [](int b, ParamChanges* changes) {
        changes->add(cutoff_id, 0, (double)((b * 5) % 16) / 15.0);
        changes->add(lfo_amt_id, 0, (double)((b * 3) % 16) / 15.0);
        changes->add(lfo_speed_id, 100, (double)((b * 7) % 16) / 15.0);
    };
    std::vector<std::vector<uint8_t>> mono_states;
    for (int c = 0; c < 2; c++) {
        if (c == 1) {  // the right channel through a fresh mono instance
            instance_destroy(&mono);
            ASSERT_TRUE(instance_create(mono_factory, &mono));
            ASSERT_TRUE(instance_start(&mono, 44100));
        }
        for (int b = 0; b < blocks; b++) {
            ParamChanges changes;
            changes_for(b, &changes);
            instance_process(&mono, in[c].data() + b * block, mono_out[c].data() + b * block, block,
                             &changes, nullptr);
        }
        mono_states.push_back(saved_state(mono.component));
    }
    for (int b = 0; b < blocks; b++) {
        ParamChanges changes;
        changes_for(b, &changes);
        const float* ins[2] = {in[0].data() + b * block, in[1].data() + b * block};
        float* outs[2] = {out[0].data() + b * block, out[1].data() + b * block};
        instance_process_channels(&stereo, ins, outs, 2, block, &changes, nullptr);
    }
    for (int c = 0; c < 2; c++)
        EXPECT_EQ(0, memcmp(out[c].data(), mono_out[c].data(), out[c].size() * sizeof(float))) << "channel " << c;
    EXPECT_NE(out[0], out[1]);

    // State: the same blob as the mono plug-in's, and one restores into the other.
    std::vector<uint8_t> state = saved_state(stereo.component);
    EXPECT_EQ(mono_states[1], state);
    ASSERT_EQ(kResultOk, restore_state(stereo.component, state_blob(3, 12, 9, 0)));
    EXPECT_EQ(state_blob(3, 12, 9, 44100), saved_state(stereo.component));
    ASSERT_EQ(kResultOk, restore_state(mono.component, state));
    EXPECT_EQ(state, saved_state(mono.component));

    instance_destroy(&mono);
    instance_destroy(&stereo);
    module_unload(&stereo_module);
}
