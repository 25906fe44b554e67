#include "vst3/plug_view.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "editor_host.h"
#include "vst3/controller.h"

static const int editor_width = 800;
static const int editor_height = 600;
static const UINT idle_interval_ms = 20;
// Resize in place: keep position, z-order, owner z-order and activation.
static const UINT resize_flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE;

static PlugView* of(IPlugView* face) { return (PlugView*)face; }  // the face is the first member

// Runs on the thread that owns the editor window. The editor member is set before the timer
// starts and cleared only after the editor's thread has ended, so it is stable here.
static void CALLBACK idle_timer(HWND, UINT, UINT_PTR id, DWORD) { editorIdle(((PlugView*)id)->editor); }

static HWND editor_window(const PlugView* v) { return (HWND)editorWindow(v->editor); }

// ---- waiting safely
//
// attached and the editor's close wait while serving messages sent to this thread, so the host's
// window procedure can run inside them and call removed, attached or release on the view, or
// release the Controller. Each call that waits holds a reference on the view (unless it is the
// view's own last release) and one on the Controller (unless the Controller is being destroyed),
// and looks at the view again after every wait.

// A reference on the view's Controller for the length of a call, or null when there is none or
// it is being destroyed (count 0): then it is freed only after it has let its views go, which
// happens below this call on the stack, so it outlives the call anyway.
static Controller* hold_controller(PlugView* v) {
    Controller* c = v->controller;
    if (!c) return nullptr;
    uint32_t count = c->refs.load();
    do {
        if (count == 0) return nullptr;
    } while (!c->refs.compare_exchange_weak(count, count + 1));
    return c;
}

static void let_controller_go(Controller* c) {
    if (c) funknown_release(&c->edit_controller);  // may destroy it, and close the view's editor
}

// Closes the open editor. The caller holds the view. A call made from inside its waits finds the
// view closing and leaves the work to this one.
static void close_editor(PlugView* v) {
    if (!v->editor || v->closing) return;
    v->closing = true;
    editorStopTimer(v->editor, v->timer_id);
    editorClose(v->editor);
    v->editor = nullptr;
    v->timer_id = 0;
    v->closing = false;
}

// ---- IPlugView

static uint32 PLUGIN_API view_release(IPlugView* self) {
    PlugView* v = of(self);
    uint32 left = v->refs.fetch_sub(1) - 1;
    if (left == 0) {
        Controller* controller = hold_controller(v);  // the page may still edit while the editor closes
        close_editor(v);
        if (v->controller) view_list_remove(&v->controller->views, v);
        let_controller_go(controller);
        delete v;
    }
    return left;
}

static bool is_hwnd(FIDString type) { return type && strcmp(type, kPlatformTypeHWND) == 0; }

static tresult PLUGIN_API is_platform_type_supported(IPlugView*, FIDString type) {
    return is_hwnd(type) ? kResultTrue : kResultFalse;
}

// True once the host no longer wants what attached is opening: it called removed, or let go of the
// view or of the Controller (only attached's own references are left).
static bool attach_abandoned(const PlugView* v, const Controller* c) {
    return v->close_deferred || v->refs.load() == 1 || c->refs.load() == 1;
}

// Opens the editor, starts its idle timer and sends the page every value. False when a step
// failed or the attach was abandoned during a wait; an editor may then be left for the caller
// to close.
static bool open_editor(PlugView* v, Controller* c, void* parent) {
    EditorDescriptor descriptor = plug_view_descriptor(v);
    v->editor = editorOpen(true, parent, &descriptor, editor_width, editor_height, PARAM_COUNT);
    if (!v->editor || attach_abandoned(v, c)) return false;
    v->timer_id = (uintptr_t)v;
    // Set by the editor's own thread: Windows refuses timers on another thread's window.
    if (!editorStartTimer(v->editor, v->timer_id, idle_interval_ms, idle_timer) || attach_abandoned(v, c))
        return false;
    // In index order; a value the host changes meanwhile is marked again by plug_view_send_value.
    while (v->unsent != 0) {
        uint32_t index = (uint32_t)__builtin_ctz(v->unsent);
        v->unsent &= ~(1u << index);
        editorSendValue(v->editor, index, (float)controller_value(c, index));
        if (attach_abandoned(v, c)) return false;
    }
    return true;
}

