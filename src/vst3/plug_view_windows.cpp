#include "vst3/plug_view.h"

#include <windows.h>

#include <cstring>
#include <new>

#include "editor_host.h"
#include "vst3/controller.h"
#include "vst3/module_paths.h"

static const int editor_width = 800;
static const int editor_height = 600;
static const UINT idle_interval_ms = 20;
// Resize in place: keep position, z-order, owner z-order and activation.
static const UINT resize_flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE;

static PlugView* of(IPlugView* face) { return (PlugView*)face; }  // the face is the first member

// ---- the editor descriptor (its callbacks run on the editor's UI thread)

static const char* module_folder(void*) { return module_directory(); }
static const char* resources_folder(void*) { return resources_directory(); }

static void on_editor_begin(void* user, uint32_t index, float value) {
    controller_edit_begin(((PlugView*)user)->controller, index, value);
}
static void on_editor_value(void* user, uint32_t index, float value) {
    controller_edit_value(((PlugView*)user)->controller, index, value);
}
static void on_editor_end(void* user, uint32_t index, float value) {
    controller_edit_end(((PlugView*)user)->controller, index, value);
}

// Runs on the thread that owns the editor window. The editor member is set before the timer
// starts and cleared only after the editor's thread has ended, so it is stable here.
static void CALLBACK idle_timer(HWND, UINT, UINT_PTR id, DWORD) { editorIdle(((PlugView*)id)->editor); }

static HWND editor_window(const PlugView* v) { return (HWND)editorWindow(v->editor); }

static void close_editor(PlugView* v) {
    if (!v->editor) return;
    editorStopTimer(v->editor, v->timer_id);
    editorClose(v->editor);
    v->editor = nullptr;
    v->timer_id = 0;
}

// ---- IPlugView

static tresult PLUGIN_API view_query(IPlugView* self, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (!iid || !(iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPlugView))) {
        *obj = nullptr;
        return kNoInterface;
    }
    of(self)->refs.fetch_add(1);
    *obj = self;
    return kResultOk;
}

static uint32 PLUGIN_API view_add_ref(IPlugView* self) { return of(self)->refs.fetch_add(1) + 1; }

static uint32 PLUGIN_API view_release(IPlugView* self) {
    PlugView* v = of(self);
    uint32 left = v->refs.fetch_sub(1) - 1;
    if (left == 0) {
        close_editor(v);
        if (v->controller) view_list_remove(&v->controller->views, v);
        delete v;
    }
    return left;
}

static bool is_hwnd(FIDString type) { return type && strcmp(type, kPlatformTypeHWND) == 0; }

static tresult PLUGIN_API is_platform_type_supported(IPlugView*, FIDString type) {
    return is_hwnd(type) ? kResultTrue : kResultFalse;
}

static tresult PLUGIN_API attached(IPlugView* self, void* parent, FIDString type) {
    PlugView* v = of(self);
    if (!is_hwnd(type) || !parent || v->editor) return kInvalidArgument;
    if (!v->controller) return kResultFalse;  // the Controller is gone: nothing to show or edit
    EditorDescriptor descriptor = {v, "vst3", module_folder, resources_folder,
                                   on_editor_begin, on_editor_value, on_editor_end};
    EditorHost* editor = editorOpen(true, parent, &descriptor, editor_width, editor_height, PARAM_COUNT);
    if (!editor) return kResultFalse;
    v->editor = editor;
    v->timer_id = (uintptr_t)v;
    // Set by the editor's own thread: Windows refuses timers on another thread's window.
    if (!editorStartTimer(editor, v->timer_id, idle_interval_ms, idle_timer)) {
        editorClose(editor);
        v->editor = nullptr;
        v->timer_id = 0;
        return kResultFalse;
    }
    for (uint32_t i = 0; i < PARAM_COUNT; i++) editorSendValue(editor, i, (float)controller_value(v->controller, i));
    return kResultOk;
}

static tresult PLUGIN_API removed(IPlugView* self) {
    close_editor(of(self));
    return kResultOk;
}

// Wheel, keys and focus reach the editor window directly.
static tresult PLUGIN_API on_wheel(IPlugView*, float) { return kResultFalse; }
static tresult PLUGIN_API on_key(IPlugView*, char16, int16, int16) { return kResultFalse; }
static tresult PLUGIN_API on_focus(IPlugView*, TBool) { return kResultFalse; }

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

static tresult PLUGIN_API set_frame(IPlugView* self, IPlugFrame* frame) {
    of(self)->frame = frame;
    return kResultOk;
}

static tresult PLUGIN_API can_resize(IPlugView*) { return kResultTrue; }
static tresult PLUGIN_API check_size_constraint(IPlugView*, ViewRect*) { return kResultTrue; }  // any size

static const IPlugViewVtbl view_vtbl = {
    view_query, view_add_ref, view_release, is_platform_type_supported, attached, removed, on_wheel,
    on_key, on_key, get_size, on_size, on_focus, set_frame, can_resize, check_size_constraint,
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
    if (view->editor) editorSendValue(view->editor, index, value);
}

void plug_view_controller_gone(PlugView* view) {
    close_editor(view);
    view->controller = nullptr;
}
