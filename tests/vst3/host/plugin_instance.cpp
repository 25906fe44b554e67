#include "plugin_instance.h"

static tresult PLUGIN_API context_query(FUnknown* self, const TUID iid, void** obj) {
    *obj = iid_equal(iid, IID_FUnknown) ? self : nullptr;
    return *obj ? kResultOk : kNoInterface;
}
static uint32 PLUGIN_API context_ref(FUnknown*) { return 1; }
static const FUnknownVtbl context_vtbl = {context_query, context_ref, context_ref};
static FUnknown context = {&context_vtbl};

FUnknown* host_context(void) { return &context; }

bool instance_create(IPluginFactory3* factory, PluginInstance* p) {
    *p = PluginInstance{nullptr, nullptr, nullptr};
    PClassInfo info;
    if (factory->vtbl->getClassInfo(factory, 0, &info) != kResultOk) return false;
    void* obj = nullptr;
    if (factory->vtbl->createInstance(factory, info.cid, IID_IComponent, &obj) != kResultOk) return false;
    p->component = (IComponent*)obj;
    TUID controller_cid;
    if (p->component->vtbl->initialize(p->component, host_context()) != kResultOk ||
        p->component->vtbl->queryInterface(p->component, IID_IAudioProcessor, &obj) != kResultOk) {
        instance_destroy(p);
        return false;
    }
    p->processor = (IAudioProcessor*)obj;
    if (p->component->vtbl->getControllerClassId(p->component, controller_cid) != kResultOk ||
        factory->vtbl->createInstance(factory, controller_cid, IID_IEditController, &obj) != kResultOk) {
        instance_destroy(p);
        return false;
    }
    p->controller = (IEditController*)obj;
    if (p->controller->vtbl->initialize(p->controller, host_context()) != kResultOk) {
        instance_destroy(p);
        return false;
    }
    return true;
}

void instance_destroy(PluginInstance* p) {
    if (p->controller) {
        p->controller->vtbl->terminate(p->controller);
        funknown_release(p->controller);
    }
    if (p->processor) funknown_release(p->processor);
    if (p->component) {
        p->component->vtbl->terminate(p->component);
        funknown_release(p->component);
    }
    *p = PluginInstance{nullptr, nullptr, nullptr};
}

bool instance_start(PluginInstance* p, double sample_rate, int32 channels) {
    SpeakerArrangement arrangement = channels == 2 ? kArrangementStereo : kSpeakerM;
    ProcessSetup setup = {kRealtime, kSample32, 4096, sample_rate};
    return p->processor->vtbl->setBusArrangements(p->processor, &arrangement, 1, &arrangement, 1) == kResultOk &&
           p->component->vtbl->activateBus(p->component, kAudio, kInput, 0, 1) == kResultOk &&
           p->component->vtbl->activateBus(p->component, kAudio, kOutput, 0, 1) == kResultOk &&
           p->processor->vtbl->setupProcessing(p->processor, &setup) == kResultOk &&
           p->component->vtbl->setActive(p->component, 1) == kResultOk;
}

void instance_process(PluginInstance* p, const float* input, float* output, int32 n,
                      ParamChanges* in_changes, ParamChanges* out_changes) {
    instance_process_channels(p, &input, &output, 1, n, in_changes, out_changes);
}

void instance_process_channels(PluginInstance* p, const float* const* inputs, float* const* outputs,
                               int32 channels, int32 n, ParamChanges* in_changes, ParamChanges* out_changes) {
    AudioBusBuffers in_bus = {};
    in_bus.numChannels = channels;
    in_bus.channelBuffers32 = (float**)inputs;
    AudioBusBuffers out_bus = {};
    out_bus.numChannels = channels;
    out_bus.channelBuffers32 = (float**)outputs;
    ProcessData data = {};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = n;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &in_bus;
    data.outputs = &out_bus;
    data.inputParameterChanges = in_changes ? &in_changes->changes : nullptr;
    data.outputParameterChanges = out_changes ? &out_changes->changes : nullptr;
    p->processor->vtbl->process(p->processor, &data);
}
