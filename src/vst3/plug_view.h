// The editor view that the Controller creates for "editor": it runs the web editor inside the
// host's window (IPlugView; platform type "HWND" on Windows, plug_view_windows.cpp;
// "X11EmbedWindowID" on Linux, plug_view_linux.cpp, where the host's run loop serves it).
//
// Threads. The host calls the view, and the Controller calls the functions below, from its UI
// thread. On Windows the editor's page callbacks and the idle timer run on the editor's own UI
// thread (on Linux they run on the host's UI thread, from its run loop);
// they reach the Controller only while an editor is open, and the Controller closes every open
// editor of its views before it is destroyed, so they never see a destroyed Controller.
#pragma once
#include <atomic>
#include <cstdint>

#include "editor_host.h"
#include "vst3/abi/vst3_view.h"

struct Controller;

struct PlugView {
    IPlugView plug_view;
    std::atomic<uint32_t> refs;
    IPlugFrame* frame;       // kept without a reference, never called
    EditorHost* editor;      // null while no editor is open
    Controller* controller;  // not counted; null once the Controller is gone
    uintptr_t timer_id;      // of the idle timer while the editor is open
    // attached and the editor's close wait while serving messages sent to the host's thread, so
    // the host may call the view from inside them; these say what is under way meanwhile.
    bool attaching;          // inside attached
    bool close_deferred;     // removed was called inside attached: attached closes on its way out
    bool closing;            // inside the editor's close
    uint32_t unsent;         // inside attached: bit i set while the page still needs value i
};

// A new view with count 1 in the Controller's list, or null (no memory, or no editor on this
// platform).
IPlugView* plug_view_create(Controller* controller);

// Sends a plain value to the view's page if its editor is open; waits until the editor has it.
void plug_view_send_value(PlugView* view, uint32_t index, float value);

// The Controller is being destroyed: closes the view's editor and forgets the Controller. The
// list never owned a reference, so none is dropped: a view the host still holds stays valid
// (attached then returns kResultFalse) until the host's own final release; one the host lets go
// of while the editor closes is freed on the way out.
void plug_view_controller_gone(PlugView* view);

// What both platforms' views share (plug_view_shared.cpp): the descriptor their editor opens
// with, and the IPlugView calls that need nothing of the platform.
EditorDescriptor plug_view_descriptor(PlugView* view);
tresult PLUGIN_API plug_view_query(IPlugView* self, const TUID iid, void** obj);
uint32 PLUGIN_API plug_view_add_ref(IPlugView* self);
tresult PLUGIN_API plug_view_on_wheel(IPlugView* self, float distance);
tresult PLUGIN_API plug_view_on_key(IPlugView* self, char16 key, int16 key_code, int16 modifiers);
tresult PLUGIN_API plug_view_on_focus(IPlugView* self, TBool state);
tresult PLUGIN_API plug_view_set_frame(IPlugView* self, IPlugFrame* frame);
tresult PLUGIN_API plug_view_can_resize(IPlugView* self);
tresult PLUGIN_API plug_view_check_size_constraint(IPlugView* self, ViewRect* rect);
