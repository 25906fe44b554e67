// The loader export, the callback queue, and what tests use to steer and observe the stand-in.
#include <objidl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <set>

#include "standin_internal.h"

#define EXPORT extern "C" __declspec(dllexport)

HINSTANCE standinModule;

static CRITICAL_SECTION lock; // log, failure step, environments, tracked strings
struct LogLine {
    int environment;
    std::string text;
};
static std::vector<LogLine> logLines;
static std::string failingStep;
static std::vector<StandinEnvironment*> environments; // index = id; null once freed
static LONG liveObjects;

// ---- log and failures --------------------------------------------------------------------

static void log_line(int environment, const char* prefix, const char* format, va_list arguments)
{
    char text[2048];
    vsnprintf(text, sizeof text, format, arguments);
    EnterCriticalSection(&lock);
    logLines.push_back({environment, std::string(prefix) + text});
    LeaveCriticalSection(&lock);
}

void standin_log(int environment, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    log_line(environment, "", format, arguments);
    va_end(arguments);
}

void standin_error(int environment, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    log_line(environment, "ERROR ", format, arguments);
    va_end(arguments);
}

bool standin_failing(const char* step)
{
    EnterCriticalSection(&lock);
    bool failing = failingStep == step;
    LeaveCriticalSection(&lock);
    return failing;
}

std::string standin_utf8(const wchar_t* text)
{
    if (!text) return "(null)";
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, NULL, 0, NULL, NULL);
    std::string utf8((size_t)(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], size, NULL, NULL);
    utf8.resize(strlen(utf8.c_str()));
    return utf8;
}

void standin_count_object(int delta)
{
    InterlockedExchangeAdd(&liveObjects, delta);
}

// ---- task-memory strings, watched through a malloc spy -----------------------------------

static std::set<void*> handedOut; // strings given to the editor and not freed yet

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct FreeWatcher final : IMallocSpy {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (memcmp(&riid, &IID_IUnknown, sizeof(IID)) == 0 || memcmp(&riid, &IID_IMallocSpy, sizeof(IID)) == 0) {
            *out = this;
            return S_OK;
        }
        *out = NULL;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override { return actual; }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        EnterCriticalSection(&lock);
        handedOut.erase(request);
        LeaveCriticalSection(&lock);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}
};
#pragma GCC diagnostic pop
static FreeWatcher freeWatcher;
static bool watching;

LPWSTR standin_task_string(const wchar_t* text)
{
    size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
    LPWSTR copy = (LPWSTR)CoTaskMemAlloc(size);
    if (!copy) return NULL;
    memcpy(copy, text, size);
    EnterCriticalSection(&lock);
    handedOut.insert(copy);
    LeaveCriticalSection(&lock);
    return copy;
}

// ---- callbacks through the UI thread's message loop --------------------------------------

bool standin_post_job(StandinJob* job)
{
    return PostMessageW(job->environment->messageWindow, WM_APP + 7, 0, (LPARAM)job) != 0;
}

typedef HRESULT(STDMETHODCALLTYPE* InvokeFn)(void*, void*, void*);
typedef HRESULT(STDMETHODCALLTYPE* CompletedFn)(void*, HRESULT, void*);

static HRESULT invoke_handlers(const std::vector<void*>& registered, StandinView* view, StandinObject* args)
{
    std::vector<void*> handlers = registered; // a handler may close the controller
    HRESULT outcome = S_OK;
    for (void* handler : handlers) standin_add_ref(handler);
    for (void* handler : handlers) {
        InvokeFn invoke = (InvokeFn)(*(void***)handler)[3];
        outcome = invoke(handler, view, args);
    }
    for (void* handler : handlers) standin_release(handler);
    return outcome;
}

void standin_run_job(StandinJob* job)
{
    int id = job->environment->base.environment;
    // Page events go to the environment's open page (a closed controller has no handlers left).
    StandinView* view = job->view ? job->view : job->environment->view;
    if (job->kind == JOB_ENVIRONMENT || job->kind == JOB_CONTROLLER) {
        CompletedFn invoke = (CompletedFn)(*(void***)job->handler)[3];
        HRESULT result = invoke(job->handler, job->errorCode, job->result);
        standin_log(id, "%s completed 0x%08lx -> 0x%08lx", job->kind == JOB_ENVIRONMENT ? "environment" : "controller",
                    (unsigned long)job->errorCode, (unsigned long)result);
        standin_release(job->handler);
        if (job->result) standin_release(job->result);
    } else if (job->kind != JOB_SYNC && !view) {
        job->outcome = E_ABORT; // no page (any more)
    } else if (job->kind == JOB_WEB_MESSAGE) {
        StandinObject* args = standin_web_message_args_create(id, job->isString ? job->text.c_str() : NULL);
        job->outcome = invoke_handlers(view->messageHandlers, view, args);
        standin_release(args);
    } else if (job->kind == JOB_NAVIGATION) {
        StandinObject* args = standin_navigation_args_create(id, job->text.c_str());
        job->outcome = invoke_handlers(view->navigationHandlers, view, args);
        job->cancelled = standin_navigation_args_cancelled(args);
        standin_log(id, "NavigationStarting %s cancel=%d", standin_utf8(job->text.c_str()).c_str(), (int)job->cancelled);
        standin_release(args);
    }
    if (job->view) standin_release(job->view);
    standin_release(job->environment);
    if (job->done) SetEvent(job->done); // the waiting caller owns the job now
    else delete job;
}

