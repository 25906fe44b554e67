// Test-side view of the stand-in WebView2Loader.dll: what it exports besides the loader entry.
// Tests load the DLL themselves (the same file the editor loads) and reach these through
// GetProcAddress, so that the editor's own LoadLibrary/FreeLibrary stay observable.
#pragma once
#include <windows.h>

// Steps that can be made to fail: "CreateCoreWebView2EnvironmentWithOptions" (returns E_FAIL),
// "environment" (completion reports a failure), "CreateCoreWebView2Controller", "controller",
// and the set-up calls by name: "get_CoreWebView2", "get_Settings", "put_IsScriptEnabled",
// "put_AreHostObjectsAllowed", "put_Bounds", "add_WebMessageReceived", "add_NavigationStarting",
// "Navigate", "put_IsVisible"; "closeWindowOnShow" lets put_IsVisible succeed but posts WM_CLOSE
// to the controller's parent window. Null or "" fails nothing.
typedef void (*StandinFailAtFn)(const char* step);
// Forget the log, the failure and the environment numbering (environment ids start at 0).
typedef void (*StandinResetFn)(void);
// The call log of one environment (-1: all), one call per line; returns the needed size.
typedef int (*StandinLogFn)(int environment, char* buffer, int capacity);
// Stand-in objects alive, and strings handed out in task memory that nobody freed yet.
typedef int (*StandinCountFn)(void);
// On the environment's UI thread: deliver a page message (null text: a non-string value) and
// return the handler's HRESULT; start a navigation and report whether it was cancelled; or just
// wait until everything posted so far has been delivered. E_ABORT when nothing answers in time.
typedef HRESULT (*StandinPostWebMessageFn)(int environment, const wchar_t* text);
typedef HRESULT (*StandinNavigateFn)(int environment, const wchar_t* uri, BOOL* cancelled);
typedef HRESULT (*StandinSyncFn)(int environment);

struct StandinControl {
    HMODULE module;
    StandinFailAtFn failAt;
    StandinResetFn reset;
    StandinLogFn log;
    StandinCountFn liveObjects;
    StandinCountFn outstandingStrings;
    StandinPostWebMessageFn postWebMessage;
    StandinNavigateFn navigate;
    StandinSyncFn sync;
};

// `path` in UTF-8.
inline bool standin_control_load(StandinControl* control, const char* path)
{
    wchar_t widePath[1024];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, widePath, 1024) <= 0) return false;
    control->module = LoadLibraryW(widePath);
    if (!control->module) return false;
    HMODULE m = control->module;
    control->failAt = (StandinFailAtFn)(void*)GetProcAddress(m, "standinFailAt");
    control->reset = (StandinResetFn)(void*)GetProcAddress(m, "standinReset");
    control->log = (StandinLogFn)(void*)GetProcAddress(m, "standinLog");
    control->liveObjects = (StandinCountFn)(void*)GetProcAddress(m, "standinLiveObjects");
    control->outstandingStrings = (StandinCountFn)(void*)GetProcAddress(m, "standinOutstandingStrings");
    control->postWebMessage = (StandinPostWebMessageFn)(void*)GetProcAddress(m, "standinPostWebMessage");
    control->navigate = (StandinNavigateFn)(void*)GetProcAddress(m, "standinNavigate");
    control->sync = (StandinSyncFn)(void*)GetProcAddress(m, "standinSync");
    return control->failAt && control->reset && control->log && control->liveObjects &&
           control->outstandingStrings && control->postWebMessage && control->navigate && control->sync;
}
