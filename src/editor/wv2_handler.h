// The one object that receives every WebView2 callback of an editor: environment and controller
// creation (the set-up chain), page messages and navigation starts.
#pragma once
#include "editor_internal.h"

// Destroyed only by its own Release, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct WV2Handler final : ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                          ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                          ICoreWebView2WebMessageReceivedEventHandler,
                          ICoreWebView2NavigationStartingEventHandler {
    LONG referenceCount;
    EditorHost* host;
    LPWSTR pageUri;        // task-memory copy, null when none was given
    char message[1024];    // the current page message in UTF-8
    volatile BYTE* ready;  // the UI thread's ready flag

    WV2Handler(EditorHost* host, LPCWSTR pageUri, volatile BYTE* ready); // count 1, *ready = 0
    ~WV2Handler();

    // IUnknown, answered the same on all four faces (they forward here).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // Environment created: the primary face's Invoke.
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* environment) override;
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* controller) override;
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) override;
    HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) override;

    HRESULT onControllerCreated(HRESULT errorCode, ICoreWebView2Controller* controller);
    HRESULT onWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args);
    HRESULT onNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args);

    void setReady(); // and wake the UI thread's loop so that it looks at the flag
};
#pragma GCC diagnostic pop
