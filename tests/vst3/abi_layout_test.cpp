// Our VST3 declarations against the published binary facts: identifier bytes on this
// platform, result codes, structure sizes and offsets, and the slot of every method.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "host/host_iids.h"
#include "vst3/abi/vst3_controller.h"
#include "vst3/abi/vst3_factory.h"
#include "vst3/abi/vst3_run_loop.h"
#include "vst3/abi/vst3_view.h"
#include "vst3/class_ids.h"

struct IidFact {
    const char* name;
    const char* actual;
    unsigned l[4];
    const char* windows_bytes;  // as listed for the Microsoft GUID layout
};

static const IidFact iid_facts[] = {
    {"FUnknown", IID_FUnknown, {0x00000000, 0x00000000, 0xC0000000, 0x00000046}, "00 00 00 00 00 00 00 00 C0 00 00 00 00 00 00 46"},
    {"IPluginBase", IID_IPluginBase, {0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625}, "DB 8D 88 22 6E 15 AE 45 83 58 B3 48 08 19 06 25"},
    {"IPluginFactory", IID_IPluginFactory, {0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F}, "1C 81 4D 7A 11 52 1F 4A AE D9 D2 EE 0B 43 BF 9F"},
    {"IPluginFactory2", IID_IPluginFactory2, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB}, "50 B6 07 00 4B F2 0B 4C A4 64 ED B9 F0 0B 2A BB"},
    {"IPluginFactory3", IID_IPluginFactory3, {0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931}, "AB A2 55 45 23 C1 57 4E 9B 12 29 10 36 87 89 31"},
    {"IComponent", IID_IComponent, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802}, "31 FF 31 E8 D5 F2 01 43 92 8E BB EE 25 69 78 02"},
    {"IAudioProcessor", IID_IAudioProcessor, {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D}, "99 3F 04 42 DA B7 3C 45 A5 69 E7 9D 9A AE C3 3D"},
    {"IProcessContextRequirements", IID_IProcessContextRequirements, {0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0}, "03 43 65 2A 76 EF 3D 4E 95 B5 FE 83 73 0E F6 D0"},
    {"IEditController", IID_IEditController, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E}, "E3 BB D7 DC 42 77 8D 44 A8 74 AA CC 97 9C 75 9E"},
    {"IEditController2", IID_IEditController2, {0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038}, "59 FE 4E 7F 20 F3 67 49 AC 27 A3 AE AF B6 30 38"},
    {"IMidiMapping", IID_IMidiMapping, {0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5}, "F7 F9 0F DF B7 49 69 46 B6 3A B7 32 7A DB F5 E5"},
    {"IPlugView", IID_IPlugView, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29}, "07 25 C3 5B 60 D0 EA 49 A6 15 1B 52 2B 75 5B 29"},
    {"IPlugFrame", IID_IPlugFrame, {0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3}, "01 AF 7F 36 A9 AF 93 46 8D 4D A2 A0 ED 08 82 A3"},
    {"IPlugViewContentScaleSupport", IID_IPlugViewContentScaleSupport, {0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F}, "90 96 ED 65 C4 8A 25 45 8A AD EF 7A 72 EA 70 3F"},
    {"IBStream", IID_IBStream, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B}, "A2 6E BF C3 99 30 52 47 9B 6B F9 90 1E E3 3E 9B"},
    {"IComponentHandler", IID_IComponentHandler, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6}, "A3 BE A0 93 D0 0B DB 45 8E 89 0B 0C C1 E4 6A C6"},
    {"IParameterChanges", IID_IParameterChanges, {0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D}, "63 96 77 A4 B6 0B 56 4A B4 43 84 A8 46 6F EB 9D"},
    {"IParamValueQueue", IID_IParamValueQueue, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA}, "18 3A 26 01 07 ED 6F 4F 98 C9 D3 56 46 86 F9 BA"},
    {"IConnectionPoint", IID_IConnectionPoint, {0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1}, "6F 15 A4 70 6E 6E 26 40 98 91 48 BF AA 60 D8 D1"},
    {"IHostApplication", IID_IHostApplication, {0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5}, "CC 95 E5 58 2D DB 69 49 8B 6A AF 8C 36 A6 64 E5"},
    {"IEventList", IID_IEventList, {0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44}, "14 42 2C 3A 63 34 FE 49 B2 C4 F3 97 B9 69 5A 44"},
    {"IUnitInfo", IID_IUnitInfo, {0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1}, "B5 D6 4B 3D 3A 91 D2 4F A8 86 E7 68 A5 EB 92 C1"},
    {"IRunLoop", IID_IRunLoop, {0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389}, "66 53 C3 18 76 97 1A 4F 9C 5B 83 85 7A 87 13 89"},
    {"IEventHandler", IID_IEventHandler, {0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983}, "C9 65 1E 56 A0 13 6F 49 81 3A 2C 35 65 4D 79 83"},
    {"ITimerHandler", IID_ITimerHandler, {0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9}, "4F D9 BD 10 42 41 74 47 82 1F AD 8F EC A7 2C A9"},
};

