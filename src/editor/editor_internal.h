// What the editor's own files share: the host record, the private window messages and the
// start block handed to the UI thread.
#pragma once
#include <windows.h>

#include "editor_host.h"
#include "webview2/webview2.h"

struct EditorHost {
    HWND window;                         // first field: the adapters read it
    HMODULE loader;                      // WebView2Loader.dll
    HANDLE semaphore;                    // handshake with the UI thread (initial 0, maximum 1)
    DWORD threadId;
    ICoreWebView2Controller* controller; // null until the browser control exists
    EditorDescriptor descriptor;
    float* values;                       // last value per parameter, either direction
    uint64_t parameterCount;
    HANDLE thread;                       // joined by editorOpen (failed start) and editorClose
};

enum {
    WM_EDITOR_QUIT = WM_APP,          // tear down, release the semaphore, end the thread
    WM_EDITOR_SET_VALUE = WM_APP + 1, // wParam index, lParam whole value; release the semaphore
    WM_EDITOR_WAKE = WM_APP + 2,      // no-op: lets the loop look at the ready flag again
    WM_EDITOR_TIMER = WM_APP + 3,     // lParam an EditorTimerRequest; release the semaphore
};

// A timer to set or kill on the editor window, and SetTimer's answer.
struct EditorTimerRequest {
    bool start;
    UINT_PTR id;
    UINT milliseconds;
    TIMERPROC procedure;
    UINT_PTR result;
};

// Sets or kills the requested timer. UI thread only.
void editorApplyTimerRequest(EditorHost* host, EditorTimerRequest* request);

struct EditorStartBlock {
    EditorHost* host;
    bool hasParent;
    HWND parent;
    int width;
    int height;
    CreateCoreWebView2EnvironmentWithOptionsFn createEnvironment;
    const wchar_t* pageUri;  // file:/// URI of index.html
    const wchar_t* tempFile; // fresh temporary file; its name without ".tmp" is the user-data folder
};

DWORD WINAPI editorThreadMain(void* startBlock);

// Sends value-table entry `index` to the page as "s %08x %08x". UI thread only.
void editorPostValueToPage(EditorHost* host, uint32_t index);

// Process start for outside links; tests replace it so that nothing is started.
typedef void (*EditorLinkLauncher)(wchar_t* commandLine);
void editorSetLinkLauncher(EditorLinkLauncher launcher); // null restores the default
void editorLaunchLink(wchar_t* commandLine);
