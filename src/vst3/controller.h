// The edit controller class: publishes the four parameters, keeps its own copy of their plain
// values (from the component's state and the host's calls), converts values, and forwards
// edits made in the editor to the host's component handler. Two faces (edit controller, MIDI
// mapping) share one reference count. It never refers to the component.
#pragma once
#include <atomic>
#include <cstdint>

#include "engine/params.h"
#include "vst3/abi/vst3_controller.h"

struct Controller {
    IEditController edit_controller;
    IMidiMapping midi_mapping;
    std::atomic<uint32_t> refs;
    FUnknown* host_context;  // not counted
    uint8_t initialized;
    // Plain values by parameter index (the last one is the read-only Modulated Cutoff). Host
    // calls and editor threads write them without a lock, so each is one indivisible double.
    std::atomic<double> values[PARAM_COUNT];
    IComponentHandler* handler;  // counted; released on terminate and at destruction
};

// A new Controller with count 1, no host context and no handler, or null without memory.
Controller* controller_create(void);

// The stored plain value of parameter `index` (0 to 3).
double controller_value(const Controller* c, uint32_t index);

// Edits from an editor page, with a plain value: each stores the value (snapped to the
// parameter's range) and then calls the host's handler with the normalised stored value:
// begin: beginEdit + performEdit; value: performEdit; end: performEdit + endEdit.
// Without a handler only the value is stored.
void controller_edit_begin(Controller* c, uint32_t index, float plain);
void controller_edit_value(Controller* c, uint32_t index, float plain);
void controller_edit_end(Controller* c, uint32_t index, float plain);
