// The stand-in's environment, controller, web view, settings and event-argument objects.
#include <string.h>

#include <utility>

#include "standin_internal.h"

const IID STANDIN_IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID STANDIN_IID_Environment = {0xB96D755E, 0x0319, 0x4E92, {0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}};
const IID STANDIN_IID_EnvironmentOptions = {0x2FDE08A8, 0x1E9A, 0x4766, {0x8C, 0x05, 0x95, 0xA9, 0xCE, 0xB9, 0xD1, 0xC5}};
const IID STANDIN_IID_EnvironmentCompletedHandler = {0x4E8A3389, 0xC9D8, 0x4BD2, {0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}};
const IID STANDIN_IID_ControllerCompletedHandler = {0x6C4819F3, 0xC9B7, 0x4260, {0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}};
const IID STANDIN_IID_WebMessageReceivedEventHandler = {0x57213F19, 0x00E6, 0x49FA, {0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}};
const IID STANDIN_IID_NavigationStartingEventHandler = {0x9ADBE429, 0xF36D, 0x432B, {0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}};
const IID STANDIN_IID_Controller = {0x4D00C0D1, 0x9434, 0x4EB6, {0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}};
const IID STANDIN_IID_CoreWebView2 = {0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
const IID STANDIN_IID_Settings = {0xE562E4F0, 0xD7FA, 0x43AC, {0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}};
const IID STANDIN_IID_WebMessageReceivedEventArgs = {0x0F99A40C, 0xE962, 0x4207, {0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}};
const IID STANDIN_IID_NavigationStartingEventArgs = {0x5B495469, 0xE119, 0x438A, {0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}};

#define METHOD static HRESULT STDMETHODCALLTYPE

// ---- calling the editor's objects by slot --------------------------------------------------

typedef HRESULT(STDMETHODCALLTYPE* QueryFn)(void*, const IID*, void**);
typedef ULONG(STDMETHODCALLTYPE* CountFn)(void*);

static void** table_of(void* object)
{
    return *(void***)object;
}

ULONG standin_add_ref(void* object)
{
    return ((CountFn)table_of(object)[1])(object);
}

ULONG standin_release(void* object)
{
    return ((CountFn)table_of(object)[2])(object);
}

bool standin_is_face(void* object, const IID& iid)
{
    void* face = NULL;
    HRESULT result = ((QueryFn)table_of(object)[0])(object, &iid, &face);
    if (FAILED(result) || !face) return false;
    standin_release(face);
    return face == object;
}

// ---- common object behaviour ---------------------------------------------------------------

METHOD object_query(StandinObject* self, const IID* iid, void** out)
{
    if (!out) return E_POINTER;
    if (memcmp(iid, &STANDIN_IID_IUnknown, sizeof(IID)) == 0 || memcmp(iid, self->iid, sizeof(IID)) == 0) {
        InterlockedIncrement(&self->count);
        *out = self;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

static ULONG STDMETHODCALLTYPE object_add_ref(StandinObject* self)
{
    return (ULONG)InterlockedIncrement(&self->count);
}

static ULONG STDMETHODCALLTYPE object_release(StandinObject* self)
{
    LONG count = InterlockedDecrement(&self->count);
    if (count < 0) standin_error(self->environment, "%s released too often", self->name);
    if (count == 0) {
        self->destroy(self);
        standin_count_object(-1);
    }
    return count < 0 ? 0 : (ULONG)count;
}

bool standin_on_thread(StandinObject* object, const char* method)
{
    if (GetCurrentThreadId() == object->thread) return true;
    standin_error(object->environment, "%s::%s called from another thread", object->name, method);
    return false;
}

// Slots nobody should call: each logs its own number.
template <int Slot>
METHOD unexpected_slot(StandinObject* self)
{
    standin_error(self->environment, "%s slot %d called", self->name, Slot);
    return E_NOTIMPL;
}

template <size_t... Slots>
static void fill_unexpected(void** table, std::index_sequence<Slots...>)
{
    ((table[Slots] = (void*)&unexpected_slot<(int)Slots>), ...);
}

template <size_t N>
static void init_table(void* (&table)[N])
{
    fill_unexpected(table, std::make_index_sequence<N>());
    table[0] = (void*)&object_query;
    table[1] = (void*)&object_add_ref;
    table[2] = (void*)&object_release;
}

void standin_object_init(StandinObject* object, void** table, int environment, const char* name,
                         const IID* iid, void (*destroy)(StandinObject*))
{
    object->table = table;
    object->count = 1;
    object->environment = environment;
    object->thread = GetCurrentThreadId();
    object->name = name;
    object->iid = iid;
    object->destroy = destroy;
    standin_count_object(+1);
}

// A failing step logs itself too, so that the log shows where the chain stopped.
static HRESULT step(StandinObject* self, const char* method)
{
    standin_on_thread(self, method);
    return standin_failing(method) ? E_FAIL : S_OK;
}

static void* environmentTable[8];
static void* controllerTable[26];
static void* viewTable[61];
static void* settingsTable[21];
static void* webMessageArgsTable[6];
static void* navigationArgsTable[10];

// ---- environment -------------------------------------------------------------------------

static LRESULT CALLBACK message_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP + 7) {
        standin_run_job((StandinJob*)lParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

static const wchar_t messageWindowClass[] = L"VelmoWebView2StandinMessages";

static void environment_destroy(StandinObject* self)
{
    StandinEnvironment* environment = (StandinEnvironment*)self;
    standin_forget_environment(environment);
    if (!DestroyWindow(environment->messageWindow))
        standin_error(self->environment, "environment message window not destroyed on its thread");
    delete environment;
}

METHOD environment_create_controller(StandinEnvironment* self, HWND parent, void* handler)
{
    standin_log(self->base.environment, "CreateCoreWebView2Controller parent=%p handler=%s", (void*)parent,
                handler && standin_is_face(handler, STANDIN_IID_ControllerCompletedHandler) ? "ok" : "WRONG");
    if (FAILED(step(&self->base, "CreateCoreWebView2Controller"))) return E_FAIL;
    StandinJob* job = new StandinJob();
    job->kind = JOB_CONTROLLER;
    job->handler = handler;
    standin_add_ref(handler);
    if (standin_failing("controller")) {
        job->errorCode = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    } else {
        StandinController* controller = standin_controller_create(self);
        controller->parent = parent;
        job->result = &controller->base;
    }
    job->environment = self;
    object_add_ref(&self->base);
    standin_post_job(job);
    return S_OK;
}

StandinEnvironment* standin_environment_create(int id)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = message_window_proc;
        windowClass.hInstance = standinModule;
        windowClass.lpszClassName = messageWindowClass;
        registered = RegisterClassW(&windowClass) != 0;
    }
    StandinEnvironment* environment = new StandinEnvironment();
    standin_object_init(&environment->base, environmentTable, id, "ICoreWebView2Environment",
                        &STANDIN_IID_Environment, environment_destroy);
    environment->messageWindow = CreateWindowExW(0, messageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                 NULL, standinModule, NULL);
    return environment;
}

// ---- controller --------------------------------------------------------------------------

static void view_release_handlers(StandinView* view)
{
    for (void* handler : view->messageHandlers) standin_release(handler);
    for (void* handler : view->navigationHandlers) standin_release(handler);
    view->messageHandlers.clear();
    view->navigationHandlers.clear();
}

void standin_controller_close(StandinController* controller)
{
    controller->closed = true;
    view_release_handlers(controller->view);
    standin_drop_pending_jobs(controller->environment);
}

static void controller_destroy(StandinObject* self)
{
    StandinController* controller = (StandinController*)self;
    if (!controller->closed) {
        standin_log(self->environment, "implicit Close");
        standin_controller_close(controller);
    }
    object_release(&controller->view->base);
    object_release(&controller->environment->base);
    delete controller;
}

static bool usable(StandinController* controller, const char* method)
{
    if (!controller->closed) return true;
    standin_error(controller->base.environment, "%s after Close", method);
    return false;
}

METHOD controller_put_is_visible(StandinController* self, BOOL visible)
{
    standin_log(self->base.environment, "put_IsVisible %d", (int)visible);
    if (!usable(self, "put_IsVisible")) return E_FAIL;
    HRESULT result = step(&self->base, "put_IsVisible");
    // The page starts loading once it is shown; until then the stand-in posts nothing, so an
    // editor that waits for "one more message" after its set-up would wait for ever.
    StandinView* view = self->view;
    if (SUCCEEDED(result) && visible && view->navigationPending) {
        view->navigationPending = false;
        standin_post_navigation(view, view->navigation);
    }
    // The window is closed right after it is shown, as a user or host might.
    if (SUCCEEDED(result) && standin_failing("closeWindowOnShow")) PostMessageW(self->parent, WM_CLOSE, 0, 0);
    return result;
}

// RECT by value: on x64 the caller passes a pointer to its own copy.
METHOD controller_put_bounds(StandinController* self, const RECT* bounds)
{
    standin_log(self->base.environment, "put_Bounds %ld %ld %ld %ld", bounds->left, bounds->top,
                bounds->right, bounds->bottom);
    if (!usable(self, "put_Bounds")) return E_FAIL;
    return step(&self->base, "put_Bounds");
}

METHOD controller_close(StandinController* self)
{
    standin_log(self->base.environment, "Close");
    standin_on_thread(&self->base, "Close");
    if (!self->closed) standin_controller_close(self);
    return S_OK;
}

METHOD controller_get_core_web_view2(StandinController* self, StandinView** out)
{
    standin_log(self->base.environment, "get_CoreWebView2");
    if (!out) return E_POINTER;
    *out = NULL;
    if (!usable(self, "get_CoreWebView2") || FAILED(step(&self->base, "get_CoreWebView2"))) return E_FAIL;
    object_add_ref(&self->view->base);
    *out = self->view;
    return S_OK;
}

static void settings_destroy(StandinObject* self)
{
    delete (StandinSettings*)self;
}

static void view_destroy(StandinObject* self)
{
    StandinView* view = (StandinView*)self;
    if (view->environment->view == view) view->environment->view = NULL;
    view_release_handlers(view);
    object_release(&view->settings->base);
    object_release(&view->environment->base);
    delete view;
}

StandinController* standin_controller_create(StandinEnvironment* environment)
{
    int id = environment->base.environment;
    StandinController* controller = new StandinController();
    standin_object_init(&controller->base, controllerTable, id, "ICoreWebView2Controller",
                        &STANDIN_IID_Controller, controller_destroy);
    controller->environment = environment;
    object_add_ref(&environment->base);
    StandinView* view = new StandinView();
    standin_object_init(&view->base, viewTable, id, "ICoreWebView2", &STANDIN_IID_CoreWebView2, view_destroy);
    view->environment = environment;
    object_add_ref(&environment->base);
    view->controller = controller;
    view->settings = new StandinSettings();
    standin_object_init(&view->settings->base, settingsTable, id, "ICoreWebView2Settings",
                        &STANDIN_IID_Settings, settings_destroy);
    controller->view = view;
    environment->view = view;
    return controller;
}

// ---- web view ----------------------------------------------------------------------------

METHOD view_get_settings(StandinView* self, StandinSettings** out)
{
    standin_log(self->base.environment, "get_Settings");
    if (!out) return E_POINTER;
    *out = NULL;
    if (FAILED(step(&self->base, "get_Settings"))) return E_FAIL;
    object_add_ref(&self->settings->base);
    *out = self->settings;
    return S_OK;
}

METHOD view_navigate(StandinView* self, const wchar_t* uri)
{
    standin_log(self->base.environment, "Navigate %s", standin_utf8(uri).c_str());
    if (!uri) return E_INVALIDARG;
    if (FAILED(step(&self->base, "Navigate"))) return E_FAIL;
    // Like the real runtime, the navigation start is reported later, through the message loop.
    self->navigation = uri;
    self->navigationPending = true;
    return S_OK;
}

void standin_post_navigation(StandinView* view, const std::wstring& uri)
{
    StandinJob* job = new StandinJob();
    job->kind = JOB_NAVIGATION;
    job->view = view;
    object_add_ref(&view->base);
    job->environment = view->environment;
    object_add_ref(&view->environment->base);
    job->text = uri;
    standin_post_job(job);
}

static HRESULT add_handler(StandinView* self, const char* method, const IID& iid, std::vector<void*>* list,
                           void* handler, StandinToken* token)
{
    standin_log(self->base.environment, "%s handler=%s", method,
                handler && standin_is_face(handler, iid) ? "ok" : "WRONG");
    if (!handler || !token) return E_POINTER;
    if (FAILED(step(&self->base, method))) return E_FAIL;
    standin_add_ref(handler);
    list->push_back(handler);
    token->value = (INT64)list->size();
    return S_OK;
}

METHOD view_add_navigation_starting(StandinView* self, void* handler, StandinToken* token)
{
    return add_handler(self, "add_NavigationStarting", STANDIN_IID_NavigationStartingEventHandler,
                       &self->navigationHandlers, handler, token);
}

METHOD view_add_web_message_received(StandinView* self, void* handler, StandinToken* token)
{
    return add_handler(self, "add_WebMessageReceived", STANDIN_IID_WebMessageReceivedEventHandler,
                       &self->messageHandlers, handler, token);
}

METHOD view_post_web_message_as_string(StandinView* self, const wchar_t* text)
{
    standin_log(self->base.environment, "PostWebMessageAsString %s", standin_utf8(text).c_str());
    return step(&self->base, "PostWebMessageAsString");
}

// ---- settings ----------------------------------------------------------------------------

METHOD settings_put_is_script_enabled(StandinSettings* self, BOOL enabled)
{
    standin_log(self->base.environment, "put_IsScriptEnabled %d", (int)enabled);
    return step(&self->base, "put_IsScriptEnabled");
}

METHOD settings_put_are_host_objects_allowed(StandinSettings* self, BOOL allowed)
{
    standin_log(self->base.environment, "put_AreHostObjectsAllowed %d", (int)allowed);
    return step(&self->base, "put_AreHostObjectsAllowed");
}

// ---- event arguments ---------------------------------------------------------------------

struct StandinWebMessageArgs {
    StandinObject base;
    std::wstring text;
    bool isString;
};

struct StandinNavigationArgs {
    StandinObject base;
    std::wstring uri;
    BOOL cancel;
};

static void web_message_args_destroy(StandinObject* self)
{
    delete (StandinWebMessageArgs*)self;
}

static void navigation_args_destroy(StandinObject* self)
{
    delete (StandinNavigationArgs*)self;
}

static HRESULT hand_out(const wchar_t* text, wchar_t** out)
{
    if (!out) return E_POINTER;
    *out = standin_task_string(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

METHOD web_message_get_source(StandinWebMessageArgs* self, wchar_t** out)
{
    standin_on_thread(&self->base, "get_Source");
    return hand_out(L"file:///C:/velmo/index.html", out);
}

METHOD web_message_get_json(StandinWebMessageArgs* self, wchar_t** out)
{
    standin_on_thread(&self->base, "get_WebMessageAsJson");
    std::wstring json = self->isString ? L"\"" + self->text + L"\"" : L"{}";
    return hand_out(json.c_str(), out);
}

METHOD web_message_try_get_string(StandinWebMessageArgs* self, wchar_t** out)
{
    standin_on_thread(&self->base, "TryGetWebMessageAsString");
    if (!out) return E_POINTER;
    if (!self->isString) {
        *out = NULL;
        return E_INVALIDARG;
    }
    return hand_out(self->text.c_str(), out);
}

METHOD navigation_get_uri(StandinNavigationArgs* self, wchar_t** out)
{
    standin_on_thread(&self->base, "get_Uri");
    return hand_out(self->uri.c_str(), out);
}

METHOD navigation_get_cancel(StandinNavigationArgs* self, BOOL* out)
{
    if (!out) return E_POINTER;
    *out = self->cancel;
    return S_OK;
}

METHOD navigation_put_cancel(StandinNavigationArgs* self, BOOL cancel)
{
    standin_on_thread(&self->base, "put_Cancel");
    self->cancel = cancel;
    return S_OK;
}

StandinObject* standin_web_message_args_create(int environment, const wchar_t* text)
{
    StandinWebMessageArgs* args = new StandinWebMessageArgs();
    standin_object_init(&args->base, webMessageArgsTable, environment, "ICoreWebView2WebMessageReceivedEventArgs",
                        &STANDIN_IID_WebMessageReceivedEventArgs, web_message_args_destroy);
    args->isString = text != NULL;
    if (text) args->text = text;
    return &args->base;
}

StandinObject* standin_navigation_args_create(int environment, const wchar_t* uri)
{
    StandinNavigationArgs* args = new StandinNavigationArgs();
    standin_object_init(&args->base, navigationArgsTable, environment, "ICoreWebView2NavigationStartingEventArgs",
                        &STANDIN_IID_NavigationStartingEventArgs, navigation_args_destroy);
    args->uri = uri;
    args->cancel = FALSE;
    return &args->base;
}

BOOL standin_navigation_args_cancelled(StandinObject* args)
{
    return ((StandinNavigationArgs*)args)->cancel;
}

// ---- tables, by slot number --------------------------------------------------------------

void standin_init_tables(void)
{
    init_table(environmentTable);
    environmentTable[3] = (void*)&environment_create_controller;

    init_table(controllerTable);
    controllerTable[4] = (void*)&controller_put_is_visible;
    controllerTable[6] = (void*)&controller_put_bounds;
    controllerTable[24] = (void*)&controller_close;
    controllerTable[25] = (void*)&controller_get_core_web_view2;

    init_table(viewTable);
    viewTable[3] = (void*)&view_get_settings;
    viewTable[5] = (void*)&view_navigate;
    viewTable[7] = (void*)&view_add_navigation_starting;
    viewTable[33] = (void*)&view_post_web_message_as_string;
    viewTable[34] = (void*)&view_add_web_message_received;

    init_table(settingsTable);
    settingsTable[4] = (void*)&settings_put_is_script_enabled;
    settingsTable[16] = (void*)&settings_put_are_host_objects_allowed;

    init_table(webMessageArgsTable);
    webMessageArgsTable[3] = (void*)&web_message_get_source;
    webMessageArgsTable[4] = (void*)&web_message_get_json;
    webMessageArgsTable[5] = (void*)&web_message_try_get_string;

    init_table(navigationArgsTable);
    navigationArgsTable[3] = (void*)&navigation_get_uri;
    navigationArgsTable[7] = (void*)&navigation_get_cancel;
    navigationArgsTable[8] = (void*)&navigation_put_cancel;
}