static void parse_hex_bytes(const char* text, unsigned char out[16]) {
    for (int i = 0; i < 16; i++) {
        unsigned v = 0;
        sscanf(text + 3 * i, "%2x", &v);
        out[i] = (unsigned char)v;
    }
}

static void big_endian_bytes(const unsigned l[4], unsigned char out[16]) {
    for (int i = 0; i < 4; i++)
        for (int b = 0; b < 4; b++) out[4 * i + b] = (unsigned char)(l[i] >> (24 - 8 * b));
}

TEST(Vst3Abi, InterfaceIdentifiersHaveThePlatformByteOrder) {
    for (const IidFact& f : iid_facts) {
        unsigned char expected[16];
#if defined(_WIN32)
        parse_hex_bytes(f.windows_bytes, expected);
#else
        big_endian_bytes(f.l, expected);
#endif
        EXPECT_EQ(0, memcmp(expected, f.actual, 16)) << f.name;
    }
}

TEST(Vst3Abi, LinuxLayoutOfTheSheetExample) {
    // The sheet spells out IComponent's Linux bytes; our big-endian writer must agree.
    unsigned char bytes[16], expected[16];
    big_endian_bytes(iid_facts[5].l, bytes);
    parse_hex_bytes("E8 31 FF 31 F2 D5 43 01 92 8E BB EE 25 69 78 02", expected);
    EXPECT_EQ(0, memcmp(expected, bytes, 16));
}

TEST(Vst3Abi, ClassIdsFollowTheSameRule) {
    const unsigned component[4] = {0x829EC99B, 0x7DB5E332, 0x21BD81F1, 0xCB7451AE};
    unsigned char expected[16];
    big_endian_bytes(component, expected);
#if defined(_WIN32)
    // GUID layout: the first three groups are little-endian.
    const unsigned char windows[16] = {0x9B, 0xC9, 0x9E, 0x82, 0xB5, 0x7D, 0x32, 0xE3,
                                       0x21, 0xBD, 0x81, 0xF1, 0xCB, 0x74, 0x51, 0xAE};
    memcpy(expected, windows, 16);
#endif
    EXPECT_EQ(0, memcmp(expected, velmo_component_cid, 16));
    EXPECT_NE(0, memcmp(velmo_component_cid, velmo_controller_cid, 16));
}

TEST(Vst3Abi, ResultCodes) {
#if defined(_WIN32)
    EXPECT_EQ((tresult)0x80004002u, kNoInterface);
    EXPECT_EQ((tresult)0x80070057u, kInvalidArgument);
    EXPECT_EQ((tresult)0x80004001u, kNotImplemented);
    EXPECT_EQ((tresult)0x80004005u, kInternalError);
    EXPECT_EQ((tresult)0x8000FFFFu, kNotInitialized);
    EXPECT_EQ((tresult)0x8007000Eu, kOutOfMemory);
#else
    EXPECT_EQ(-1, kNoInterface);
    EXPECT_EQ(2, kInvalidArgument);
    EXPECT_EQ(3, kNotImplemented);
    EXPECT_EQ(4, kInternalError);
    EXPECT_EQ(5, kNotInitialized);
    EXPECT_EQ(6, kOutOfMemory);
#endif
    EXPECT_EQ(0, kResultOk);
    EXPECT_EQ(0, kResultTrue);
    EXPECT_EQ(1, kResultFalse);
}

#define EXPECT_FIELD(type, field, offset) EXPECT_EQ((size_t)(offset), offsetof(type, field)) << #type "::" #field

