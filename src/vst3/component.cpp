// The audio processor object: its three faces, buses and speaker arrangement, set-up and
// the saving and restoring of its state.
#include "vst3/component.h"

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "plugin/params.h"
#include "vst3/class_ids.h"
#include "vst3/com_faces.h"
#include "vst3/stream_io.h"
#include "vst3/text_fields.h"

// ---- faces and reference counting

static tresult query(Component* c, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    void* face = nullptr;
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPluginBase) || iid_equal(iid, IID_IComponent))
        face = &c->component;
    else if (iid_equal(iid, IID_IAudioProcessor))
        face = &c->processor;
    else if (iid_equal(iid, IID_IProcessContextRequirements))
        face = &c->context_requirements;
    return face_hand_out(&c->refs, face, obj);
}

static uint32 add_ref(Component* c) { return c->refs.fetch_add(1) + 1; }

static uint32 release(Component* c) {
    uint32 left = c->refs.fetch_sub(1) - 1;
    if (left == 0) delete c;
    return left;
}

VST3_FACE(Component, IComponent, component, component)
VST3_FACE(Component, IAudioProcessor, processor, processor)
VST3_FACE(Component, IProcessContextRequirements, context_requirements, requirements)

// ---- lifecycle

// Everything initialize resets, also used for a fresh object.
static void reset(Component* c) {
    core_init(&c->core, this_variant.channels, SNAP_IN_DOUBLE, "vst3");
    c->outputValue = (float)param_descriptions[PARAM_MOD_CUTOFF].default_value;
    c->activation_rate = 0.0f;
    c->setup_rate = 0.0f;
    c->busesActive = 0;
    c->input_active = 0;
    c->output_active = 0;
}

static tresult PLUGIN_API initialize(IComponent* self, FUnknown* context) {
    Component* c = of_component(self);
    if (c->host_context) return kResultFalse;
    c->host_context = context;
    reset(c);
    return kResultOk;
}

static tresult PLUGIN_API terminate(IComponent* self) {
    Component* c = of_component(self);
    c->host_context = nullptr;
    return kResultOk;
}

// ---- buses

static int bus_index(MediaType type, BusDirection dir, int32 index) {
    if (type != kAudio || index != 0) return -1;
    return dir == kInput || dir == kOutput ? dir : -1;
}

static tresult PLUGIN_API get_controller_class_id(IComponent*, TUID class_id) {
    if (!class_id) return kResultFalse;
    memcpy(class_id, velmo_controller_cid, sizeof(TUID));
    return kResultOk;
}

static tresult PLUGIN_API set_io_mode(IComponent*, IoMode) { return kNotImplemented; }

