#include "param_changes.h"

#include <xmmintrin.h>

#include <cstddef>

static ParamQueue* of_queue(IParamValueQueue* q) { return (ParamQueue*)q; }
static ParamChanges* of_changes(IParameterChanges* c) { return (ParamChanges*)c; }

static tresult PLUGIN_API queue_query(IParamValueQueue* self, const TUID iid, void** obj) {
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IParamValueQueue)) {
        *obj = self;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API queue_ref(IParamValueQueue*) { return 1; }  // owned by its container
static ParamID PLUGIN_API queue_id(IParamValueQueue* self) { return of_queue(self)->id; }
static int32 PLUGIN_API queue_count(IParamValueQueue* self) { return (int32)of_queue(self)->points.size(); }
static tresult PLUGIN_API queue_get(IParamValueQueue* self, int32 index, int32* offset, ParamValue* value) {
    ParamQueue* q = of_queue(self);
    if (q->fail_get_point || index < 0 || index >= (int32)q->points.size()) return kResultFalse;
    *offset = q->points[(size_t)index].offset;
    *value = q->points[(size_t)index].value;
    return kResultOk;
}
static tresult PLUGIN_API queue_add(IParamValueQueue* self, int32 offset, ParamValue value, int32* index) {
    ParamQueue* q = of_queue(self);
    if (q->refuse_points) return kResultFalse;
    q->points.push_back({offset, value});
    if (index) *index = (int32)q->points.size() - 1;
    return kResultOk;
}
static const IParamValueQueueVtbl queue_vtbl = {queue_query, queue_ref, queue_ref, queue_id,
                                                queue_count, queue_get, queue_add};

static tresult PLUGIN_API changes_query(IParameterChanges* self, const TUID iid, void** obj) {
    if (iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IParameterChanges)) {
        *obj = self;
        of_changes(self)->refs++;
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API changes_add_ref(IParameterChanges* self) { return ++of_changes(self)->refs; }
static uint32 PLUGIN_API changes_release(IParameterChanges* self) { return --of_changes(self)->refs; }
static int32 PLUGIN_API changes_count(IParameterChanges* self) {
    of_changes(self)->csr_seen = _mm_getcsr();
    return (int32)of_changes(self)->queues.size();
}
static IParamValueQueue* PLUGIN_API changes_get(IParameterChanges* self, int32 index) {
    ParamChanges* c = of_changes(self);
    if (index < 0 || index >= (int32)c->queues.size()) return nullptr;
    return &c->queues[(size_t)index]->queue;
}
static IParamValueQueue* PLUGIN_API changes_add(IParameterChanges* self, const ParamID* id, int32* index) {
    ParamChanges* c = of_changes(self);
    for (size_t i = 0; i < c->queues.size(); i++) {
        if (c->queues[i]->id == *id) {
            if (index) *index = (int32)i;
            return &c->queues[i]->queue;
        }
    }
    if ((int)c->queues.size() >= c->queue_capacity) return nullptr;
    ParamQueue* q = c->queue_for(*id);
    if (index) *index = (int32)c->queues.size() - 1;
    return &q->queue;
}
static const IParameterChangesVtbl changes_vtbl = {changes_query, changes_add_ref, changes_release,
                                                   changes_count, changes_get, changes_add};

ParamChanges::ParamChanges() : refs(1), queue_capacity(16), refuse_points(false), csr_seen(0) { changes.vtbl = &changes_vtbl; }

ParamChanges::~ParamChanges() { clear(); }

ParamQueue* ParamChanges::queue_for(ParamID id) {
    for (ParamQueue* q : queues)
        if (q->id == id) return q;
    ParamQueue* q = new ParamQueue{{&queue_vtbl}, id, {}, refuse_points, false};
    queues.push_back(q);
    return q;
}

void ParamChanges::clear() {
    for (ParamQueue* q : queues) delete q;
    queues.clear();
}

int ParamChanges::total_points() const {
    int n = 0;
    for (const ParamQueue* q : queues) n += (int)q->points.size();
    return n;
}
