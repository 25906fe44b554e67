// VST 3 edit controller: parameter descriptions, the controller and MIDI-mapping interfaces
// and the host's component handler.
#pragma once
#include "vst3/abi/vst3_base.h"
#include "vst3/abi/vst3_processor.h"
#include "vst3/abi/vst3_stream.h"

inline constexpr TUID IID_IEditController = VST3_IID(0xDCD7BBE3u, 0x7742448Du, 0xA874AACCu, 0x979C759Eu);
inline constexpr TUID IID_IMidiMapping = VST3_IID(0xDF0FF9F7u, 0x49B74669u, 0xB63AB732u, 0x7ADBF5E5u);
inline constexpr TUID IID_IComponentHandler = VST3_IID(0x93A0BEA3u, 0x0BD045DBu, 0x8E890B0Cu, 0xC1E46AC6u);

typedef int32 UnitID;
typedef int16 CtrlNumber;

enum : int32 {
    kParamNoFlags = 0,
    kParamCanAutomate = 1 << 0,
    kParamIsReadOnly = 1 << 1,
    kParamIsWrapAround = 1 << 2,
    kParamIsList = 1 << 3,
    kParamIsHidden = 1 << 4,
    kParamIsProgramChange = 1 << 15,
    kParamIsBypass = 1 << 16,
};
enum : int32 { kRootUnitId = 0 };
static constexpr ParamID kNoParamId = 0xFFFFFFFFu;
enum : int32 { kRestartParamValuesChanged = 1 << 2 };

struct ParameterInfo {
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount;
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;
};

struct IComponentHandler;
struct IComponentHandlerVtbl {
    VST3_FUNKNOWN_SLOTS(IComponentHandler);
    tresult(PLUGIN_API* beginEdit)(IComponentHandler* self, ParamID id);
    tresult(PLUGIN_API* performEdit)(IComponentHandler* self, ParamID id, ParamValue valueNormalized);
    tresult(PLUGIN_API* endEdit)(IComponentHandler* self, ParamID id);
    tresult(PLUGIN_API* restartComponent)(IComponentHandler* self, int32 flags);
};
struct IComponentHandler {
    const IComponentHandlerVtbl* vtbl;
};

struct IPlugView;  // the editor view, declared with the view

struct IEditController;
struct IEditControllerVtbl {
    VST3_PLUGIN_BASE_SLOTS(IEditController);
    tresult(PLUGIN_API* setComponentState)(IEditController* self, IBStream* state);
    tresult(PLUGIN_API* setState)(IEditController* self, IBStream* state);
    tresult(PLUGIN_API* getState)(IEditController* self, IBStream* state);
    int32(PLUGIN_API* getParameterCount)(IEditController* self);
    tresult(PLUGIN_API* getParameterInfo)(IEditController* self, int32 paramIndex, ParameterInfo* info);
    tresult(PLUGIN_API* getParamStringByValue)(IEditController* self, ParamID id, ParamValue valueNormalized,
                                               TChar* string);
    tresult(PLUGIN_API* getParamValueByString)(IEditController* self, ParamID id, TChar* string,
                                               ParamValue* valueNormalized);
    ParamValue(PLUGIN_API* normalizedParamToPlain)(IEditController* self, ParamID id, ParamValue valueNormalized);
    ParamValue(PLUGIN_API* plainParamToNormalized)(IEditController* self, ParamID id, ParamValue plainValue);
    ParamValue(PLUGIN_API* getParamNormalized)(IEditController* self, ParamID id);
    tresult(PLUGIN_API* setParamNormalized)(IEditController* self, ParamID id, ParamValue value);
    tresult(PLUGIN_API* setComponentHandler)(IEditController* self, IComponentHandler* handler);
    IPlugView*(PLUGIN_API* createView)(IEditController* self, FIDString name);
};
struct IEditController {
    const IEditControllerVtbl* vtbl;
};

struct IMidiMapping;
struct IMidiMappingVtbl {
    VST3_FUNKNOWN_SLOTS(IMidiMapping);
    tresult(PLUGIN_API* getMidiControllerAssignment)(IMidiMapping* self, int32 busIndex, int16 channel,
                                                     CtrlNumber midiControllerNumber, ParamID* id);
};
struct IMidiMapping {
    const IMidiMappingVtbl* vtbl;
};
