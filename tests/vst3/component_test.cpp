// The component's faces, life cycle, buses and set-up answers.
#include <cstring>
#include <string>

#include "host_iids.h"
#include "module_fixture.h"

using ComponentTest = InstanceTest;

TEST_F(ComponentTest, FacesShareOneCountAndAnswerAlike) {
    void* obj = nullptr;
    ASSERT_EQ(kResultOk, p.component->vtbl->queryInterface(p.component, IID_IProcessContextRequirements, &obj));
    IProcessContextRequirements* req = (IProcessContextRequirements*)obj;
    EXPECT_EQ(0u, req->vtbl->getProcessContextRequirements(req));
    // Instance holds component (1) + processor face (1) + this one.
    EXPECT_EQ(4u, req->vtbl->addRef(req));
    EXPECT_EQ(3u, req->vtbl->release(req));
    ASSERT_EQ(kResultOk, req->vtbl->queryInterface(req, IID_IAudioProcessor, &obj));
    EXPECT_EQ((void*)p.processor, obj);
    EXPECT_EQ(5u, p.component->vtbl->addRef(p.component));
    EXPECT_EQ(4u, p.processor->vtbl->release(p.processor));
    EXPECT_EQ(3u, p.processor->vtbl->release(p.processor));
    for (const char* iid : {IID_FUnknown, IID_IPluginBase, IID_IComponent}) {
        ASSERT_EQ(kResultOk, p.processor->vtbl->queryInterface(p.processor, iid, &obj));
        EXPECT_EQ((void*)p.component, obj);
        funknown_release(obj);
    }
    for (const char* iid : {IID_IEditController, IID_IConnectionPoint, IID_IUnitInfo, IID_IEditController2,
                            IID_IMidiMapping, IID_IPluginFactory}) {
        obj = &obj;
        EXPECT_EQ(kNoInterface, p.component->vtbl->queryInterface(p.component, iid, &obj));
        EXPECT_EQ(nullptr, obj);
        obj = &obj;
        EXPECT_EQ(kNoInterface, req->vtbl->queryInterface(req, iid, &obj));
        EXPECT_EQ(nullptr, obj);
    }
    EXPECT_EQ(2u, req->vtbl->release(req));
}

TEST_F(ComponentTest, InitializeOnceUntilTerminated) {
    EXPECT_EQ(kResultFalse, p.component->vtbl->initialize(p.component, host_context()));
    EXPECT_EQ(kResultOk, p.component->vtbl->terminate(p.component));
    EXPECT_EQ(kResultOk, p.component->vtbl->initialize(p.component, host_context()));
    EXPECT_EQ(kResultFalse, p.component->vtbl->initialize(p.component, nullptr));
    // A held context is what marks the object initialised: without one it is not.
    EXPECT_EQ(kResultOk, p.component->vtbl->terminate(p.component));
    EXPECT_EQ(kResultOk, p.component->vtbl->initialize(p.component, nullptr));
    EXPECT_EQ(kResultOk, p.component->vtbl->initialize(p.component, host_context()));
    EXPECT_EQ(kResultFalse, p.component->vtbl->initialize(p.component, host_context()));
}

TEST_F(ComponentTest, ReinitializeResetsParameters) {
    ASSERT_EQ(kResultOk, restore_state(p.component, state_blob(3, 4, 5)));
    ASSERT_TRUE(instance_start(&p, 48000));
    float in[8] = {}, out[8];
    instance_process(&p, in, out, 8, nullptr, nullptr);
    EXPECT_EQ(state_blob(3, 4, 5), saved_state(p.component));
    p.component->vtbl->terminate(p.component);
    ASSERT_EQ(kResultOk, p.component->vtbl->initialize(p.component, host_context()));
    EXPECT_EQ(state_blob(15, 0, 7, 0), saved_state(p.component));
}

TEST_F(ComponentTest, ControllerClassAndUnsupportedModes) {
    TUID cid;
    ASSERT_EQ(kResultOk, p.component->vtbl->getControllerClassId(p.component, cid));
    PClassInfo info;
    IPluginFactory3* f = test_factory();
    ASSERT_EQ(kResultOk, f->vtbl->getClassInfo(f, 1, &info));
    EXPECT_EQ(0, memcmp(info.cid, cid, 16));
    EXPECT_EQ(kResultFalse, p.component->vtbl->getControllerClassId(p.component, nullptr));
    EXPECT_EQ(kNotImplemented, p.component->vtbl->setIoMode(p.component, 0));
    RoutingInfo in = {}, out = {};
    EXPECT_EQ(kNotImplemented, p.component->vtbl->getRoutingInfo(p.component, &in, &out));
    EXPECT_EQ(kNotImplemented, p.processor->vtbl->setProcessing(p.processor, 1));
    EXPECT_EQ(0u, p.processor->vtbl->getLatencySamples(p.processor));
    EXPECT_EQ(0u, p.processor->vtbl->getTailSamples(p.processor));
    EXPECT_EQ(kResultOk, p.processor->vtbl->canProcessSampleSize(p.processor, kSample32));
    EXPECT_EQ(kNotImplemented, p.processor->vtbl->canProcessSampleSize(p.processor, kSample64));
    EXPECT_EQ(kNotImplemented, p.processor->vtbl->canProcessSampleSize(p.processor, 7));
}

