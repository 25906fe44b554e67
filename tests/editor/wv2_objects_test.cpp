// COM rules of the two objects the editor hands to the runtime.
#include <gtest/gtest.h>

#include "editor_internal.h"
#include "wv2_environment_options.h"
#include "wv2_handler.h"

static std::wstring take(LPWSTR text)
{
    std::wstring copy = text ? text : L"(null)";
    CoTaskMemFree(text);
    return copy;
}

TEST(WV2EnvironmentOptions, PropertiesAndDefaults)
{
    ICoreWebView2EnvironmentOptions* options = new WV2EnvironmentOptions();
    LPWSTR text = (LPWSTR)1;
    EXPECT_EQ(options->get_Language(&text), S_OK);
    EXPECT_EQ(text, (LPWSTR)NULL);
    EXPECT_EQ(options->get_AdditionalBrowserArguments(&text), S_OK);
    EXPECT_EQ(text, (LPWSTR)NULL);
    LPWSTR first = NULL, second = NULL;
    EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(&first), S_OK);
    EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(&second), S_OK);
    EXPECT_NE(first, second) << "each caller gets its own copy";
    EXPECT_EQ(take(first), L"131.0.2903.40");
    EXPECT_EQ(take(second), L"131.0.2903.40");

    EXPECT_EQ(options->put_AdditionalBrowserArguments(L"--first"), S_OK);
    EXPECT_EQ(options->put_AdditionalBrowserArguments(L"--allow-file-access-from-files"), S_OK);
    EXPECT_EQ(options->get_AdditionalBrowserArguments(&text), S_OK);
    EXPECT_EQ(take(text), L"--allow-file-access-from-files");
    EXPECT_EQ(options->put_Language(L"de-AT"), S_OK);
    EXPECT_EQ(options->get_Language(&text), S_OK);
    EXPECT_EQ(take(text), L"de-AT");
    EXPECT_EQ(options->put_Language(NULL), S_OK);
    EXPECT_EQ(options->get_Language(&text), S_OK);
    EXPECT_EQ(text, (LPWSTR)NULL);

    BOOL allow = 7;
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
    EXPECT_EQ(allow, FALSE);
    EXPECT_EQ(options->put_AllowSingleSignOnUsingOSPrimaryAccount(TRUE), S_OK);
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(&allow), S_OK);
    EXPECT_EQ(allow, TRUE);

    EXPECT_EQ(options->get_Language(NULL), E_POINTER);
    EXPECT_EQ(options->get_AdditionalBrowserArguments(NULL), E_POINTER);
    EXPECT_EQ(options->get_TargetCompatibleBrowserVersion(NULL), E_POINTER);
    EXPECT_EQ(options->get_AllowSingleSignOnUsingOSPrimaryAccount(NULL), E_POINTER);
    EXPECT_EQ(options->Release(), 0u);
}

TEST(WV2EnvironmentOptions, QueryInterfaceAndCounting)
{
    WV2EnvironmentOptions* options = new WV2EnvironmentOptions();
    void* face = (void*)1;
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2, &face), E_NOINTERFACE);
    EXPECT_EQ(face, (void*)NULL);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, NULL), E_POINTER);
    EXPECT_EQ(options->QueryInterface(IID_ICoreWebView2EnvironmentOptions, &face), S_OK);
    EXPECT_EQ(face, (void*)static_cast<ICoreWebView2EnvironmentOptions*>(options));
    EXPECT_EQ(options->QueryInterface(IID_IUnknown, &face), S_OK);
    EXPECT_EQ(options->referenceCount, 3);
    EXPECT_EQ(options->AddRef(), 4u);
    EXPECT_EQ(options->Release(), 3u);
    EXPECT_EQ(options->Release(), 2u);
    EXPECT_EQ(options->Release(), 1u);
    EXPECT_EQ(options->Release(), 0u);
}

TEST(WV2Handler, AnswersEachFaceWithItsOwnPointerAndSharesOneCount)
{
    EditorHost host = {};
    volatile BYTE ready = 9;
    WV2Handler* handler = new WV2Handler(&host, L"file:///C:/x/index.html", &ready);
    EXPECT_EQ(ready, 0) << "construction clears the ready flag";
    EXPECT_EQ(std::wstring(handler->pageUri), L"file:///C:/x/index.html");
    struct Face {
        const IID* iid;
        void* expected;
    } faces[] = {
        {&IID_IUnknown, static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(handler)},
        {&IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
         static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(handler)},
        {&IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
         static_cast<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler*>(handler)},
        {&IID_ICoreWebView2WebMessageReceivedEventHandler,
         static_cast<ICoreWebView2WebMessageReceivedEventHandler*>(handler)},
        {&IID_ICoreWebView2NavigationStartingEventHandler,
         static_cast<ICoreWebView2NavigationStartingEventHandler*>(handler)},
    };
    LONG count = 1;
    for (const Face& face : faces) {
        void* object = NULL;
        EXPECT_EQ(handler->QueryInterface(*face.iid, &object), S_OK);
        EXPECT_EQ(object, face.expected);
        EXPECT_EQ(handler->referenceCount, ++count);
    }
    // The faces are distinct pointers into one object; a query through any face answers alike.
    ICoreWebView2NavigationStartingEventHandler* navigation = handler;
    void* object = (void*)1;
    EXPECT_EQ(navigation->QueryInterface(IID_ICoreWebView2Settings, &object), E_NOINTERFACE);
    EXPECT_EQ(object, (void*)NULL);
    EXPECT_EQ(navigation->QueryInterface(IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, &object), S_OK);
    EXPECT_EQ(object, faces[1].expected);
    EXPECT_EQ(navigation->QueryInterface(IID_IUnknown, NULL), E_POINTER);
    EXPECT_EQ(navigation->AddRef(), (ULONG)count + 2);
    for (ULONG left = (ULONG)count + 1; left > 0; left--) EXPECT_EQ(navigation->Release(), left);
    EXPECT_EQ(handler->Release(), 0u);
}

TEST(WV2Handler, NoPagePathGivesANullCopy)
{
    EditorHost host = {};
    volatile BYTE ready = 1;
    WV2Handler* handler = new WV2Handler(&host, NULL, &ready);
    EXPECT_EQ(handler->pageUri, (LPWSTR)NULL);
    EXPECT_EQ(handler->Release(), 0u);
}

TEST(WV2Handler, FailedEnvironmentSetsReadyAndWakesTheLoop)
{
    EditorHost host = {};
    host.window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    volatile BYTE ready = 0;
    WV2Handler* handler = new WV2Handler(&host, L"file:///x", &ready);
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* completed = handler;
    EXPECT_EQ(completed->Invoke(HRESULT_FROM_WIN32(ERROR_INVALID_STATE), NULL), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));
    EXPECT_EQ(ready, 1);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, host.window, WM_EDITOR_WAKE, WM_EDITOR_WAKE, PM_REMOVE));
    ready = 0;
    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* controllerCompleted = handler;
    EXPECT_EQ(controllerCompleted->Invoke(E_ABORT, NULL), E_ABORT);
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(host.controller, (ICoreWebView2Controller*)NULL);
    EXPECT_TRUE(PeekMessageA(&message, host.window, WM_EDITOR_WAKE, WM_EDITOR_WAKE, PM_REMOVE));
    handler->Release();
    DestroyWindow(host.window);
}
