// VST 3 component: the processor object's bus and state interface.
#pragma once
#include "vst3/abi/vst3_base.h"
#include "vst3/abi/vst3_stream.h"

inline constexpr TUID IID_IComponent = VST3_IID(0xE831FF31u, 0xF2D54301u, 0x928EBBEEu, 0x25697802u);

typedef int32 MediaType;
typedef int32 BusDirection;
typedef int32 BusType;
typedef int32 IoMode;
typedef uint64 SpeakerArrangement;

enum : int32 { kAudio = 0, kEvent = 1 };
enum : int32 { kInput = 0, kOutput = 1 };
enum : int32 { kMain = 0, kAux = 1 };
enum : uint32 { kDefaultActive = 1 << 0, kIsControlVoltage = 1 << 1 };
static constexpr SpeakerArrangement kSpeakerL = 1u << 0;
static constexpr SpeakerArrangement kSpeakerR = 1u << 1;
static constexpr SpeakerArrangement kSpeakerM = 1u << 19;
static constexpr SpeakerArrangement kArrangementMono = kSpeakerM;
static constexpr SpeakerArrangement kArrangementStereo = kSpeakerL | kSpeakerR;

struct BusInfo {
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};

struct IComponent;
struct IComponentVtbl {
    VST3_PLUGIN_BASE_SLOTS(IComponent);
    tresult(PLUGIN_API* getControllerClassId)(IComponent* self, TUID classId);
    tresult(PLUGIN_API* setIoMode)(IComponent* self, IoMode mode);
    int32(PLUGIN_API* getBusCount)(IComponent* self, MediaType type, BusDirection dir);
    tresult(PLUGIN_API* getBusInfo)(IComponent* self, MediaType type, BusDirection dir, int32 index,
                                    BusInfo* bus);
    tresult(PLUGIN_API* getRoutingInfo)(IComponent* self, RoutingInfo* inInfo, RoutingInfo* outInfo);
    tresult(PLUGIN_API* activateBus)(IComponent* self, MediaType type, BusDirection dir, int32 index,
                                     TBool state);
    tresult(PLUGIN_API* setActive)(IComponent* self, TBool state);
    tresult(PLUGIN_API* setState)(IComponent* self, IBStream* state);
    tresult(PLUGIN_API* getState)(IComponent* self, IBStream* state);
};
struct IComponent {
    const IComponentVtbl* vtbl;
};
