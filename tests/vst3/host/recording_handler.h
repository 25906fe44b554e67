// A host component handler that records every call, in order, and counts its references.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "vst3/abi/vst3_controller.h"

struct HandlerCall {
    std::string what;  // "begin", "perform", "end", "restart"
    ParamID id;
    ParamValue value;
};

struct RecordingHandler {
    IComponentHandler handler;
    std::atomic<uint32_t> refs;
    std::vector<HandlerCall> calls;
    std::function<void(const HandlerCall&)> after_call;  // optional: what the host does next
    RecordingHandler();
};