TEST(Vst3Abi, StructureLayouts) {
    EXPECT_EQ(452u, sizeof(PFactoryInfo));
    EXPECT_FIELD(PFactoryInfo, url, 64);
    EXPECT_FIELD(PFactoryInfo, email, 320);
    EXPECT_FIELD(PFactoryInfo, flags, 448);

    EXPECT_EQ(116u, sizeof(PClassInfo));
    EXPECT_FIELD(PClassInfo, cardinality, 16);
    EXPECT_FIELD(PClassInfo, category, 20);
    EXPECT_FIELD(PClassInfo, name, 52);

    EXPECT_EQ(440u, sizeof(PClassInfo2));
    EXPECT_FIELD(PClassInfo2, classFlags, 116);
    EXPECT_FIELD(PClassInfo2, subCategories, 120);
    EXPECT_FIELD(PClassInfo2, vendor, 248);
    EXPECT_FIELD(PClassInfo2, version, 312);
    EXPECT_FIELD(PClassInfo2, sdkVersion, 376);

    EXPECT_EQ(696u, sizeof(PClassInfoW));
    EXPECT_FIELD(PClassInfoW, name, 52);
    EXPECT_FIELD(PClassInfoW, classFlags, 180);
    EXPECT_FIELD(PClassInfoW, subCategories, 184);
    EXPECT_FIELD(PClassInfoW, vendor, 312);
    EXPECT_FIELD(PClassInfoW, version, 440);
    EXPECT_FIELD(PClassInfoW, sdkVersion, 568);

    EXPECT_EQ(276u, sizeof(BusInfo));
    EXPECT_FIELD(BusInfo, channelCount, 8);
    EXPECT_FIELD(BusInfo, name, 12);
    EXPECT_FIELD(BusInfo, busType, 268);
    EXPECT_FIELD(BusInfo, flags, 272);

    EXPECT_EQ(12u, sizeof(RoutingInfo));
    EXPECT_FIELD(RoutingInfo, channel, 8);

    EXPECT_EQ(24u, sizeof(ProcessSetup));
    EXPECT_FIELD(ProcessSetup, maxSamplesPerBlock, 8);
    EXPECT_FIELD(ProcessSetup, sampleRate, 16);

    EXPECT_EQ(24u, sizeof(AudioBusBuffers));
    EXPECT_FIELD(AudioBusBuffers, silenceFlags, 8);
    EXPECT_FIELD(AudioBusBuffers, channelBuffers32, 16);
    EXPECT_FIELD(AudioBusBuffers, channelBuffers64, 16);

    EXPECT_EQ(80u, sizeof(ProcessData));
    EXPECT_FIELD(ProcessData, numSamples, 8);
    EXPECT_FIELD(ProcessData, numInputs, 12);
    EXPECT_FIELD(ProcessData, numOutputs, 16);
    EXPECT_FIELD(ProcessData, inputs, 24);
    EXPECT_FIELD(ProcessData, outputs, 32);
    EXPECT_FIELD(ProcessData, inputParameterChanges, 40);
    EXPECT_FIELD(ProcessData, outputParameterChanges, 48);
    EXPECT_FIELD(ProcessData, inputEvents, 56);
    EXPECT_FIELD(ProcessData, outputEvents, 64);
    EXPECT_FIELD(ProcessData, processContext, 72);

    EXPECT_EQ(112u, sizeof(ProcessContext));
    EXPECT_FIELD(ProcessContext, sampleRate, 8);
    EXPECT_FIELD(ProcessContext, projectTimeSamples, 16);
    EXPECT_FIELD(ProcessContext, systemTime, 24);
    EXPECT_FIELD(ProcessContext, continousTimeSamples, 32);
    EXPECT_FIELD(ProcessContext, projectTimeMusic, 40);
    EXPECT_FIELD(ProcessContext, barPositionMusic, 48);
    EXPECT_FIELD(ProcessContext, cycleStartMusic, 56);
    EXPECT_FIELD(ProcessContext, cycleEndMusic, 64);
    EXPECT_FIELD(ProcessContext, tempo, 72);
    EXPECT_FIELD(ProcessContext, timeSigNumerator, 80);
    EXPECT_FIELD(ProcessContext, timeSigDenominator, 84);
    EXPECT_FIELD(ProcessContext, chord, 88);
    EXPECT_FIELD(ProcessContext, smpteOffsetSubframes, 92);
    EXPECT_FIELD(ProcessContext, frameRate, 96);
    EXPECT_FIELD(ProcessContext, samplesToNextClock, 104);
    EXPECT_FIELD(Chord, chordMask, 2);
    EXPECT_FIELD(FrameRate, flags, 4);

    EXPECT_EQ(792u, sizeof(ParameterInfo));
    EXPECT_FIELD(ParameterInfo, title, 4);
    EXPECT_FIELD(ParameterInfo, shortTitle, 260);
    EXPECT_FIELD(ParameterInfo, units, 516);
    EXPECT_FIELD(ParameterInfo, stepCount, 772);
    EXPECT_FIELD(ParameterInfo, defaultNormalizedValue, 776);
    EXPECT_FIELD(ParameterInfo, unitId, 784);
    EXPECT_FIELD(ParameterInfo, flags, 788);
    EXPECT_EQ(2u, sizeof(char16));
    EXPECT_EQ(256u, sizeof(String128));

    EXPECT_EQ(16u, sizeof(ViewRect));
    EXPECT_EQ(4u, alignof(ViewRect));
    EXPECT_FIELD(ViewRect, top, 4);
    EXPECT_FIELD(ViewRect, right, 8);
    EXPECT_FIELD(ViewRect, bottom, 12);
}

