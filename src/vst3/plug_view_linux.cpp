// The editor view on Linux: the web editor's helper inside the host's X11 window (platform type
// "X11EmbedWindowID"). The host's run loop (IRunLoop, from the IPlugFrame or else the host
// context) calls the view's handlers when the helper's socket is readable and every 20 ms; both
// read the helper's frames on the host's UI thread.
#include "vst3/plug_view.h"

#include <atomic>
#include <cstring>
#include <new>

#include "editor_linux.h"
#include "vst3/abi/vst3_run_loop.h"
#include "vst3/controller.h"

static const int editor_width = 800;
static const int editor_height = 600;
static const TimerInterval idle_interval_ms = 20;

// What the view registers with the run loop: counted on its own, so that the host's references
// to the handlers never keep the view alive (its last release still closes the editor), and the
// host may drop them after the view is gone.
struct RunLoopClient;
struct EventFace {
    IEventHandler face;
    RunLoopClient* client;
};
struct TimerFace {
    ITimerHandler face;
    RunLoopClient* client;
};
struct RunLoopClient {
    EventFace event_handler;
    TimerFace timer_handler;
    std::atomic<uint32_t> refs;
    struct LinuxPlugView* view;  // null once the view has closed its editor
};

struct LinuxPlugView {
    PlugView view;  // first: the Controller's list and the IPlugView face see this part
    IRunLoop* run_loop;  // counted, while an editor is open
    RunLoopClient* client;  // while an editor is open
    bool watching_socket;
    bool timer_running;
};

static LinuxPlugView* of(IPlugView* face) { return (LinuxPlugView*)face; }

static uint32 client_release(RunLoopClient* c) {
    uint32 left = c->refs.fetch_sub(1) - 1;
    if (left == 0) delete c;
    return left;
}

static void stop_watching_socket(LinuxPlugView* v) {
    if (!v->watching_socket) return;
    v->run_loop->vtbl->unregisterEventHandler(v->run_loop, &v->client->event_handler.face);
    v->watching_socket = false;
}

static void close_editor(LinuxPlugView* v) {
    if (v->run_loop) {
        stop_watching_socket(v);
        if (v->timer_running) v->run_loop->vtbl->unregisterTimer(v->run_loop, &v->client->timer_handler.face);
        v->timer_running = false;
        funknown_release(v->run_loop);
        v->run_loop = nullptr;
    }
    if (v->client) {
        v->client->view = nullptr;  // a host that still calls it reaches nothing
        client_release(v->client);
        v->client = nullptr;
    }
    if (v->view.editor) editorClose(v->view.editor);
    v->view.editor = nullptr;
}

// Reads what the helper sent. Once it has gone, its socket is closed: the host must stop
// watching it before the descriptor's number can be reused. The editor stays until removed.
// The editor is read again after editorIdle: the page's edits may have closed it.
static void serve_editor(LinuxPlugView* v) {
    if (!v->view.editor) return;
    editorIdle(v->view.editor);
    if (v->view.editor && !editorIsOpen(v->view.editor)) stop_watching_socket(v);
}

// ---- IEventHandler and ITimerHandler

static RunLoopClient* client_of(IEventHandler* face) { return ((EventFace*)face)->client; }
static RunLoopClient* client_of(ITimerHandler* face) { return ((TimerFace*)face)->client; }

static tresult client_query(RunLoopClient* c, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    void* face = nullptr;
    if (iid && iid_equal(iid, IID_IEventHandler)) face = &c->event_handler.face;
    else if (iid && iid_equal(iid, IID_ITimerHandler)) face = &c->timer_handler.face;
    else if (iid && iid_equal(iid, IID_FUnknown)) face = &c->event_handler.face;
    *obj = face;
    if (!face) return kNoInterface;
    c->refs.fetch_add(1);
    return kResultOk;
}

// The view is held meanwhile: a host may release it, or remove its editor, from inside the
// page's edits (performEdit), which run within editorIdle.
static void client_serve(RunLoopClient* c) {
    LinuxPlugView* v = c->view;
    if (!v) return;
    v->view.plug_view.vtbl->addRef(&v->view.plug_view);
    serve_editor(v);
    v->view.plug_view.vtbl->release(&v->view.plug_view);
}

static tresult PLUGIN_API event_query(IEventHandler* self, const TUID iid, void** obj) { return client_query(client_of(self), iid, obj); }
static uint32 PLUGIN_API event_add_ref(IEventHandler* self) { return client_of(self)->refs.fetch_add(1) + 1; }
static uint32 PLUGIN_API event_release(IEventHandler* self) { return client_release(client_of(self)); }
static void PLUGIN_API on_fd_is_set(IEventHandler* self, FileDescriptor) { client_serve(client_of(self)); }

static tresult PLUGIN_API timer_query(ITimerHandler* self, const TUID iid, void** obj) { return client_query(client_of(self), iid, obj); }
static uint32 PLUGIN_API timer_add_ref(ITimerHandler* self) { return client_of(self)->refs.fetch_add(1) + 1; }
static uint32 PLUGIN_API timer_release(ITimerHandler* self) { return client_release(client_of(self)); }
static void PLUGIN_API on_timer(ITimerHandler* self) { client_serve(client_of(self)); }