TEST_F(ComponentTest, OneMonoBusEachWay) {
    IComponent* c = p.component;
    EXPECT_EQ(1, c->vtbl->getBusCount(c, kAudio, kInput));
    EXPECT_EQ(1, c->vtbl->getBusCount(c, kAudio, kOutput));
    EXPECT_EQ(0, c->vtbl->getBusCount(c, kEvent, kInput));
    EXPECT_EQ(0, c->vtbl->getBusCount(c, kEvent, kOutput));
    EXPECT_EQ(0, c->vtbl->getBusCount(c, 5, kInput));
    EXPECT_EQ(0, c->vtbl->getBusCount(c, kAudio, 2));

    for (BusDirection dir : {kInput, kOutput}) {
        BusInfo info;
        memset(&info, 0x7F, sizeof info);
        ASSERT_EQ(kResultOk, c->vtbl->getBusInfo(c, kAudio, dir, 0, &info));
        EXPECT_EQ(kAudio, info.mediaType);
        EXPECT_EQ(dir, info.direction);
        EXPECT_EQ(1, info.channelCount);
        EXPECT_EQ(std::u16string(dir == kInput ? u"Input" : u"Output"), std::u16string(info.name));
        EXPECT_EQ(0, info.name[127]);  // zero-filled to the end
        EXPECT_EQ(kMain, info.busType);
        EXPECT_EQ(1u, info.flags);
        SpeakerArrangement arrangement = 0;
        EXPECT_EQ(kResultOk, p.processor->vtbl->getBusArrangement(p.processor, dir, 0, &arrangement));
        EXPECT_EQ(kSpeakerM, arrangement);
    }
    BusInfo info;
    EXPECT_EQ(kInvalidArgument, c->vtbl->getBusInfo(c, kAudio, kInput, 1, &info));
    EXPECT_EQ(kInvalidArgument, c->vtbl->getBusInfo(c, kAudio, kInput, -1, &info));
    EXPECT_EQ(kInvalidArgument, c->vtbl->getBusInfo(c, kEvent, kOutput, 0, &info));
    EXPECT_EQ(kInvalidArgument, c->vtbl->getBusInfo(c, kAudio, 2, 0, &info));
    EXPECT_EQ(kInvalidArgument, c->vtbl->getBusInfo(c, kAudio, kInput, 0, nullptr));
    SpeakerArrangement arrangement = 0;
    EXPECT_EQ(kInvalidArgument, p.processor->vtbl->getBusArrangement(p.processor, kOutput, 1, &arrangement));
    EXPECT_EQ(kInvalidArgument, p.processor->vtbl->getBusArrangement(p.processor, 2, 0, &arrangement));
    EXPECT_EQ(kInvalidArgument, p.processor->vtbl->getBusArrangement(p.processor, kInput, 0, nullptr));

    EXPECT_EQ(kResultOk, c->vtbl->activateBus(c, kAudio, kInput, 0, 1));
    EXPECT_EQ(kResultOk, c->vtbl->activateBus(c, kAudio, kOutput, 0, 0));
    EXPECT_EQ(kInvalidArgument, c->vtbl->activateBus(c, kAudio, kInput, 1, 1));
    EXPECT_EQ(kInvalidArgument, c->vtbl->activateBus(c, kAudio, kInput, -1, 1));
    EXPECT_EQ(kInvalidArgument, c->vtbl->activateBus(c, kEvent, kInput, 0, 1));
    EXPECT_EQ(kInvalidArgument, c->vtbl->activateBus(c, kAudio, 3, 0, 1));
}

TEST_F(ComponentTest, OnlyMonoInMonoOutIsAccepted) {
    IAudioProcessor* a = p.processor;
    SpeakerArrangement mono = kSpeakerM, stereo = kArrangementStereo;
    SpeakerArrangement two[2] = {kSpeakerM, kSpeakerM};
    EXPECT_EQ(kResultOk, a->vtbl->setBusArrangements(a, &mono, 1, &mono, 1));
    EXPECT_EQ(kResultFalse, a->vtbl->setBusArrangements(a, &stereo, 1, &stereo, 1));
    EXPECT_EQ(kResultFalse, a->vtbl->setBusArrangements(a, &mono, 1, &stereo, 1));
    EXPECT_EQ(kResultFalse, a->vtbl->setBusArrangements(a, two, 2, &mono, 1));
    EXPECT_EQ(kResultFalse, a->vtbl->setBusArrangements(a, nullptr, 0, nullptr, 0));
    EXPECT_EQ(kResultFalse, a->vtbl->setBusArrangements(a, nullptr, 1, nullptr, 1));
    EXPECT_EQ(kInvalidArgument, a->vtbl->setBusArrangements(a, &mono, -1, &mono, 1));
    EXPECT_EQ(kInvalidArgument, a->vtbl->setBusArrangements(a, &mono, 1, &mono, -1));
    SpeakerArrangement arrangement = 0;
    EXPECT_EQ(kResultOk, a->vtbl->getBusArrangement(a, kOutput, 0, &arrangement));
    EXPECT_EQ(kSpeakerM, arrangement);  // a refused request stores nothing
    ProcessSetup setup = {kOffline, kSample64, 0, 12345.678};
    EXPECT_EQ(kResultOk, a->vtbl->setupProcessing(a, &setup));
    EXPECT_EQ(kInvalidArgument, a->vtbl->setupProcessing(a, nullptr));
}
