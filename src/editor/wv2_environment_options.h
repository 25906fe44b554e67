// The options object handed to CreateCoreWebView2EnvironmentWithOptions.
#pragma once
#include "webview2/webview2.h"

// Destroyed only by its own Release, never through an interface pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
struct WV2EnvironmentOptions final : ICoreWebView2EnvironmentOptions {
    LPWSTR additionalBrowserArguments;
    LPWSTR language;
    LPWSTR targetCompatibleBrowserVersion;
    BOOL allowSingleSignOnUsingOSPrimaryAccount;
    LONG referenceCount;

    WV2EnvironmentOptions(); // count 1, target version "131.0.2903.40"
    ~WV2EnvironmentOptions();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override;
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override;
};
#pragma GCC diagnostic pop

// Task-memory copy of a wide string (the form strings take when they cross COM); null for null.
LPWSTR wv2_task_string(LPCWSTR text);