static int32 PLUGIN_API get_bus_count(IComponent*, MediaType type, BusDirection dir) {
    return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

static tresult PLUGIN_API get_bus_info(IComponent*, MediaType type, BusDirection dir, int32 index,
                                       BusInfo* info) {
    int bus = bus_index(type, dir, index);
    if (bus < 0 || !info) return kInvalidArgument;
    info->mediaType = kAudio;
    info->direction = dir;
    info->channelCount = (int32)this_variant.channels;
    text_field_copy16(info->name, 128, bus == kInput ? u"Input" : u"Output");
    info->busType = kMain;
    info->flags = kDefaultActive;
    return kResultOk;
}

static tresult PLUGIN_API get_routing_info(IComponent*, RoutingInfo*, RoutingInfo*) { return kNotImplemented; }

static tresult PLUGIN_API activate_bus(IComponent* self, MediaType type, BusDirection dir, int32 index,
                                       TBool state) {
    Component* c = of_component(self);
    int bus = bus_index(type, dir, index);
    if (bus < 0) return kInvalidArgument;
    (bus == kInput ? c->input_active : c->output_active) = state ? 1 : 0;
    return kResultOk;
}

static tresult PLUGIN_API set_active(IComponent* self, TBool state) {
    return component_set_active(of_component(self), state);
}

// ---- state

static tresult PLUGIN_API set_state(IComponent* self, IBStream* stream) {
    Component* c = of_component(self);
    uint8_t* blob = nullptr;
    size_t length = 0;
    if (!stream || stream_read_all(stream, &blob, &length) != 0) return kResultFalse;
    int applied = core_restore_state(&c->core, blob, length);
    free(blob);
    return applied == 0 ? kResultOk : kResultFalse;
}

static tresult PLUGIN_API get_state(IComponent* self, IBStream* stream) {
    Component* c = of_component(self);
    if (!stream) return kResultFalse;
    size_t length = 0;
    uint8_t* blob = core_save_state(&c->core, c->activation_rate, &length);
    if (!blob) return kResultFalse;
    bool written = stream_write_all(stream, blob, length);
    free(blob);
    return written ? kResultOk : kResultFalse;
}

// ---- audio processor

// The one arrangement of both buses: mono, or left and right for Velmo Stereo.
static const SpeakerArrangement bus_arrangement = this_variant.channels == 2 ? kArrangementStereo : kSpeakerM;

static tresult PLUGIN_API set_bus_arrangements(IAudioProcessor*, SpeakerArrangement* inputs, int32 num_ins,
                                               SpeakerArrangement* outputs, int32 num_outs) {
    if (num_ins < 0 || num_outs < 0) return kInvalidArgument;
    if (num_ins == 1 && num_outs == 1 && inputs && outputs && inputs[0] == bus_arrangement &&
        outputs[0] == bus_arrangement)
        return kResultOk;
    return kResultFalse;
}

static tresult PLUGIN_API get_bus_arrangement(IAudioProcessor*, BusDirection dir, int32 index,
                                              SpeakerArrangement* arrangement) {
    if (bus_index(kAudio, dir, index) < 0 || !arrangement) return kInvalidArgument;
    *arrangement = bus_arrangement;
    return kResultOk;
}

static tresult PLUGIN_API can_process_sample_size(IAudioProcessor*, int32 size) {
    return size == kSample32 ? kResultOk : kNotImplemented;
}

static uint32 PLUGIN_API get_latency_samples(IAudioProcessor*) { return 0; }

static tresult PLUGIN_API setup_processing(IAudioProcessor* self, ProcessSetup* setup) {
    if (!setup) return kInvalidArgument;
    // Narrowing a double beyond the float range is undefined; such a rate is just infinite.
    double rate = setup->sampleRate;
    float narrowed = rate > (double)FLT_MAX ? INFINITY : rate < -(double)FLT_MAX ? -INFINITY : (float)rate;
    of_processor(self)->setup_rate = narrowed;
    return kResultOk;
}

static tresult PLUGIN_API set_processing(IAudioProcessor*, TBool) { return kNotImplemented; }

static tresult PLUGIN_API process(IAudioProcessor* self, ProcessData* data) {
    if (data) component_process(of_processor(self), data);
    return kResultOk;
}

static uint32 PLUGIN_API get_tail_samples(IAudioProcessor*) { return kNoTail; }

static uint32 PLUGIN_API get_process_context_requirements(IProcessContextRequirements*) { return 0; }

// ---- tables

static const IComponentVtbl component_vtbl = {
    component_query, component_add_ref, component_release, initialize, terminate,
    get_controller_class_id, set_io_mode, get_bus_count, get_bus_info, get_routing_info,
    activate_bus, set_active, set_state, get_state,
};

static const IAudioProcessorVtbl processor_vtbl = {
    processor_query, processor_add_ref, processor_release, set_bus_arrangements,
    get_bus_arrangement, can_process_sample_size, get_latency_samples, setup_processing,
    set_processing, process, get_tail_samples,
};

static const IProcessContextRequirementsVtbl requirements_vtbl = {
    requirements_query, requirements_add_ref, requirements_release, get_process_context_requirements,
};

Component* component_create(void) {
    Component* c = new (std::nothrow) Component();
    if (!c) return nullptr;
    c->component.vtbl = &component_vtbl;
    c->processor.vtbl = &processor_vtbl;
    c->context_requirements.vtbl = &requirements_vtbl;
    c->refs.store(1);
    reset(c);
    return c;
}
