// The built modules, each loaded once per test program, and an initialised instance per test.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "memory_stream.h"
#include "module_loader.h"
#include "plugin_instance.h"

// The factory of Velmo (channels 1) or of Velmo Stereo (channels 2).
IPluginFactory3* test_factory(int channels = 1);

// A state blob of the given plain values, as the component saves it.
std::vector<uint8_t> state_blob(float cutoff, float lfo_amt, float lfo_speed, float sample_rate = 48000.0f);

// The component's saved state; empty when getState fails.
std::vector<uint8_t> saved_state(IComponent* component);
tresult restore_state(IComponent* component, const std::vector<uint8_t>& blob);
tresult restore_controller(IEditController* controller, const std::vector<uint8_t>& blob);

class InstanceTest : public testing::Test {
protected:
    int channels = 1;  // the plug-in of p: 2 for Velmo Stereo
    PluginInstance p = {};
    void SetUp() override;
    void TearDown() override { instance_destroy(&p); }
};