static const IEventHandlerVtbl event_vtbl = {event_query, event_add_ref, event_release, on_fd_is_set};
static const ITimerHandlerVtbl timer_vtbl = {timer_query, timer_add_ref, timer_release, on_timer};

// ---- IPlugView

static uint32 PLUGIN_API view_release(IPlugView* self) {
    LinuxPlugView* v = of(self);
    uint32 left = v->view.refs.fetch_sub(1) - 1;
    if (left == 0) {
        close_editor(v);
        if (v->view.controller) view_list_remove(&v->view.controller->views, &v->view);
        delete v;
    }
    return left;
}

static bool is_x11(FIDString type) { return type && strcmp(type, kPlatformTypeX11EmbedWindowID) == 0; }

static tresult PLUGIN_API is_platform_type_supported(IPlugView*, FIDString type) {
    return is_x11(type) ? kResultTrue : kResultFalse;
}

// The host's run loop: asked of the frame first, then of the host context.
static IRunLoop* find_run_loop(LinuxPlugView* v) {
    void* run_loop = nullptr;
    FUnknown* frame = (FUnknown*)v->view.frame;
    if (frame && frame->vtbl->queryInterface(frame, IID_IRunLoop, &run_loop) == kResultOk && run_loop)
        return (IRunLoop*)run_loop;
    run_loop = nullptr;
    FUnknown* context = v->view.controller ? v->view.controller->host_context : nullptr;
    if (context && context->vtbl->queryInterface(context, IID_IRunLoop, &run_loop) == kResultOk && run_loop)
        return (IRunLoop*)run_loop;
    return nullptr;
}

static tresult PLUGIN_API attached(IPlugView* self, void* parent, FIDString type) {
    LinuxPlugView* v = of(self);
    if (!is_x11(type) || !parent || v->view.editor) return kInvalidArgument;
    if (!v->view.controller) return kResultFalse;  // the Controller is gone: nothing to show or edit
    // Without the host's run loop nothing would ever read the helper's frames.
    v->run_loop = find_run_loop(v);
    if (!v->run_loop) return kResultFalse;
    EditorDescriptor descriptor = plug_view_descriptor(&v->view);
    v->client = new (std::nothrow) RunLoopClient();
    if (v->client) {
        v->client->event_handler = EventFace{{&event_vtbl}, v->client};
        v->client->timer_handler = TimerFace{{&timer_vtbl}, v->client};
        v->client->refs.store(1);
        v->client->view = v;
        v->view.editor = editorOpen(true, parent, &descriptor, editor_width, editor_height, PARAM_COUNT);
    }
    if (v->view.editor) {
        IRunLoop* loop = v->run_loop;
        v->watching_socket = loop->vtbl->registerEventHandler(loop, &v->client->event_handler.face,
                                                              editorSocket(v->view.editor)) == kResultOk;
        v->timer_running = v->watching_socket && loop->vtbl->registerTimer(loop, &v->client->timer_handler.face,
                                                                           idle_interval_ms) == kResultOk;
    }
    if (!v->view.editor || !v->timer_running) {
        close_editor(v);
        return kResultFalse;
    }
    for (uint32_t i = 0; i < PARAM_COUNT; i++)
        editorSendValue(v->view.editor, i, (float)controller_value(v->view.controller, i));
    return kResultOk;
}

static tresult PLUGIN_API removed(IPlugView* self) {
    close_editor(of(self));
    return kResultOk;
}

static tresult PLUGIN_API get_size(IPlugView* self, ViewRect* size) {
    LinuxPlugView* v = of(self);
    if (!size) return kInvalidArgument;
    int width = 0, height = 0;
    if (v->view.editor) editorSize(v->view.editor, &width, &height);
    if (width <= 0 || height <= 0) {
        width = editor_width;
        height = editor_height;
    }
    *size = ViewRect{0, 0, width, height};
    return kResultOk;
}

static tresult PLUGIN_API on_size(IPlugView* self, ViewRect* size) {
    LinuxPlugView* v = of(self);
    if (!size) return kInvalidArgument;
    if (!v->view.editor) return kResultFalse;
    editorSetSize(v->view.editor, size->right - size->left, size->bottom - size->top);
    return kResultOk;
}

static const IPlugViewVtbl view_vtbl = {
    plug_view_query, plug_view_add_ref, view_release, is_platform_type_supported, attached, removed,
    plug_view_on_wheel, plug_view_on_key, plug_view_on_key, get_size, on_size, plug_view_on_focus,
    plug_view_set_frame, plug_view_can_resize, plug_view_check_size_constraint,
};

// ---- the Controller's side

IPlugView* plug_view_create(Controller* controller) {
    LinuxPlugView* v = new (std::nothrow) LinuxPlugView();
    if (!v) return nullptr;
    v->view.plug_view.vtbl = &view_vtbl;
    v->view.refs.store(1);
    v->view.controller = controller;
    if (view_list_add(&controller->views, &v->view) != 0) {
        delete v;
        return nullptr;
    }
    return &v->view.plug_view;
}

void plug_view_send_value(PlugView* view, uint32_t index, float value) {
    if (view->editor) editorSendValue(view->editor, index, value);
}

void plug_view_controller_gone(PlugView* view) {
    close_editor((LinuxPlugView*)view);
    view->controller = nullptr;
}