static void drop_job(StandinJob* job)
{
    if (job->handler) standin_release(job->handler);
    if (job->result) standin_release(job->result);
    if (job->view) standin_release(job->view);
    standin_release(job->environment);
    job->outcome = E_ABORT;
    if (job->done) SetEvent(job->done);
    else delete job;
}

void standin_drop_pending_jobs(StandinEnvironment* environment)
{
    MSG message;
    while (PeekMessageW(&message, environment->messageWindow, WM_APP + 7, WM_APP + 7, PM_REMOVE))
        drop_job((StandinJob*)message.lParam);
}

// ---- the loader export -------------------------------------------------------------------

typedef HRESULT(STDMETHODCALLTYPE* GetStringFn)(void*, wchar_t**);
typedef HRESULT(STDMETHODCALLTYPE* GetBoolFn)(void*, BOOL*);

static std::string option_string(void* options, int slot)
{
    wchar_t* value = NULL;
    HRESULT result = ((GetStringFn)(*(void***)options)[slot])(options, &value);
    if (FAILED(result)) return "(failed)";
    std::string text = standin_utf8(value);
    CoTaskMemFree(value);
    return text;
}

static void log_options(int id, void* options)
{
    if (!options) {
        standin_log(id, "options (null)");
        return;
    }
    if (!standin_is_face(options, STANDIN_IID_EnvironmentOptions) || !standin_is_face(options, STANDIN_IID_IUnknown))
        standin_error(id, "options do not answer their own interfaces");
    void* other = (void*)1;
    HRESULT result = ((HRESULT(STDMETHODCALLTYPE*)(void*, const IID*, void**))(*(void***)options)[0])(
        options, &STANDIN_IID_CoreWebView2, &other);
    if (result != E_NOINTERFACE || other != NULL) standin_error(id, "options answer a foreign interface");
    BOOL singleSignOn = 2;
    ((GetBoolFn)(*(void***)options)[9])(options, &singleSignOn);
    standin_log(id, "options arguments=%s language=%s target=%s singleSignOn=%d", option_string(options, 3).c_str(),
                option_string(options, 5).c_str(), option_string(options, 7).c_str(), (int)singleSignOn);
}

