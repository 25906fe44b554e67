// Stand-in WebView2 runtime for the editor tests. Objects are built from raw virtual tables
// filled by slot number straight from the WebView2 fact sheet, independently of the editor's own
// declarations: a slot the editor gets wrong lands on a logged "unexpected slot" stub.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

// IIDs, typed in again from the fact sheet.
extern const IID STANDIN_IID_IUnknown;
extern const IID STANDIN_IID_Environment;
extern const IID STANDIN_IID_EnvironmentOptions;
extern const IID STANDIN_IID_EnvironmentCompletedHandler;
extern const IID STANDIN_IID_ControllerCompletedHandler;
extern const IID STANDIN_IID_WebMessageReceivedEventHandler;
extern const IID STANDIN_IID_NavigationStartingEventHandler;
extern const IID STANDIN_IID_Controller;
extern const IID STANDIN_IID_CoreWebView2;
extern const IID STANDIN_IID_Settings;
extern const IID STANDIN_IID_WebMessageReceivedEventArgs;
extern const IID STANDIN_IID_NavigationStartingEventArgs;

// An event registration token: one signed 64-bit value.
struct StandinToken {
    INT64 value;
};

// Common head of every stand-in object.
struct StandinObject {
    void** table;
    LONG count;
    int environment; // id for the log
    DWORD thread;    // the UI thread every call must come from
    const char* name;
    const IID* iid;
    void (*destroy)(StandinObject* self);
};

struct StandinView;

struct StandinEnvironment {
    StandinObject base;
    HWND messageWindow; // receives the posted callbacks on the UI thread
    StandinView* view;  // not counted: the page of this environment's controller, if any
};

struct StandinController {
    StandinObject base;
    HWND parent; // the window given to CreateCoreWebView2Controller
    StandinEnvironment* environment;
    StandinView* view;
    bool closed;
};

struct StandinSettings {
    StandinObject base;
};

struct StandinView {
    StandinObject base;
    StandinEnvironment* environment;
    StandinController* controller; // not counted: the controller owns the view
    StandinSettings* settings;
    std::vector<void*> messageHandlers;
    std::vector<void*> navigationHandlers;
    std::wstring navigation; // asked for by Navigate, reported once the control is shown
    bool navigationPending;
};

// Calls into the editor's objects, by slot.
ULONG standin_add_ref(void* object);
ULONG standin_release(void* object);
bool standin_is_face(void* object, const IID& iid); // QueryInterface gives back this pointer

// Objects.
void standin_init_tables(void);
void standin_object_init(StandinObject* object, void** table, int environment, const char* name,
                         const IID* iid, void (*destroy)(StandinObject*));
bool standin_on_thread(StandinObject* object, const char* method);
StandinEnvironment* standin_environment_create(int id);
StandinController* standin_controller_create(StandinEnvironment* environment);
void standin_controller_close(StandinController* controller);
StandinObject* standin_web_message_args_create(int environment, const wchar_t* text);
StandinObject* standin_navigation_args_create(int environment, const wchar_t* uri);
BOOL standin_navigation_args_cancelled(StandinObject* args);

// Callbacks posted to an environment's message window, run by the editor's message loop.
enum StandinJobKind { JOB_ENVIRONMENT, JOB_CONTROLLER, JOB_WEB_MESSAGE, JOB_NAVIGATION, JOB_SYNC };
struct StandinJob {
    StandinJobKind kind;
    StandinEnvironment* environment; // counted while the job is pending
    void* handler;                   // counted completion handler
    HRESULT errorCode;
    StandinObject* result;           // counted environment or controller, or null
    StandinView* view;               // counted, for the navigation a Navigate call starts
    std::wstring text;
    bool isString;
    HANDLE done;                     // set when a waiting caller wants the outcome
    HRESULT outcome;
    BOOL cancelled;
};
bool standin_post_job(StandinJob* job);
void standin_post_navigation(StandinView* view, const std::wstring& uri);
void standin_drop_pending_jobs(StandinEnvironment* environment); // nothing fires after Close
void standin_run_job(StandinJob* job);

// Log, failures, strings.
void standin_log(int environment, const char* format, ...);
void standin_error(int environment, const char* format, ...);
bool standin_failing(const char* step);
std::string standin_utf8(const wchar_t* text); // "(null)" for null
LPWSTR standin_task_string(const wchar_t* text); // tracked until CoTaskMemFree
void standin_count_object(int delta);
void standin_forget_environment(StandinEnvironment* environment);
extern HINSTANCE standinModule;
