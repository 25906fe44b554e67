// One instance of the built plug-in, created and driven through the binary's exported
// descriptor as a host would, with helpers to read back what it saved.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "hosts/lv2_host.h"
#include "lv2/atom/atom.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"
#include "blob_values.h"

enum FeatureChoice { WITH_MAP_AND_LOG, MAP_ONLY, LOG_ONLY, NO_FEATURES, NULL_FEATURES };

class PluginTest : public ::testing::Test {
  protected:
    Lv2Library library;
    const LV2_Descriptor* descriptor = nullptr;
    UridMap map;
    LogRecorder log;
    StateStore store;
    LV2_Handle instance = nullptr;
    float controls[3] = {15.0f, 0.0f, 7.0f};
    float mod_cutoff = -1.0f;
    std::vector<float> input = std::vector<float>(4096, 0.0f);
    std::vector<float> output = std::vector<float>(4096, 0.0f);

    void SetUp() override {
        ASSERT_TRUE(library.open(VELMO_LV2_BINARY_PATH)) << VELMO_LV2_BINARY_PATH;
        descriptor = library.lv2_descriptor(0);
        ASSERT_NE(descriptor, nullptr);
    }

    void TearDown() override {
        if (instance) descriptor->cleanup(instance);
    }

    LV2_Handle create(FeatureChoice choice = WITH_MAP_AND_LOG, double rate = 48000.0) {
        FeatureList features(choice == WITH_MAP_AND_LOG || choice == MAP_ONLY ? &map : nullptr,
                             choice == WITH_MAP_AND_LOG || choice == LOG_ONLY ? &log : nullptr);
        const LV2_Feature* const* list = choice == NULL_FEATURES ? nullptr : features.get();
        instance = descriptor->instantiate(descriptor, rate, "/nowhere/velmo.lv2/", list);
        return instance;
    }

    void connect_audio() {
        descriptor->connect_port(instance, PORT_IN, input.data());
        descriptor->connect_port(instance, PORT_OUT, output.data());
    }

    void connect_all() {
        connect_audio();
        for (uint32_t i = 0; i < 3; i++) descriptor->connect_port(instance, PORT_CUTOFF + i, &controls[i]);
        descriptor->connect_port(instance, PORT_MOD_CUTOFF, &mod_cutoff);
    }

    void activate() { descriptor->activate(instance); }
    void run(uint32_t n) { descriptor->run(instance, n); }

    const LV2_State_Interface* state() {
        return (const LV2_State_Interface*)descriptor->extension_data(LV2_STATE__interface);
    }
    LV2_State_Status save(uint32_t flags = 0) {
        return state()->save(instance, StateStore::store, &store, flags, nullptr);
    }
    LV2_State_Status restore() {
        return state()->restore(instance, StateStore::retrieve, &store, 0, nullptr);
    }

    // The engine's live values, as a fresh save reports them.
    void expect_saved_values(float cutoff, float lfo_amt, float lfo_speed) {
        ASSERT_EQ(save(), LV2_STATE_SUCCESS);
        float saved[3];
        ASSERT_TRUE(blob_values(store.property.value, saved));
        EXPECT_EQ(saved[0], cutoff);
        EXPECT_EQ(saved[1], lfo_amt);
        EXPECT_EQ(saved[2], lfo_speed);
    }

    // Puts a blob where the host's retrieve will find it, as a previous save would have.
    void offer_blob(const std::vector<uint8_t>& blob) {
        store.property.present = true;
        store.property.key = map.map(VELMO_STATE_KEY_URI);
        store.property.type = map.map(LV2_ATOM__Chunk);
        store.property.flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
        store.property.value = std::vector<uint8_t>(blob);  // exactly its size: overreads show
    }
};
