// Velmo Stereo's LV2 binary beside Velmo's: its own URI and ports, each channel bit for bit
// what Velmo gives for that channel under the same control changes, and the same state, kept
// under the same key so that it passes between the two.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "blob_values.h"
#include "lv2/lv2_uris.h"
#include "plugin_fixture.h"
#include "test_noise.h"

// Velmo Stereo's ports, as its Turtle states them.
enum : uint32_t { IN_L, IN_R, OUT_L, OUT_R, CONTROLS, MOD_CUTOFF = CONTROLS + 3 };

TEST_F(PluginTest, StereoChannelsMatchMonoAndShareItsState) {
    Lv2Library stereo_library;
    ASSERT_TRUE(stereo_library.open(VELMO_LV2_STEREO_BINARY_PATH)) << VELMO_LV2_STEREO_BINARY_PATH;
    const LV2_Descriptor* sd = stereo_library.lv2_descriptor(0);
    ASSERT_NE(sd, nullptr);
    EXPECT_STREQ(sd->URI, "https://brindle.digital/plugins/velmo-stereo");
    EXPECT_EQ(stereo_library.lv2_descriptor(1), nullptr);
    FeatureList features(&map, &log);
    LV2_Handle stereo = sd->instantiate(sd, 44100.0, "/nowhere/velmo-stereo.lv2/", features.get());
    ASSERT_NE(stereo, nullptr);

    const uint32_t block = 256, blocks = 40, n = block * blocks;
    std::vector<float> in[2], out[2], mono_out[2];
    uint32_t seed = 11;
    for (int c = 0; c < 2; c++) {
        in[c].resize(n);
        for (uint32_t i = 0; i < n; i++)
            in[c][i] = c == 0 ? 0.8f * noise_signed(&seed) : 0.5f * std::sin(0.013f * (float)i);
        out[c].assign(n, 0.0f);
        mono_out[c].assign(n, 0.0f);
    }
    float stereo_controls[3] = {15.0f, 0.0f, 7.0f}, stereo_mod = -1.0f;
    for (uint32_t i = 0; i < 3; i++) sd->connect_port(stereo, CONTROLS + i, &stereo_controls[i]);
    sd->connect_port(stereo, MOD_CUTOFF, &stereo_mod);
    sd->activate(stereo);
    auto settings = [](uint32_t b, float values[3]) {
        values[0] = (float)((b * 5) % 16);
        values[1] = (float)((b * 3) % 16) + 0.4f;  // snapped by the plug-in
        values[2] = (float)((b * 7) % 16);
    };
    float mono_mods[2][blocks], stereo_mods[blocks];
    for (int c = 0; c < 2; c++) {
        ASSERT_NE(create(WITH_MAP_AND_LOG, 44100.0), nullptr);
        connect_all();
        activate();
        for (uint32_t b = 0; b < blocks; b++) {
            settings(b, controls);
            descriptor->connect_port(instance, PORT_IN, in[c].data() + b * block);
            descriptor->connect_port(instance, PORT_OUT, mono_out[c].data() + b * block);
            run(block);
            mono_mods[c][b] = mod_cutoff;
        }
        if (c == 0) {
            descriptor->cleanup(instance);
            instance = nullptr;
        }
    }
    for (uint32_t b = 0; b < blocks; b++) {
        settings(b, stereo_controls);
        sd->connect_port(stereo, IN_L, in[0].data() + b * block);
        sd->connect_port(stereo, IN_R, in[1].data() + b * block);
        sd->connect_port(stereo, OUT_L, out[0].data() + b * block);
        sd->connect_port(stereo, OUT_R, out[1].data() + b * block);
        sd->run(stereo, block);
        stereo_mods[b] = stereo_mod;
    }
    for (int c = 0; c < 2; c++)
        EXPECT_EQ(0, memcmp(out[c].data(), mono_out[c].data(), n * sizeof(float))) << "channel " << c;
    EXPECT_NE(out[0], out[1]);
    EXPECT_EQ(0, memcmp(stereo_mods, mono_mods[1], sizeof stereo_mods));

    // State: the same blob under the same key, and each restores into the other.
    const LV2_State_Interface* stereo_state =
        (const LV2_State_Interface*)sd->extension_data(LV2_STATE__interface);
    ASSERT_NE(stereo_state, nullptr);
    StateStore stereo_store;
    ASSERT_EQ(stereo_state->save(stereo, StateStore::store, &stereo_store, 0, nullptr), LV2_STATE_SUCCESS);
    ASSERT_EQ(save(), LV2_STATE_SUCCESS);
    EXPECT_EQ(stereo_store.property.key, map.map(VELMO_STATE_KEY_URI));
    EXPECT_EQ(stereo_store.property.key, store.property.key);
    EXPECT_EQ(stereo_store.property.value, store.property.value);
    const float restored[3] = {3, 12, 9};
    offer_blob(blob_made("lv2", 44100.0f, restored));
    ASSERT_EQ(stereo_state->restore(stereo, StateStore::retrieve, &store, 0, nullptr), LV2_STATE_SUCCESS);
    ASSERT_EQ(stereo_state->save(stereo, StateStore::store, &stereo_store, 0, nullptr), LV2_STATE_SUCCESS);
    EXPECT_EQ(stereo_store.property.value, store.property.value);
    store = stereo_store;
    ASSERT_EQ(restore(), LV2_STATE_SUCCESS);
    expect_saved_values(3, 12, 9);
    sd->cleanup(stereo);
}