static tresult PLUGIN_API attached(IPlugView* self, void* parent, FIDString type) {
    PlugView* v = of(self);
    if (!is_hwnd(type) || !parent || v->editor || v->attaching || v->closing) return kInvalidArgument;
    Controller* controller = hold_controller(v);
    if (!controller) return kResultFalse;  // the Controller is gone: nothing to show or edit
    v->refs.fetch_add(1);
    v->attaching = true;
    v->close_deferred = false;
    v->unsent = (1u << PARAM_COUNT) - 1;
    bool opened = open_editor(v, controller, parent);
    v->attaching = false;
    if (!opened) close_editor(v);
    let_controller_go(controller);  // if the host let it go, the editor closes with it now
    bool open = v->editor != nullptr;
    bool view_kept = view_release(self) != 0;  // if the host let the view go, it goes now
    return open && view_kept ? kResultOk : kResultFalse;
}

static tresult PLUGIN_API removed(IPlugView* self) {
    PlugView* v = of(self);
    // Inside attached the editor thread may itself be blocked sending to the host's window, so
    // waiting for it here could never end: attached closes the editor when its wait returns.
    if (v->attaching) {
        v->close_deferred = true;
        return kResultOk;
    }
    if (!v->editor || v->closing) return kResultOk;
    v->refs.fetch_add(1);
    Controller* controller = hold_controller(v);
    close_editor(v);
    let_controller_go(controller);
    view_release(self);
    return kResultOk;
}

static tresult PLUGIN_API get_size(IPlugView* self, ViewRect* size) {
    PlugView* v = of(self);
    if (!size) return kInvalidArgument;
    *size = ViewRect{0, 0, 0, 0};
    RECT window;
    if (v->editor && GetWindowRect(editor_window(v), &window)) {
        size->right = window.right - window.left;
        size->bottom = window.bottom - window.top;
        if (size->right > 0 && size->bottom > 0) return kResultOk;
    }
    size->right = editor_width;
    size->bottom = editor_height;
    return kResultOk;
}

static tresult PLUGIN_API on_size(IPlugView* self, ViewRect* size) {
    PlugView* v = of(self);
    if (!size) return kInvalidArgument;
    if (!v->editor) return kResultFalse;
    // The editor makes its page follow the window; what SetWindowPos reports changes nothing.
    SetWindowPos(editor_window(v), nullptr, 0, 0, size->right - size->left, size->bottom - size->top, resize_flags);
    return kResultOk;
}

static const IPlugViewVtbl view_vtbl = {
    plug_view_query, plug_view_add_ref, view_release, is_platform_type_supported, attached, removed,
    plug_view_on_wheel, plug_view_on_key, plug_view_on_key, get_size, on_size, plug_view_on_focus,
    plug_view_set_frame, plug_view_can_resize, plug_view_check_size_constraint,
};

// ---- the Controller's side

IPlugView* plug_view_create(Controller* controller) {
    PlugView* v = new (std::nothrow) PlugView();
    if (!v) return nullptr;
    v->plug_view.vtbl = &view_vtbl;
    v->refs.store(1);
    v->controller = controller;
    if (view_list_add(&controller->views, v) != 0) {
        delete v;
        return nullptr;
    }
    return &v->plug_view;
}

void plug_view_send_value(PlugView* view, uint32_t index, float value) {
    // Inside attached (or a close) a second handshake with the same editor must not start:
    // attached sends the latest value itself.
    if (view->attaching)
        view->unsent |= 1u << index;
    else if (view->editor && !view->closing)
        editorSendValue(view->editor, index, value);
}

void plug_view_controller_gone(PlugView* view) {
    view->refs.fetch_add(1);  // the host may let the view go while its editor closes
    close_editor(view);
    view->controller = nullptr;
    view_release(&view->plug_view);
}
