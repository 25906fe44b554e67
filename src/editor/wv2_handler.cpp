#include "wv2_handler.h"

#include <stdlib.h>
#include <string.h>

#include "page_protocol.h"
#include "wide_text.h"
#include "wv2_environment_options.h"

WV2Handler::WV2Handler(EditorHost* owner, LPCWSTR uri, volatile BYTE* readyFlag)
    : referenceCount(1), host(owner), pageUri(wv2_task_string(uri)), message(), ready(readyFlag)
{
    *ready = 0;
}

WV2Handler::~WV2Handler()
{
    CoTaskMemFree(pageUri);
}

static bool same_iid(REFIID a, const IID& b)
{
    return memcmp(&a, &b, sizeof(IID)) == 0;
}

HRESULT STDMETHODCALLTYPE WV2Handler::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (same_iid(riid, IID_IUnknown) ||
        same_iid(riid, IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)) {
        *object = static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this);
    } else if (same_iid(riid, IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler)) {
        *object = static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this);
    } else if (same_iid(riid, IID_ICoreWebView2WebMessageReceivedEventHandler)) {
        *object = static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(this);
    } else if (same_iid(riid, IID_ICoreWebView2NavigationStartingEventHandler)) {
        *object = static_cast<ICoreWebView2NavigationStartingEventHandler*>(this);
    } else {
        *object = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE WV2Handler::AddRef()
{
    return (ULONG)InterlockedIncrement(&referenceCount);
}

ULONG STDMETHODCALLTYPE WV2Handler::Release()
{
    ULONG count = (ULONG)InterlockedDecrement(&referenceCount);
    if (count == 0) delete this;
    return count;
}

void WV2Handler::setReady()
{
    *ready = 1;
    // The UI thread looks at the flag only when its loop gets a message; make sure one comes.
    PostMessageA(host->window, WM_EDITOR_WAKE, 0, 0);
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(HRESULT errorCode, ICoreWebView2Environment* environment)
{
    if (FAILED(errorCode) || !environment) {
        setReady();
        return FAILED(errorCode) ? errorCode : E_POINTER;
    }
    HRESULT result = environment->CreateCoreWebView2Controller(
        host->window, static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(this));
    if (FAILED(result)) {
        setReady();
        return result;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(HRESULT errorCode, ICoreWebView2Controller* controller)
{
    return onControllerCreated(errorCode, controller);
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args)
{
    return onWebMessageReceived(args);
}

HRESULT STDMETHODCALLTYPE WV2Handler::Invoke(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args)
{
    return onNavigationStarting(args);
}

// The set-up calls on a fresh controller, in order; false at the first failure.
static bool set_up_web_view(WV2Handler* handler, ICoreWebView2Controller* controller)
{
    ICoreWebView2* webView = NULL;
    ICoreWebView2Settings* settings = NULL;
    EventRegistrationToken token;
    RECT bounds;
    bool ok = SUCCEEDED(controller->get_CoreWebView2(&webView)) && webView &&
              SUCCEEDED(webView->get_Settings(&settings)) && settings &&
              SUCCEEDED(settings->put_IsScriptEnabled(TRUE)) &&
              SUCCEEDED(settings->put_AreHostObjectsAllowed(TRUE)) &&
              GetClientRect(handler->host->window, &bounds) &&
              SUCCEEDED(controller->put_Bounds(bounds)) &&
              SUCCEEDED(webView->add_WebMessageReceived(handler, &token)) &&
              SUCCEEDED(webView->add_NavigationStarting(handler, &token)) &&
              SUCCEEDED(webView->Navigate(handler->pageUri));
    if (settings) settings->Release();
    if (webView) webView->Release();
    return ok;
}

HRESULT WV2Handler::onControllerCreated(HRESULT errorCode, ICoreWebView2Controller* controller)
{
    if (FAILED(errorCode) || !controller) {
        setReady();
        return FAILED(errorCode) ? errorCode : E_POINTER;
    }
    if (!set_up_web_view(this, controller)) {
        setReady();
        return E_FAIL;
    }
    host->controller = controller;
    controller->AddRef();
    setReady();
    return S_OK;
}

HRESULT WV2Handler::onWebMessageReceived(ICoreWebView2WebMessageReceivedEventArgs* args)
{
    LPWSTR text = NULL;
    HRESULT result = args->TryGetWebMessageAsString(&text);
    if (FAILED(result)) return result;
    if (!text) return S_OK;
    // 0 here means invalid UTF-16 (a lone surrogate): ignored like any other unreadable message.
    int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, NULL, 0, NULL, NULL);
    if (size > (int)sizeof message) {
        CoTaskMemFree(text);
        return E_OUTOFMEMORY;
    }
    if (size > 0 &&
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, message, size, NULL, NULL) == size) {
        PageMessage parsed = page_message_parse(message, host->parameterCount);
        if (parsed.kind == PAGE_MESSAGE_GET_ALL) {
            for (uint64_t i = 0; i < host->parameterCount; i++) editorPostValueToPage(host, (uint32_t)i);
        } else if (parsed.kind != PAGE_MESSAGE_IGNORED) {
            float value;
            memcpy(&value, &parsed.valueBits, sizeof value);
            host->values[parsed.index] = value;
            const EditorDescriptor* d = &host->descriptor;
            void (*callback)(void*, uint32_t, float) = parsed.kind == PAGE_MESSAGE_BEGIN ? d->onEditorBegin
                                                       : parsed.kind == PAGE_MESSAGE_SET ? d->onEditorValue
                                                                                         : d->onEditorEnd;
            if (callback) callback(d->user, parsed.index, value);
        }
    }
    CoTaskMemFree(text);
    return S_OK;
}

HRESULT WV2Handler::onNavigationStarting(ICoreWebView2NavigationStartingEventArgs* args)
{
    LPWSTR uri = NULL;
    HRESULT result = args->get_Uri(&uri);
    if (FAILED(result)) return result;
    // A URI that cannot be read as text is treated as outside and not handed on.
    char* utf8 = uri ? wide_to_utf8(uri) : NULL;
    if (!utf8 || !navigation_stays_inside(utf8)) {
        args->put_Cancel(TRUE);
        char* line = utf8 ? outside_link_command_line(utf8) : NULL;
        wchar_t* wideLine = line ? utf8_to_wide(line, 0) : NULL;
        if (wideLine) editorLaunchLink(wideLine);
        free(wideLine);
        free(line);
    }
    free(utf8);
    CoTaskMemFree(uri);
    return S_OK;
}
