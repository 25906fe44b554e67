// Our declarations of the VST 3 binary interface: basic types, result codes, interface
// identifiers and the unknown/plugin-base interfaces every other interface starts with.
//
// Interfaces are plain structures whose first member points at a table of function pointers
// (one slot per method, in the published order, no destructor slot). Each table repeats the
// slots of the interfaces it extends, as C bindings of COM interfaces do.
#pragma once
#include <cstdint>

typedef int8_t int8;
typedef uint8_t uint8;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;
typedef int32 tresult;
typedef uint8 TBool;
typedef char char8;
typedef char16_t char16;
typedef char16 TChar;
typedef TChar String128[128];
typedef char TUID[16];
typedef const char8* FIDString;

// Windows builds are COM compatible: identifiers in GUID byte order and HRESULT result codes.
#if defined(_WIN32)
#define VELMO_VST3_COM_COMPATIBLE 1
#else
#define VELMO_VST3_COM_COMPATIBLE 0
#endif

// Every method uses the platform's one x86-64 calling convention (stdcall is a no-op there).
#if defined(_WIN32) && !defined(_WIN64)
#define PLUGIN_API __stdcall
#else
#define PLUGIN_API
#endif

#if VELMO_VST3_COM_COMPATIBLE
static constexpr tresult kNoInterface = (tresult)0x80004002u;
static constexpr tresult kResultOk = 0;
static constexpr tresult kResultTrue = 0;
static constexpr tresult kResultFalse = 1;
static constexpr tresult kInvalidArgument = (tresult)0x80070057u;
static constexpr tresult kNotImplemented = (tresult)0x80004001u;
static constexpr tresult kInternalError = (tresult)0x80004005u;
static constexpr tresult kNotInitialized = (tresult)0x8000FFFFu;
static constexpr tresult kOutOfMemory = (tresult)0x8007000Eu;
#else
static constexpr tresult kNoInterface = -1;
static constexpr tresult kResultOk = 0;
static constexpr tresult kResultTrue = 0;
static constexpr tresult kResultFalse = 1;
static constexpr tresult kInvalidArgument = 2;
static constexpr tresult kNotImplemented = 3;
static constexpr tresult kInternalError = 4;
static constexpr tresult kNotInitialized = 5;
static constexpr tresult kOutOfMemory = 6;
#endif

// The 16 bytes of an identifier declared as four 32-bit numbers.
#define VST3_BYTE(x, shift) static_cast<char>(((x) >> (shift)) & 0xFFu)
#define VST3_BE32(x) VST3_BYTE(x, 24), VST3_BYTE(x, 16), VST3_BYTE(x, 8), VST3_BYTE(x, 0)
#if VELMO_VST3_COM_COMPATIBLE
#define VST3_IID(l1, l2, l3, l4)                                                              \
    {VST3_BYTE(l1, 0),  VST3_BYTE(l1, 8), VST3_BYTE(l1, 16), VST3_BYTE(l1, 24),               \
     VST3_BYTE(l2, 16), VST3_BYTE(l2, 24), VST3_BYTE(l2, 0), VST3_BYTE(l2, 8),                 \
     VST3_BE32(l3),     VST3_BE32(l4)}
#else
#define VST3_IID(l1, l2, l3, l4) {VST3_BE32(l1), VST3_BE32(l2), VST3_BE32(l3), VST3_BE32(l4)}
#endif

inline constexpr TUID IID_FUnknown = VST3_IID(0x00000000u, 0x00000000u, 0xC0000000u, 0x00000046u);
inline constexpr TUID IID_IPluginBase = VST3_IID(0x22888DDBu, 0x156E45AEu, 0x8358B348u, 0x08190625u);

// Identifiers are compared as 16 raw bytes.
inline bool iid_equal(const char* a, const char* b) {
    for (int i = 0; i < 16; i++)
        if (a[i] != b[i]) return false;
    return true;
}

#define VST3_FUNKNOWN_SLOTS(Self)                                                   \
    tresult(PLUGIN_API* queryInterface)(Self * self, const TUID iid, void** obj);  \
    uint32(PLUGIN_API* addRef)(Self * self);                                         \
    uint32(PLUGIN_API* release)(Self * self)

#define VST3_PLUGIN_BASE_SLOTS(Self)                                   \
    VST3_FUNKNOWN_SLOTS(Self);                                         \
    tresult(PLUGIN_API* initialize)(Self * self, struct FUnknown * context); \
    tresult(PLUGIN_API* terminate)(Self * self)

struct FUnknownVtbl {
    VST3_FUNKNOWN_SLOTS(struct FUnknown);
};
struct FUnknown {
    const FUnknownVtbl* vtbl;
};

// Reference counting on any interface pointer (every table starts with the unknown's slots).
inline uint32 funknown_add_ref(void* object) {
    FUnknown* u = static_cast<FUnknown*>(object);
    return u->vtbl->addRef(u);
}
inline uint32 funknown_release(void* object) {
    FUnknown* u = static_cast<FUnknown*>(object);
    return u->vtbl->release(u);
}
