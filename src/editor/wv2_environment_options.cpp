#include "wv2_environment_options.h"

#include <string.h>
#include <wchar.h>

LPWSTR wv2_task_string(LPCWSTR text)
{
    if (!text) return NULL;
    size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
    LPWSTR copy = (LPWSTR)CoTaskMemAlloc(size);
    if (copy) memcpy(copy, text, size);
    else SetLastError(ERROR_OUTOFMEMORY);
    return copy;
}

WV2EnvironmentOptions::WV2EnvironmentOptions()
    : additionalBrowserArguments(NULL), language(NULL),
      targetCompatibleBrowserVersion(wv2_task_string(L"131.0.2903.40")),
      allowSingleSignOnUsingOSPrimaryAccount(FALSE), referenceCount(1)
{
}

WV2EnvironmentOptions::~WV2EnvironmentOptions()
{
    CoTaskMemFree(additionalBrowserArguments);
    CoTaskMemFree(language);
    CoTaskMemFree(targetCompatibleBrowserVersion);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (memcmp(&riid, &IID_IUnknown, sizeof(IID)) == 0 ||
        memcmp(&riid, &IID_ICoreWebView2EnvironmentOptions, sizeof(IID)) == 0) {
        *object = static_cast<ICoreWebView2EnvironmentOptions*>(this);
        AddRef();
        return S_OK;
    }
    *object = NULL;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE WV2EnvironmentOptions::AddRef()
{
    return (ULONG)InterlockedIncrement(&referenceCount);
}

ULONG STDMETHODCALLTYPE WV2EnvironmentOptions::Release()
{
    ULONG count = (ULONG)InterlockedDecrement(&referenceCount);
    if (count == 0) delete this;
    return count;
}

static HRESULT get_string(LPCWSTR stored, LPWSTR* value)
{
    if (!value) return E_POINTER;
    *value = NULL;
    if (!stored) return S_OK;
    *value = wv2_task_string(stored);
    return *value ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

static HRESULT put_string(LPWSTR* stored, LPCWSTR value)
{
    CoTaskMemFree(*stored);
    *stored = wv2_task_string(value);
    return (*stored || !value) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_AdditionalBrowserArguments(LPWSTR* value)
{
    return get_string(additionalBrowserArguments, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_AdditionalBrowserArguments(LPCWSTR value)
{
    return put_string(&additionalBrowserArguments, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_Language(LPWSTR* value)
{
    return get_string(language, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_Language(LPCWSTR value)
{
    return put_string(&language, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_TargetCompatibleBrowserVersion(LPWSTR* value)
{
    return get_string(targetCompatibleBrowserVersion, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_TargetCompatibleBrowserVersion(LPCWSTR value)
{
    return put_string(&targetCompatibleBrowserVersion, value);
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow)
{
    if (!allow) return E_POINTER;
    *allow = allowSingleSignOnUsingOSPrimaryAccount;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WV2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow)
{
    allowSingleSignOnUsingOSPrimaryAccount = allow;
    return S_OK;
}
