// VST 3 audio processing: set-up and block structures, the processor interfaces and the
// host's parameter-change containers.
#pragma once
#include "vst3/abi/vst3_base.h"
#include "vst3/abi/vst3_component.h"

inline constexpr TUID IID_IAudioProcessor = VST3_IID(0x42043F99u, 0xB7DA453Cu, 0xA569E79Du, 0x9AAEC33Du);
inline constexpr TUID IID_IProcessContextRequirements =
    VST3_IID(0x2A654303u, 0xEF764E3Du, 0x95B5FE83u, 0x730EF6D0u);
inline constexpr TUID IID_IParameterChanges = VST3_IID(0xA4779663u, 0x0BB64A56u, 0xB44384A8u, 0x466FEB9Du);
inline constexpr TUID IID_IParamValueQueue = VST3_IID(0x01263A18u, 0xED074F6Fu, 0x98C9D356u, 0x4686F9BAu);

typedef uint32 ParamID;
typedef double ParamValue;
typedef float Sample32;
typedef double Sample64;
typedef double SampleRate;
typedef int64 TSamples;
typedef double TQuarterNotes;

enum : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum : int32 { kSample32 = 0, kSample64 = 1 };
enum : uint32 { kNoTail = 0, kInfiniteTail = 0xFFFFFFFFu };

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};

struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags;
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};

struct ProcessContext {
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;
    TSamples continousTimeSamples;
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo;
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    struct Chord chord;  // elaborated: <windows.h> declares a function Chord
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};

struct IParamValueQueue;
struct IParamValueQueueVtbl {
    VST3_FUNKNOWN_SLOTS(IParamValueQueue);
    ParamID(PLUGIN_API* getParameterId)(IParamValueQueue* self);
    int32(PLUGIN_API* getPointCount)(IParamValueQueue* self);
    tresult(PLUGIN_API* getPoint)(IParamValueQueue* self, int32 index, int32* sampleOffset, ParamValue* value);
    tresult(PLUGIN_API* addPoint)(IParamValueQueue* self, int32 sampleOffset, ParamValue value, int32* index);
};
struct IParamValueQueue {
    const IParamValueQueueVtbl* vtbl;
};

struct IParameterChanges;
struct IParameterChangesVtbl {
    VST3_FUNKNOWN_SLOTS(IParameterChanges);
    int32(PLUGIN_API* getParameterCount)(IParameterChanges* self);
    IParamValueQueue*(PLUGIN_API* getParameterData)(IParameterChanges* self, int32 index);
    IParamValueQueue*(PLUGIN_API* addParameterData)(IParameterChanges* self, const ParamID* id, int32* index);
};
struct IParameterChanges {
    const IParameterChangesVtbl* vtbl;
};

struct IEventList;  // never used: the component has no event buses

struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;
    int32 numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

struct IAudioProcessor;
struct IAudioProcessorVtbl {
    VST3_FUNKNOWN_SLOTS(IAudioProcessor);
    tresult(PLUGIN_API* setBusArrangements)(IAudioProcessor* self, SpeakerArrangement* inputs, int32 numIns,
                                            SpeakerArrangement* outputs, int32 numOuts);
    tresult(PLUGIN_API* getBusArrangement)(IAudioProcessor* self, BusDirection dir, int32 index,
                                           SpeakerArrangement* arr);
    tresult(PLUGIN_API* canProcessSampleSize)(IAudioProcessor* self, int32 symbolicSampleSize);
    uint32(PLUGIN_API* getLatencySamples)(IAudioProcessor* self);
    tresult(PLUGIN_API* setupProcessing)(IAudioProcessor* self, ProcessSetup* setup);
    tresult(PLUGIN_API* setProcessing)(IAudioProcessor* self, TBool state);
    tresult(PLUGIN_API* process)(IAudioProcessor* self, ProcessData* data);
    uint32(PLUGIN_API* getTailSamples)(IAudioProcessor* self);
};
struct IAudioProcessor {
    const IAudioProcessorVtbl* vtbl;
};

struct IProcessContextRequirements;
struct IProcessContextRequirementsVtbl {
    VST3_FUNKNOWN_SLOTS(IProcessContextRequirements);
    uint32(PLUGIN_API* getProcessContextRequirements)(IProcessContextRequirements* self);
};
struct IProcessContextRequirements {
    const IProcessContextRequirementsVtbl* vtbl;
};
