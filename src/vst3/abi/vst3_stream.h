// VST 3 byte stream, the host object that carries a saved state.
#pragma once
#include "vst3/abi/vst3_base.h"

inline constexpr TUID IID_IBStream = VST3_IID(0xC3BF6EA2u, 0x30994752u, 0x9B6BF990u, 0x1EE33E9Bu);

enum : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

struct IBStream;
struct IBStreamVtbl {
    VST3_FUNKNOWN_SLOTS(IBStream);
    tresult(PLUGIN_API* read)(IBStream* self, void* buffer, int32 numBytes, int32* numBytesRead);
    tresult(PLUGIN_API* write)(IBStream* self, void* buffer, int32 numBytes, int32* numBytesWritten);
    tresult(PLUGIN_API* seek)(IBStream* self, int64 pos, int32 mode, int64* result);
    tresult(PLUGIN_API* tell)(IBStream* self, int64* pos);
};
struct IBStream {
    const IBStreamVtbl* vtbl;
};
