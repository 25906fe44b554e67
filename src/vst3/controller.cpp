#include "vst3/controller.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

#include "plugin/state_blob.h"
#include "vst3/com_faces.h"
#include "vst3/plug_view.h"
#include "vst3/stream_io.h"
#include "vst3/text_fields.h"

// ---- values

static void store_plain(Controller* c, uint32_t index, double plain) {
    c->values[index].store(param_snap(index, plain));
}

double controller_value(const Controller* c, uint32_t index) { return c->values[index].load(); }

static double normalized_of_stored(const Controller* c, uint32_t index) {
    return param_normalized_of_plain(index, c->values[index].load());
}

static void reset_values(Controller* c) {
    for (uint32_t i = 0; i < PARAM_COUNT; i++) c->values[i].store(param_descriptions[i].default_value);
}

// ---- faces and reference counting

static tresult query(Controller* c, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    void* face = nullptr;
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPluginBase) || iid_equal(iid, IID_IEditController))
        face = &c->edit_controller;
    else if (iid_equal(iid, IID_IMidiMapping))
        face = &c->midi_mapping;
    return face_hand_out(&c->refs, face, obj);
}

// Host thread only: the one writer of the handler pointer.
static void replace_handler(Controller* c, IComponentHandler* next) {
    if (next) funknown_add_ref(next);
    IComponentHandler* old;
    {
        std::lock_guard<std::mutex> hold(c->handler_lock);
        old = c->handler;
        c->handler = next;
    }
    if (old) funknown_release(old);
}

// The handler with a reference for the caller (release it after use), or null.
static IComponentHandler* borrow_handler(Controller* c) {
    std::lock_guard<std::mutex> hold(c->handler_lock);
    IComponentHandler* h = c->handler;
    if (h) funknown_add_ref(h);
    return h;
}

// ---- views

// Iterates by index and re-reads the list: waiting for an editor serves messages sent to this
// thread, and a host may create or release views from inside them.
static void send_to_views(Controller* c, uint32_t index, double plain) {
    for (uint64_t i = 0; i < c->views.length; i++)
        if (c->views.slots[i]) plug_view_send_value(c->views.slots[i], index, (float)plain);
}

static void let_views_go(Controller* c) {
    for (uint64_t i = 0; i < c->views.length; i++) {
        PlugView* view = c->views.slots[i];
        if (!view) continue;
        c->views.slots[i] = nullptr;
        plug_view_controller_gone(view);
    }
    view_list_free(&c->views);
}

static uint32 add_ref(Controller* c) { return c->refs.fetch_add(1) + 1; }

static uint32 release(Controller* c) {
    uint32 left = c->refs.fetch_sub(1) - 1;
    if (left == 0) {
        let_views_go(c);
        replace_handler(c, nullptr);
        delete c;
    }
    return left;
}

VST3_FACE(Controller, IEditController, edit_controller, edit_controller)
VST3_FACE(Controller, IMidiMapping, midi_mapping, midi_mapping)

// ---- lifecycle

static tresult PLUGIN_API initialize(IEditController* self, FUnknown* context) {
    Controller* c = of_edit_controller(self);
    if (c->host_context) return kResultFalse;
    c->host_context = context;
    reset_values(c);
    return kResultOk;
}

static tresult PLUGIN_API terminate(IEditController* self) {
    Controller* c = of_edit_controller(self);
    c->host_context = nullptr;
    replace_handler(c, nullptr);
    return kResultOk;
}

// ---- state

static tresult PLUGIN_API set_component_state(IEditController* self, IBStream* stream) {
    Controller* c = of_edit_controller(self);
    uint8_t* blob = nullptr;
    size_t length = 0;
    if (!stream || stream_read_all(stream, &blob, &length) != 0) return kResultFalse;
    float values[PARAM_INPUT_COUNT];
    int read = state_blob_read(blob, length, values);
    free(blob);
    if (read != 0) return kResultFalse;
    // The state holds the three inputs; the read-only output is not part of it.
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) store_plain(c, i, values[i]);
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) send_to_views(c, i, controller_value(c, i));
    return kResultOk;
}

// Everything the controller shows comes from the component's state.
static tresult PLUGIN_API set_state(IEditController*, IBStream*) { return kNotImplemented; }
static tresult PLUGIN_API get_state(IEditController*, IBStream*) { return kNotImplemented; }

// ---- parameters

static int32 PLUGIN_API get_parameter_count(IEditController*) { return PARAM_COUNT; }

