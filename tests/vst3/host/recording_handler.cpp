#include "recording_handler.h"

static RecordingHandler* of(IComponentHandler* h) { return (RecordingHandler*)h; }

static tresult PLUGIN_API query(IComponentHandler* self, const TUID iid, void** obj) {
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IComponentHandler)) {
        *obj = self;
        of(self)->refs++;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API add_ref(IComponentHandler* self) { return ++of(self)->refs; }
static uint32 PLUGIN_API release(IComponentHandler* self) { return --of(self)->refs; }
static tresult record(IComponentHandler* self, HandlerCall call) {
    RecordingHandler* h = of(self);
    h->calls.push_back(call);
    if (h->after_call) h->after_call(call);
    return kResultOk;
}
static tresult PLUGIN_API begin_edit(IComponentHandler* self, ParamID id) { return record(self, {"begin", id, 0.0}); }
static tresult PLUGIN_API perform_edit(IComponentHandler* self, ParamID id, ParamValue value) {
    return record(self, {"perform", id, value});
}
static tresult PLUGIN_API end_edit(IComponentHandler* self, ParamID id) { return record(self, {"end", id, 0.0}); }
static tresult PLUGIN_API restart(IComponentHandler* self, int32 flags) {
    of(self)->calls.push_back({"restart", 0, (double)flags});
    return kResultOk;
}
static const IComponentHandlerVtbl vtbl = {query, add_ref, release, begin_edit, perform_edit, end_edit, restart};

RecordingHandler::RecordingHandler() : refs(1) { handler.vtbl = &vtbl; }