// What the real runtime keeps in a user-data folder, so that its removal is visible.
static void fill_user_data_folder(const wchar_t* folder)
{
    std::wstring path = folder;
    CreateDirectoryW(path.c_str(), NULL);
    CreateDirectoryW((path + L"\\EBWebView").c_str(), NULL);
    HANDLE file = CreateFileW((path + L"\\EBWebView\\Local State").c_str(), GENERIC_WRITE, 0, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

EXPORT HRESULT STDAPICALLTYPE CreateCoreWebView2EnvironmentWithOptions(
    const wchar_t* browserExecutableFolder, const wchar_t* userDataFolder, void* options, void* handler)
{
    EnterCriticalSection(&lock);
    int id = (int)environments.size();
    environments.push_back(NULL);
    LeaveCriticalSection(&lock);
    standin_log(id, "CreateCoreWebView2EnvironmentWithOptions browserFolder=%s userDataFolder=%s handler=%s",
                standin_utf8(browserExecutableFolder).c_str(), standin_utf8(userDataFolder).c_str(),
                handler && standin_is_face(handler, STANDIN_IID_EnvironmentCompletedHandler) ? "ok" : "WRONG");
    log_options(id, options);
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return CO_E_NOTINITIALIZED;
    if (type != APTTYPE_STA && type != APTTYPE_MAINSTA) return RPC_E_CHANGED_MODE;
    if (!handler) return E_POINTER;
    if (standin_failing("CreateCoreWebView2EnvironmentWithOptions")) return E_FAIL;
    if (!watching) watching = SUCCEEDED(CoRegisterMallocSpy(&freeWatcher));
    if (userDataFolder) fill_user_data_folder(userDataFolder);

    StandinEnvironment* environment = standin_environment_create(id);
    EnterCriticalSection(&lock);
    environments[(size_t)id] = environment;
    LeaveCriticalSection(&lock);
    StandinJob* job = new StandinJob();
    job->kind = JOB_ENVIRONMENT;
    job->environment = environment; // the creation reference
    job->handler = handler;
    standin_add_ref(handler);
    if (standin_failing("environment")) {
        job->errorCode = HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    } else {
        job->result = &environment->base;
        standin_add_ref(environment);
    }
    standin_post_job(job);
    return S_OK;
}

void standin_forget_environment(StandinEnvironment* environment)
{
    EnterCriticalSection(&lock);
    for (StandinEnvironment*& slot : environments)
        if (slot == environment) slot = NULL;
    bool last = true;
    for (StandinEnvironment* slot : environments) last = last && slot == NULL;
    LeaveCriticalSection(&lock);
    // The spy goes with the last environment; strings still out keep ole32 from dropping it.
    if (last && watching) watching = FAILED(CoRevokeMallocSpy());
}

// ---- control exports for tests -----------------------------------------------------------

EXPORT void standinFailAt(const char* step)
{
    EnterCriticalSection(&lock);
    failingStep = step ? step : "";
    LeaveCriticalSection(&lock);
}

EXPORT void standinReset(void)
{
    EnterCriticalSection(&lock);
    logLines.clear();
    failingStep.clear();
    environments.clear();
    LeaveCriticalSection(&lock);
}

EXPORT int standinLog(int environment, char* buffer, int capacity)
{
    std::string text;
    EnterCriticalSection(&lock);
    for (const LogLine& line : logLines)
        if (environment < 0 || line.environment == environment) text += line.text + "\n";
    LeaveCriticalSection(&lock);
    if (buffer && capacity > 0) snprintf(buffer, (size_t)capacity, "%s", text.c_str());
    return (int)text.size() + 1;
}

EXPORT int standinLiveObjects(void)
{
    return (int)InterlockedCompareExchange(&liveObjects, 0, 0);
}

EXPORT int standinOutstandingStrings(void)
{
    EnterCriticalSection(&lock);
    int count = (int)handedOut.size();
    LeaveCriticalSection(&lock);
    return count;
}

// Posts a job to a live environment's UI thread and waits (serving sent messages) for it.
// Returns false when there is no such environment or nothing answered in time.
static bool run_on_ui_thread(int id, StandinJob* job)
{
    EnterCriticalSection(&lock);
    StandinEnvironment* environment = id >= 0 && (size_t)id < environments.size() ? environments[(size_t)id] : NULL;
    if (environment) standin_add_ref(environment);
    LeaveCriticalSection(&lock);
    if (!environment) return false;
    job->environment = environment;
    job->done = CreateEventW(NULL, TRUE, FALSE, NULL);
    if (!standin_post_job(job)) {
        standin_release(environment);
        return false;
    }
    DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        DWORD result = MsgWaitForMultipleObjects(1, &job->done, FALSE, waited < 10000 ? 10000 - waited : 0,
                                                 QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageW(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// A job that timed out is leaked on purpose: its thread may still run it.
static HRESULT finish(StandinJob* job, bool ran, BOOL* cancelled)
{
    if (!ran) return E_ABORT;
    CloseHandle(job->done);
    HRESULT outcome = job->outcome;
    if (cancelled) *cancelled = job->cancelled;
    delete job;
    return outcome;
}

EXPORT HRESULT standinPostWebMessage(int environment, const wchar_t* text)
{
    StandinJob* job = new StandinJob();
    job->kind = JOB_WEB_MESSAGE;
    job->isString = text != NULL;
    if (text) job->text = text;
    return finish(job, run_on_ui_thread(environment, job), NULL);
}

EXPORT HRESULT standinNavigate(int environment, const wchar_t* uri, BOOL* cancelled)
{
    StandinJob* job = new StandinJob();
    job->kind = JOB_NAVIGATION;
    job->text = uri ? uri : L"";
    return finish(job, run_on_ui_thread(environment, job), cancelled);
}

EXPORT HRESULT standinSync(int environment)
{
    StandinJob* job = new StandinJob();
    job->kind = JOB_SYNC;
    return finish(job, run_on_ui_thread(environment, job), NULL);
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, void*)
{
    if (reason == DLL_PROCESS_ATTACH) {
        standinModule = module;
        InitializeCriticalSection(&lock);
        standin_init_tables();
    } else if (reason == DLL_PROCESS_DETACH) {
        UnregisterClassW(L"VelmoWebView2StandinMessages", module);
        DeleteCriticalSection(&lock);
    }
    return TRUE;
}
