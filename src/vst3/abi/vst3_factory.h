// VST 3 factory: the factory and class descriptions and the factory interface (versions 1-3).
#pragma once
#include "vst3/abi/vst3_base.h"

inline constexpr TUID IID_IPluginFactory = VST3_IID(0x7A4D811Cu, 0x52114A1Fu, 0xAED9D2EEu, 0x0B43BF9Fu);
inline constexpr TUID IID_IPluginFactory2 = VST3_IID(0x0007B650u, 0xF24B4C0Bu, 0xA464EDB9u, 0xF00B2ABBu);
inline constexpr TUID IID_IPluginFactory3 = VST3_IID(0x4555A2ABu, 0xC1234E57u, 0x9B122910u, 0x36878931u);

enum : int32 {
    kFactoryNoFlags = 0,
    kFactoryClassesDiscardable = 1 << 0,
    kFactoryComponentNonDiscardable = 1 << 3,
    kFactoryUnicode = 1 << 4,
};
enum : int32 { kManyInstances = 0x7FFFFFFF };
enum : uint32 { kDistributable = 1 << 0, kSimpleModeSupported = 1 << 1 };

struct PFactoryInfo {
    char8 vendor[64];
    char8 url[256];
    char8 email[128];
    int32 flags;
};

struct PClassInfo {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
};

struct PClassInfo2 {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char8 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char8 vendor[64];
    char8 version[64];
    char8 sdkVersion[64];
};

struct PClassInfoW {
    TUID cid;
    int32 cardinality;
    char8 category[32];
    char16 name[64];
    uint32 classFlags;
    char8 subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

// One table serves all three versions: each extends the previous one.
struct IPluginFactory3;
struct IPluginFactory3Vtbl {
    VST3_FUNKNOWN_SLOTS(IPluginFactory3);
    tresult(PLUGIN_API* getFactoryInfo)(IPluginFactory3* self, PFactoryInfo* info);
    int32(PLUGIN_API* countClasses)(IPluginFactory3* self);
    tresult(PLUGIN_API* getClassInfo)(IPluginFactory3* self, int32 index, PClassInfo* info);
    tresult(PLUGIN_API* createInstance)(IPluginFactory3* self, FIDString cid, FIDString iid, void** obj);
    tresult(PLUGIN_API* getClassInfo2)(IPluginFactory3* self, int32 index, PClassInfo2* info);
    tresult(PLUGIN_API* getClassInfoUnicode)(IPluginFactory3* self, int32 index, PClassInfoW* info);
    tresult(PLUGIN_API* setHostContext)(IPluginFactory3* self, FUnknown* context);
};
struct IPluginFactory3 {
    const IPluginFactory3Vtbl* vtbl;
};
