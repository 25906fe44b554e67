// The edit controller class: publishes the four parameters, keeps its own copy of their plain
// values (from the component's state and the host's calls), converts values, creates the editor
// views and keeps them informed, and forwards edits made in the editor to the host's component
// handler. Two faces (edit controller, MIDI mapping) share one reference count. It never refers
// to the component.
//
// Threads. The host calls the faces from its UI thread. The editor edits below arrive on an
// editor's own UI thread; they touch only the values and the handler. The views list is the host
// thread's alone (a host that calls the controller from inside performEdit, on the editor's
// thread, must not do so while it also calls it from its own thread).
//
// Destruction releases each view still in the list once (a view the host never released goes
// with the Controller); a view the host still holds afterwards has its editor closed and no
// longer refers to the Controller.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

#include "plugin/params.h"
#include "vst3/abi/vst3_controller.h"
#include "vst3/view_list.h"

struct Controller {
    IEditController edit_controller;
    IMidiMapping midi_mapping;
    std::atomic<uint32_t> refs;
    FUnknown* host_context;  // not counted; null while not initialised
    // Plain values by parameter index (the last one is the read-only Modulated Cutoff). Host
    // calls and editor threads write them without a lock, so each is one indivisible double.
    std::atomic<double> values[PARAM_COUNT];
    // Counted; released on terminate and at destruction. The host thread replaces it while
    // editor threads call it: the lock guards the pointer, and an editor thread holds a reference
    // of its own for the duration of its calls.
    IComponentHandler* handler;
    std::mutex handler_lock;
    ViewList views;
};

static_assert(std::atomic<double>::is_always_lock_free,
              "the Controller's values are written from several threads without a lock");

// A new Controller with count 1, no host context and no handler, or null without memory.
Controller* controller_create(void);

// The stored plain value of parameter `index` (0 to 3).
double controller_value(const Controller* c, uint32_t index);

// Edits from an editor page, with a plain value: each stores the value (snapped to the
// parameter's range) and then calls the host's handler with the normalised stored value:
// begin: beginEdit + performEdit; value: performEdit; end: performEdit + endEdit.
// Without a handler only the value is stored. Any thread.
void controller_edit_begin(Controller* c, uint32_t index, float plain);
void controller_edit_value(Controller* c, uint32_t index, float plain);
void controller_edit_end(Controller* c, uint32_t index, float plain);
