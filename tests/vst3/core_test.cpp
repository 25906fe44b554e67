// The module's objects used directly: the controller's editor-edit entry points (used by the
// plug view) and the audio thread's refusal to wait for a state operation's lock.
#include <gtest/gtest.h>

#include <vector>

#include "param_changes.h"
#include "recording_handler.h"
#include "vst3/component.h"
#include "vst3/controller.h"

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

    exchange_lock(&c->exchange);  // a state operation in progress on "another thread"
    c->processor.vtbl->process(&c->processor, &data);  // would hang if it waited
    EXPECT_EQ(15.0f, c->engine.param_values[0]) << "live value untouched while locked";
    EXPECT_EQ(0.0f, c->exchange.hostValues[0]);
    exchange_unlock(&c->exchange);
    changes.clear();
    c->processor.vtbl->process(&c->processor, &data);
    EXPECT_EQ(0.0f, c->engine.param_values[0]) << "reconciled at the next block with the lock";
    EXPECT_EQ(0u, funknown_release(&c->component));
}
