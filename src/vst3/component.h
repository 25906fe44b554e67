// The audio processor class: one object with three faces (component, audio processor,
// process-context requirements) sharing one reference count, around one plug-in core.
#pragma once
#include <atomic>
#include <cstdint>

#include "plugin/plugin_core.h"
#include "vst3/abi/vst3_component.h"
#include "vst3/abi/vst3_processor.h"

struct Component {
    IComponent component;
    IAudioProcessor processor;
    IProcessContextRequirements context_requirements;
    std::atomic<uint32_t> refs;
    FUnknown* host_context;  // not counted; null while not initialised
    PluginCore core;
    float activation_rate;   // rate of the last setActive(true); saved in the state
    float setup_rate;        // from setupProcessing
    float outputValue;       // last reported modulated cutoff, plain
    uint8_t busesActive;
    uint8_t input_active;
    uint8_t output_active;
};

// A new Component with count 1 and no host context, or null without memory.
Component* component_create(void);

// Audio side (component_processing.cpp).
tresult component_set_active(Component* c, TBool state);
void component_process(Component* c, ProcessData* data);
