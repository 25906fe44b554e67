// The module's objects used directly: the controller's editor-edit entry points (used by the
// plug view) and their handler under replacement, the controller's list of views, and the
// audio thread's refusal to wait for a state operation's lock.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "param_changes.h"
#include "recording_handler.h"
#include "vst3/component.h"
#include "vst3/controller.h"
#include "vst3/view_list.h"

static const ParamID cutoff_id = 1784049613u;
static const ParamID lfo_speed_id = 793359101u;

TEST(Vst3Core, EditorEditsStoreSnappedValuesAndTellTheHandler) {
    Controller* c = controller_create();
    ASSERT_NE(nullptr, c);
    RecordingHandler h;
    controller_edit_begin(c, 0, 3.4f);  // no handler yet: stored only
    EXPECT_EQ(3.0, controller_value(c, 0));
    c->edit_controller.vtbl->setComponentHandler(&c->edit_controller, &h.handler);
    controller_edit_begin(c, 0, 7.5f);
    controller_edit_value(c, 2, 20.0f);
    controller_edit_end(c, 0, -2.0f);
    controller_edit_value(c, 9, 1.0f);  // no such parameter
    ASSERT_EQ(5u, h.calls.size());
    EXPECT_EQ("begin", h.calls[0].what);
    EXPECT_EQ(cutoff_id, h.calls[0].id);
    EXPECT_EQ("perform", h.calls[1].what);
    EXPECT_DOUBLE_EQ(8.0 / 15.0, h.calls[1].value);
    EXPECT_EQ("perform", h.calls[2].what);
    EXPECT_EQ(lfo_speed_id, h.calls[2].id);
    EXPECT_DOUBLE_EQ(1.0, h.calls[2].value);
    EXPECT_EQ("perform", h.calls[3].what);
    EXPECT_DOUBLE_EQ(0.0, h.calls[3].value);
    EXPECT_EQ("end", h.calls[4].what);
    EXPECT_EQ(cutoff_id, h.calls[4].id);
    EXPECT_EQ(0.0, controller_value(c, 0));
    EXPECT_EQ(15.0, controller_value(c, 2));
    EXPECT_EQ(2u, h.refs.load());
    funknown_release(&c->edit_controller);
    EXPECT_EQ(1u, h.refs.load());
}

TEST(Vst3Core, AudioThreadNeverWaitsForTheStateLock) {
    Component* c = component_create();
    ASSERT_NE(nullptr, c);
    c->component.vtbl->initialize(&c->component, nullptr);
    SpeakerArrangement mono = kSpeakerM;
    c->processor.vtbl->setBusArrangements(&c->processor, &mono, 1, &mono, 1);
    c->component.vtbl->activateBus(&c->component, kAudio, kInput, 0, 1);
    c->component.vtbl->activateBus(&c->component, kAudio, kOutput, 0, 1);
    ProcessSetup setup = {kRealtime, kSample32, 64, 48000.0};
    c->processor.vtbl->setupProcessing(&c->processor, &setup);
    c->component.vtbl->setActive(&c->component, 1);

    std::vector<float> in(64, 0.1f), out(64);
    float* ins[1] = {in.data()};
    float* outs[1] = {out.data()};
    AudioBusBuffers in_bus = {1, 0, {ins}}, out_bus = {1, 0, {outs}};
    ParamChanges changes;
    changes.add(cutoff_id, 0, 0.0);
    ProcessData data = {};
    data.numSamples = 64;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in_bus;
    data.outputs = &out_bus;
    data.inputParameterChanges = &changes.changes;

    exchange_lock(&c->core.exchange);  // a state operation in progress on "another thread"
    c->processor.vtbl->process(&c->processor, &data);  // would hang if it waited
    EXPECT_EQ(15.0f, c->core.engines[0].param_values[0]) << "live value untouched while locked";
    EXPECT_EQ(0.0f, c->core.exchange.hostValues[0]);
    exchange_unlock(&c->core.exchange);
    changes.clear();
    c->processor.vtbl->process(&c->processor, &data);
    EXPECT_EQ(0.0f, c->core.engines[0].param_values[0]) << "reconciled at the next block with the lock";
    EXPECT_EQ(0u, funknown_release(&c->component));
}

