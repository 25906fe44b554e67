// Activation and the audio block: parameter intake around the engine run, silence when the
// buses are off or missing, and the modulated cutoff reported back to the host.
#include <cstring>

#include "plugin/params.h"
#include "exchange/denormals.h"
#include "vst3/component.h"

tresult component_set_active(Component* c, TBool state) {
    if (state) {
        c->busesActive = c->input_active && c->output_active ? 1 : 0;
        c->activation_rate = c->setup_rate;
        core_activate(&c->core, c->setup_rate);
    }
    return kResultOk;
}

enum IntakePhase { START_PHASE, END_PHASE };

// The one point of a queue that this phase applies: the first at offset 0 (start) or the last
// at a later offset (end).
static bool phase_point(IParamValueQueue* queue, IntakePhase phase, ParamValue* value) {
    int32 count = queue->vtbl->getPointCount(queue);
    if (count <= 0) return false;
    int32 offset = 0;
    int32 index = phase == START_PHASE ? 0 : count - 1;
    if (queue->vtbl->getPoint(queue, index, &offset, value) != kResultOk) return false;
    return phase == START_PHASE ? offset == 0 : offset > 0;
}

static void take_parameter_changes(Component* c, IParameterChanges* changes, IntakePhase phase) {
    ExchangeIntake intake(&c->core.exchange, core_param_values(&c->core));
    int32 queues = changes ? changes->vtbl->getParameterCount(changes) : 0;
    for (int32 i = 0; i < queues; i++) {
        IParamValueQueue* queue = changes->vtbl->getParameterData(changes, i);
        if (!queue) continue;
        ParamValue value = 0.0;
        if (!phase_point(queue, phase, &value)) continue;
        ParamID id = queue->vtbl->getParameterId(queue);
        int index = param_index_of_id(id);
        if (index < 0 || index >= (int)PARAM_INPUT_COUNT) continue;
        intake.take((uint32_t)index, (float)snap_normalized(id, value));
    }
}

// The first `channels` channels of the first bus that has any; false when the host gave none,
// or fewer, or a missing buffer among them.
static bool bus_channels(const AudioBusBuffers* buses, int32 count, uint32_t channels, float** out) {
    if (!buses) return false;
    for (int32 b = 0; b < count; b++) {
        if (buses[b].numChannels <= 0 || !buses[b].channelBuffers32) continue;
        if ((uint32_t)buses[b].numChannels < channels) return false;
        for (uint32_t c = 0; c < channels; c++)
            if (!(out[c] = buses[b].channelBuffers32[c])) return false;
        return true;
    }
    return false;
}

static void silence_outputs(const ProcessData* data, uint32_t n) {
    if (!data->outputs || n == 0) return;
    size_t bytes = data->symbolicSampleSize == kSample64 ? sizeof(Sample64) : sizeof(Sample32);
    for (int32 b = 0; b < data->numOutputs; b++) {
        const AudioBusBuffers& bus = data->outputs[b];
        void** channels = (void**)bus.channelBuffers32;
        if (!channels) continue;
        for (int32 ch = 0; ch < bus.numChannels; ch++)
            if (channels[ch]) memset(channels[ch], 0, n * bytes);
    }
}

static void report_modulated_cutoff(Component* c, ProcessData* data, uint32_t n) {
    float m = core_modulated_cutoff(&c->core);
    // A block without samples has no offset to carry the point: the next block reports it.
    if (m == c->outputValue || n == 0) return;
    c->outputValue = m;
    IParameterChanges* out = data->outputParameterChanges;
    if (!out) return;
    ParamID id = param_descriptions[PARAM_MOD_CUTOFF].id;
    int32 index = 0;
    IParamValueQueue* queue = out->vtbl->addParameterData(out, &id, &index);
    if (queue) queue->vtbl->addPoint(queue, (int32)n - 1, (double)m / 255.0, &index);
}

void component_process(Component* c, ProcessData* data) {
    DenormalsOff denormals_off;
    uint32_t n = data->numSamples > 0 ? (uint32_t)data->numSamples : 0;
    take_parameter_changes(c, data->inputParameterChanges, START_PHASE);
    float* inputs[CORE_MAX_CHANNELS];
    float* outputs[CORE_MAX_CHANNELS];
    uint32_t channels = c->core.channels;
    if (c->busesActive && data->symbolicSampleSize == kSample32 &&
        bus_channels(data->inputs, data->numInputs, channels, inputs) &&
        bus_channels(data->outputs, data->numOutputs, channels, outputs)) {
        if (n) core_process(&c->core, inputs, outputs, n);
    } else {
        silence_outputs(data, n);
    }
    take_parameter_changes(c, data->inputParameterChanges, END_PHASE);
    report_modulated_cutoff(c, data, n);
}