static tresult PLUGIN_API get_parameter_info(IEditController*, int32 index, ParameterInfo* info) {
    if (index < 0 || index >= (int32)PARAM_COUNT || !info) return kResultFalse;
    const ParamDescription& d = param_descriptions[index];
    info->id = d.id;
    text_field_copy16(info->title, 128, d.title);
    text_field_copy16(info->shortTitle, 128, d.short_title);
    text_field_copy16(info->units, 128, d.units);
    info->stepCount = d.step_count;
    info->defaultNormalizedValue = d.default_normalized;
    info->unitId = 0;  // the root unit: no parameter groups
    info->flags = d.flags;
    return kResultOk;
}

static tresult PLUGIN_API get_param_string_by_value(IEditController*, ParamID id, ParamValue value,
                                                    TChar* string) {
    if (!string) return kInvalidArgument;
    return value_to_text(id, value, string) ? kResultOk : kResultFalse;
}

static tresult PLUGIN_API get_param_value_by_string(IEditController*, ParamID id, TChar* string,
                                                    ParamValue* value) {
    if (!string || !value) return kInvalidArgument;
    return text_to_value(id, string, value) ? kResultOk : kResultFalse;
}

static ParamValue PLUGIN_API normalized_param_to_plain(IEditController*, ParamID id, ParamValue value) {
    return plain_from_normalized(id, value);
}

static ParamValue PLUGIN_API plain_param_to_normalized(IEditController*, ParamID id, ParamValue plain) {
    return normalized_from_plain(id, plain);
}

static ParamValue PLUGIN_API get_param_normalized(IEditController* self, ParamID id) {
    int index = param_index_of_id(id);
    return index < 0 ? 0.0 : normalized_of_stored(of_edit_controller(self), (uint32_t)index);
}

static tresult PLUGIN_API set_param_normalized(IEditController* self, ParamID id, ParamValue value) {
    int index = param_index_of_id(id);
    if (index < 0) return kResultFalse;
    Controller* c = of_edit_controller(self);
    c->values[index].store(snap_normalized(id, value));
    // The host made the change: the editors hear of it, the handler does not.
    send_to_views(c, (uint32_t)index, controller_value(c, (uint32_t)index));
    return kResultOk;
}

static tresult PLUGIN_API set_component_handler(IEditController* self, IComponentHandler* handler) {
    Controller* c = of_edit_controller(self);
    if (handler != c->handler) replace_handler(c, handler);
    return kResultOk;
}

static IPlugView* PLUGIN_API create_view(IEditController* self, FIDString name) {
    if (!name || strcmp(name, "editor") != 0) return nullptr;
    return plug_view_create(of_edit_controller(self));
}

static tresult PLUGIN_API get_midi_controller_assignment(IMidiMapping*, int32, int16, CtrlNumber, ParamID*) {
    return kInvalidArgument;  // no controller is mapped to any parameter
}

// ---- editor edits

static void edit(Controller* c, uint32_t index, float plain, bool begins, bool ends) {
    if (index >= PARAM_COUNT) return;
    store_plain(c, index, plain);
    IComponentHandler* h = borrow_handler(c);
    if (!h) return;
    ParamID id = param_descriptions[index].id;
    if (begins) h->vtbl->beginEdit(h, id);
    h->vtbl->performEdit(h, id, normalized_of_stored(c, index));
    if (ends) h->vtbl->endEdit(h, id);
    funknown_release(h);
}

void controller_edit_begin(Controller* c, uint32_t index, float plain) { edit(c, index, plain, true, false); }
void controller_edit_value(Controller* c, uint32_t index, float plain) { edit(c, index, plain, false, false); }
void controller_edit_end(Controller* c, uint32_t index, float plain) { edit(c, index, plain, false, true); }

// ---- tables

static const IEditControllerVtbl controller_vtbl = {
    edit_controller_query, edit_controller_add_ref, edit_controller_release, initialize, terminate,
    set_component_state, set_state, get_state, get_parameter_count, get_parameter_info,
    get_param_string_by_value, get_param_value_by_string, normalized_param_to_plain,
    plain_param_to_normalized, get_param_normalized, set_param_normalized, set_component_handler,
    create_view,
};

static const IMidiMappingVtbl mapping_vtbl = {
    midi_mapping_query, midi_mapping_add_ref, midi_mapping_release, get_midi_controller_assignment,
};

Controller* controller_create(void) {
    Controller* c = new (std::nothrow) Controller();
    if (!c) return nullptr;
    c->edit_controller.vtbl = &controller_vtbl;
    c->midi_mapping.vtbl = &mapping_vtbl;
    c->refs.store(1);
    reset_values(c);
    return c;
}