TEST(Vst3Core, ViewListReusesTheFirstEmptySlotAndGrowsByOne) {
    PlugView* a = (PlugView*)&a;  // only the addresses matter to the list
    PlugView* b = (PlugView*)&b;
    PlugView* c = (PlugView*)&c;
    ViewList list = {};
    ASSERT_EQ(0, view_list_add(&list, a));
    ASSERT_EQ(0, view_list_add(&list, b));
    ASSERT_EQ(2u, list.length);
    view_list_remove(&list, a);
    EXPECT_EQ(nullptr, list.slots[0]);
    EXPECT_EQ(b, list.slots[1]);
    view_list_remove(&list, c);  // not in the list
    EXPECT_EQ(b, list.slots[1]);
    ASSERT_EQ(0, view_list_add(&list, c));
    EXPECT_EQ(c, list.slots[0]) << "the freed slot is taken first";
    EXPECT_EQ(2u, list.length);
    ASSERT_EQ(0, view_list_add(&list, a));
    EXPECT_EQ(3u, list.length);
    EXPECT_EQ(a, list.slots[2]);
    view_list_free(&list);
    EXPECT_EQ(0u, list.length);
    EXPECT_EQ(nullptr, list.slots);
}

// A handler that notices being called after its last reference went.
struct GuardedHandler {
    IComponentHandler handler;
    std::atomic<int> refs{1};
    std::atomic<int> calls_when_gone{0};
};
static GuardedHandler* guarded(IComponentHandler* h) { return (GuardedHandler*)h; }
static tresult PLUGIN_API guarded_query(IComponentHandler*, const TUID, void** obj) {
    *obj = nullptr;
    return kNoInterface;
}
static uint32 PLUGIN_API guarded_add_ref(IComponentHandler* h) { return (uint32)++guarded(h)->refs; }
static uint32 PLUGIN_API guarded_release(IComponentHandler* h) { return (uint32)--guarded(h)->refs; }
static tresult PLUGIN_API guarded_call(IComponentHandler* h, ParamID) {
    if (guarded(h)->refs.load() <= 0) guarded(h)->calls_when_gone++;
    return kResultOk;
}
static tresult PLUGIN_API guarded_perform(IComponentHandler* h, ParamID id, ParamValue) { return guarded_call(h, id); }
static tresult PLUGIN_API guarded_restart(IComponentHandler*, int32) { return kResultOk; }
static const IComponentHandlerVtbl guarded_vtbl = {guarded_query, guarded_add_ref, guarded_release, guarded_call,
                                                   guarded_perform, guarded_call, guarded_restart};

// The host thread replaces the handler while an editor thread edits: every call must reach a
// handler that is still referenced.
TEST(Vst3Core, EditorEditsNeverCallAHandlerTheControllerLetGo) {
    Controller* c = controller_create();
    ASSERT_NE(nullptr, c);
    std::vector<GuardedHandler> handlers(200000);
    std::atomic<bool> done{false};
    std::thread editor([&] {
        for (uint32_t i = 0; !done.load(); i++) controller_edit_end(c, i % 3, (float)(i % 16));
    });
    for (GuardedHandler& h : handlers) {
        h.handler.vtbl = &guarded_vtbl;
        c->edit_controller.vtbl->setComponentHandler(&c->edit_controller, &h.handler);
        h.refs--;  // the host's own reference: from now on only the Controller holds it
    }
    done = true;
    editor.join();
    funknown_release(&c->edit_controller);
    int gone = 0, left = 0;
    for (GuardedHandler& h : handlers) {
        gone += h.calls_when_gone.load();
        left += h.refs.load();
    }
    EXPECT_EQ(0, gone);
    EXPECT_EQ(0, left) << "every reference taken was given back";
}
