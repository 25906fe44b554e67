// One plug-in instance as a host drives it: component (with its processor face) and
// controller, created through the factory and initialised with a host context.
#pragma once
#include "param_changes.h"
#include "vst3/abi/vst3_controller.h"
#include "vst3/abi/vst3_factory.h"
#include "vst3/abi/vst3_processor.h"

struct PluginInstance {
    IComponent* component;
    IAudioProcessor* processor;
    IEditController* controller;
};

// The host context handed to initialize: an object that answers only the unknown interface.
FUnknown* host_context(void);

// Creates and initialises both objects (the controller from the component's controller class
// id). False, with nothing left alive, on any failure.
bool instance_create(IPluginFactory3* factory, PluginInstance* p);
void instance_destroy(PluginInstance* p);

// Mono (or with 2 channels stereo) arrangement, both buses on, the sample rate set, then
// activation.
bool instance_start(PluginInstance* p, double sample_rate, int32 channels = 1);

// One 32-bit block of one bus each way with `channels` channels; either change list may be null.
void instance_process_channels(PluginInstance* p, const float* const* inputs, float* const* outputs,
                               int32 channels, int32 n, ParamChanges* in_changes, ParamChanges* out_changes);
// The same for one mono channel.
void instance_process(PluginInstance* p, const float* input, float* output, int32 n,
                      ParamChanges* in_changes, ParamChanges* out_changes);