#define EXPECT_SLOT(vtbl, method, slot) EXPECT_EQ((size_t)(slot) * sizeof(void*), offsetof(vtbl, method)) << #vtbl "::" #method

TEST(Vst3Abi, MethodSlots) {
    EXPECT_SLOT(FUnknownVtbl, release, 2);
    EXPECT_EQ(3 * sizeof(void*), sizeof(FUnknownVtbl));

    EXPECT_SLOT(IPluginFactory3Vtbl, getFactoryInfo, 3);
    EXPECT_SLOT(IPluginFactory3Vtbl, createInstance, 6);
    EXPECT_SLOT(IPluginFactory3Vtbl, getClassInfo2, 7);
    EXPECT_SLOT(IPluginFactory3Vtbl, getClassInfoUnicode, 8);
    EXPECT_SLOT(IPluginFactory3Vtbl, setHostContext, 9);
    EXPECT_EQ(10 * sizeof(void*), sizeof(IPluginFactory3Vtbl));

    EXPECT_SLOT(IComponentVtbl, initialize, 3);
    EXPECT_SLOT(IComponentVtbl, terminate, 4);
    EXPECT_SLOT(IComponentVtbl, getControllerClassId, 5);
    EXPECT_SLOT(IComponentVtbl, setIoMode, 6);
    EXPECT_SLOT(IComponentVtbl, getBusCount, 7);
    EXPECT_SLOT(IComponentVtbl, getBusInfo, 8);
    EXPECT_SLOT(IComponentVtbl, getRoutingInfo, 9);
    EXPECT_SLOT(IComponentVtbl, activateBus, 10);
    EXPECT_SLOT(IComponentVtbl, setActive, 11);
    EXPECT_SLOT(IComponentVtbl, setState, 12);
    EXPECT_SLOT(IComponentVtbl, getState, 13);
    EXPECT_EQ(14 * sizeof(void*), sizeof(IComponentVtbl));

    EXPECT_SLOT(IAudioProcessorVtbl, setBusArrangements, 3);
    EXPECT_SLOT(IAudioProcessorVtbl, getBusArrangement, 4);
    EXPECT_SLOT(IAudioProcessorVtbl, canProcessSampleSize, 5);
    EXPECT_SLOT(IAudioProcessorVtbl, getLatencySamples, 6);
    EXPECT_SLOT(IAudioProcessorVtbl, setupProcessing, 7);
    EXPECT_SLOT(IAudioProcessorVtbl, setProcessing, 8);
    EXPECT_SLOT(IAudioProcessorVtbl, process, 9);
    EXPECT_SLOT(IAudioProcessorVtbl, getTailSamples, 10);
    EXPECT_EQ(11 * sizeof(void*), sizeof(IAudioProcessorVtbl));

    EXPECT_SLOT(IProcessContextRequirementsVtbl, getProcessContextRequirements, 3);

    EXPECT_SLOT(IEditControllerVtbl, setComponentState, 5);
    EXPECT_SLOT(IEditControllerVtbl, setState, 6);
    EXPECT_SLOT(IEditControllerVtbl, getState, 7);
    EXPECT_SLOT(IEditControllerVtbl, getParameterCount, 8);
    EXPECT_SLOT(IEditControllerVtbl, getParameterInfo, 9);
    EXPECT_SLOT(IEditControllerVtbl, getParamStringByValue, 10);
    EXPECT_SLOT(IEditControllerVtbl, getParamValueByString, 11);
    EXPECT_SLOT(IEditControllerVtbl, normalizedParamToPlain, 12);
    EXPECT_SLOT(IEditControllerVtbl, plainParamToNormalized, 13);
    EXPECT_SLOT(IEditControllerVtbl, getParamNormalized, 14);
    EXPECT_SLOT(IEditControllerVtbl, setParamNormalized, 15);
    EXPECT_SLOT(IEditControllerVtbl, setComponentHandler, 16);
    EXPECT_SLOT(IEditControllerVtbl, createView, 17);
    EXPECT_EQ(18 * sizeof(void*), sizeof(IEditControllerVtbl));

    EXPECT_SLOT(IMidiMappingVtbl, getMidiControllerAssignment, 3);
    EXPECT_SLOT(IBStreamVtbl, read, 3);
    EXPECT_SLOT(IBStreamVtbl, write, 4);
    EXPECT_SLOT(IBStreamVtbl, seek, 5);
    EXPECT_SLOT(IBStreamVtbl, tell, 6);
    EXPECT_SLOT(IComponentHandlerVtbl, beginEdit, 3);
    EXPECT_SLOT(IComponentHandlerVtbl, performEdit, 4);
    EXPECT_SLOT(IComponentHandlerVtbl, endEdit, 5);
    EXPECT_SLOT(IComponentHandlerVtbl, restartComponent, 6);
    EXPECT_SLOT(IParameterChangesVtbl, getParameterCount, 3);
    EXPECT_SLOT(IParameterChangesVtbl, getParameterData, 4);
    EXPECT_SLOT(IParameterChangesVtbl, addParameterData, 5);
    EXPECT_SLOT(IParamValueQueueVtbl, getParameterId, 3);
    EXPECT_SLOT(IParamValueQueueVtbl, getPointCount, 4);
    EXPECT_SLOT(IParamValueQueueVtbl, getPoint, 5);
    EXPECT_SLOT(IParamValueQueueVtbl, addPoint, 6);

    EXPECT_SLOT(IPlugViewVtbl, isPlatformTypeSupported, 3);
    EXPECT_SLOT(IPlugViewVtbl, attached, 4);
    EXPECT_SLOT(IPlugViewVtbl, removed, 5);
    EXPECT_SLOT(IPlugViewVtbl, onWheel, 6);
    EXPECT_SLOT(IPlugViewVtbl, onKeyDown, 7);
    EXPECT_SLOT(IPlugViewVtbl, onKeyUp, 8);
    EXPECT_SLOT(IPlugViewVtbl, getSize, 9);
    EXPECT_SLOT(IPlugViewVtbl, onSize, 10);
    EXPECT_SLOT(IPlugViewVtbl, onFocus, 11);
    EXPECT_SLOT(IPlugViewVtbl, setFrame, 12);
    EXPECT_SLOT(IPlugViewVtbl, canResize, 13);
    EXPECT_SLOT(IPlugViewVtbl, checkSizeConstraint, 14);
    EXPECT_EQ(15 * sizeof(void*), sizeof(IPlugViewVtbl));
    EXPECT_SLOT(IPlugFrameVtbl, resizeView, 3);
    EXPECT_EQ(4 * sizeof(void*), sizeof(IPlugFrameVtbl));
    EXPECT_SLOT(IRunLoopVtbl, registerEventHandler, 3);
    EXPECT_SLOT(IRunLoopVtbl, unregisterEventHandler, 4);
    EXPECT_SLOT(IRunLoopVtbl, registerTimer, 5);
    EXPECT_SLOT(IRunLoopVtbl, unregisterTimer, 6);
    EXPECT_EQ(7 * sizeof(void*), sizeof(IRunLoopVtbl));
    EXPECT_SLOT(IEventHandlerVtbl, onFDIsSet, 3);
    EXPECT_SLOT(ITimerHandlerVtbl, onTimer, 3);
}

TEST(Vst3Abi, Constants) {
    EXPECT_EQ(0x80000u, kSpeakerM);
    EXPECT_EQ(0x3u, kArrangementStereo);
    EXPECT_EQ(16, kFactoryUnicode);
    EXPECT_EQ(0x7FFFFFFF, kManyInstances);
    EXPECT_EQ(2, kIBSeekEnd);
    EXPECT_EQ(2, kParamIsReadOnly);
    EXPECT_EQ(1, kParamCanAutomate);
    EXPECT_STREQ("HWND", kPlatformTypeHWND);
    EXPECT_STREQ("X11EmbedWindowID", kPlatformTypeX11EmbedWindowID);
    EXPECT_STREQ("WaylandSurfaceID", kPlatformTypeWaylandSurfaceID);
    EXPECT_STREQ("NSView", kPlatformTypeNSView);
    EXPECT_STREQ("HIView", kPlatformTypeHIView);
    EXPECT_STREQ("UIView", kPlatformTypeUIView);
}
