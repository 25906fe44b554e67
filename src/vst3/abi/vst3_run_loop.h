// VST 3 on Linux: the host's run loop, which the plug-in obtains from the IPlugFrame (or the
// host context) with queryInterface, and the two handler interfaces the plug-in gives it: one
// called when a file descriptor becomes readable, one called by a repeating timer.
#pragma once
#include "vst3/abi/vst3_base.h"

typedef int FileDescriptor;
typedef uint64 TimerInterval; // milliseconds

inline constexpr TUID IID_IRunLoop = VST3_IID(0x18C35366u, 0x97764F1Au, 0x9C5B8385u, 0x7A871389u);
inline constexpr TUID IID_IEventHandler = VST3_IID(0x561E65C9u, 0x13A0496Fu, 0x813A2C35u, 0x654D7983u);
inline constexpr TUID IID_ITimerHandler = VST3_IID(0x10BDD94Fu, 0x41424774u, 0x821FAD8Fu, 0xECA72CA9u);

struct IEventHandler;
struct IEventHandlerVtbl {
    VST3_FUNKNOWN_SLOTS(IEventHandler);
    void(PLUGIN_API* onFDIsSet)(IEventHandler* self, FileDescriptor fd);
};
struct IEventHandler {
    const IEventHandlerVtbl* vtbl;
};

struct ITimerHandler;
struct ITimerHandlerVtbl {
    VST3_FUNKNOWN_SLOTS(ITimerHandler);
    void(PLUGIN_API* onTimer)(ITimerHandler* self);
};
struct ITimerHandler {
    const ITimerHandlerVtbl* vtbl;
};

struct IRunLoop;
struct IRunLoopVtbl {
    VST3_FUNKNOWN_SLOTS(IRunLoop);
    tresult(PLUGIN_API* registerEventHandler)(IRunLoop* self, IEventHandler* handler, FileDescriptor fd);
    tresult(PLUGIN_API* unregisterEventHandler)(IRunLoop* self, IEventHandler* handler);
    tresult(PLUGIN_API* registerTimer)(IRunLoop* self, ITimerHandler* handler, TimerInterval milliseconds);
    tresult(PLUGIN_API* unregisterTimer)(IRunLoop* self, ITimerHandler* handler);
};
struct IRunLoop {
    const IRunLoopVtbl* vtbl;
};
