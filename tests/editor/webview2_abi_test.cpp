// Our WebView2 declarations against the fact sheet: IID bytes in memory and vtable slots.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include "webview2/webview2.h"

struct IidBytes {
    const IID* iid;
    const char* name;
    uint8_t bytes[16]; // memory order: Data1, Data2, Data3 little-endian, then Data4
};

TEST(WebView2Abi, InterfaceIdsHaveTheirPublishedBytes)
{
    const IidBytes table[] = {
        {&IID_ICoreWebView2Environment, "Environment", {0x5E, 0x75, 0x6D, 0xB9, 0x19, 0x03, 0x92, 0x4E, 0xA2, 0x96, 0x23, 0x43, 0x6F, 0x46, 0xA1, 0xFC}},
        {&IID_ICoreWebView2EnvironmentOptions, "EnvironmentOptions", {0xA8, 0x08, 0xDE, 0x2F, 0x9A, 0x1E, 0x66, 0x47, 0x8C, 0x05, 0x95, 0xA9, 0xCE, 0xB9, 0xD1, 0xC5}},
        {&IID_ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, "EnvironmentCompletedHandler", {0x89, 0x33, 0x8A, 0x4E, 0xD8, 0xC9, 0xD2, 0x4B, 0xB6, 0xB5, 0x12, 0x4F, 0xEE, 0x6C, 0xC1, 0x4D}},
        {&IID_ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, "ControllerCompletedHandler", {0xF3, 0x19, 0x48, 0x6C, 0xB7, 0xC9, 0x60, 0x42, 0x81, 0x27, 0xC9, 0xF5, 0xBD, 0xE7, 0xF6, 0x8C}},
        {&IID_ICoreWebView2WebMessageReceivedEventHandler, "WebMessageReceivedEventHandler", {0x19, 0x3F, 0x21, 0x57, 0xE6, 0x00, 0xFA, 0x49, 0x8E, 0x07, 0x89, 0x8E, 0xA0, 0x1E, 0xCB, 0xD2}},
        {&IID_ICoreWebView2NavigationStartingEventHandler, "NavigationStartingEventHandler", {0x29, 0xE4, 0xDB, 0x9A, 0x6D, 0xF3, 0x2B, 0x43, 0x9D, 0xDC, 0xF8, 0x88, 0x1F, 0xBD, 0x76, 0xE3}},
        {&IID_ICoreWebView2Controller, "Controller", {0xD1, 0xC0, 0x00, 0x4D, 0x34, 0x94, 0xB6, 0x4E, 0x80, 0x78, 0x86, 0x97, 0xA5, 0x60, 0x33, 0x4F}},
        {&IID_ICoreWebView2, "CoreWebView2", {0xCB, 0xEA, 0xEC, 0x76, 0x62, 0x04, 0x94, 0x4D, 0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}},
        {&IID_ICoreWebView2Settings, "Settings", {0xF0, 0xE4, 0x62, 0xE5, 0xFA, 0xD7, 0xAC, 0x43, 0x8D, 0x71, 0xC0, 0x51, 0x50, 0x49, 0x9F, 0x00}},
        {&IID_ICoreWebView2WebMessageReceivedEventArgs, "WebMessageReceivedEventArgs", {0x0C, 0xA4, 0x99, 0x0F, 0x62, 0xE9, 0x07, 0x42, 0x9E, 0x92, 0xE3, 0xD5, 0x42, 0xEF, 0xF8, 0x49}},
        {&IID_ICoreWebView2NavigationStartingEventArgs, "NavigationStartingEventArgs", {0x69, 0x54, 0x49, 0x5B, 0x19, 0xE1, 0x8A, 0x43, 0x9B, 0x18, 0x76, 0x04, 0xF2, 0x5F, 0x2E, 0x49}},
    };
    static_assert(sizeof(IID) == 16, "an IID is 16 bytes");
    for (const IidBytes& entry : table) EXPECT_EQ(memcmp(entry.iid, entry.bytes, 16), 0) << entry.name;
}

// Slot of a virtual method from its member pointer (Itanium C++ ABI, as g++ uses for mingw:
// 1 + the byte offset into the table).
template <typename Method>
static long slot(Method method)
{
    struct {
        uintptr_t pointer;
        ptrdiff_t adjust;
    } raw;
    static_assert(sizeof(Method) == sizeof raw, "member pointer layout");
    memcpy(&raw, &method, sizeof raw);
    return (long)((raw.pointer - 1) / sizeof(void*));
}

TEST(WebView2Abi, CalledMethodsSitInTheirSlots)
{
    EXPECT_EQ(slot(static_cast<HRESULT (STDMETHODCALLTYPE IUnknown::*)(REFIID, void**)>(&IUnknown::QueryInterface)), 0);
    EXPECT_EQ(slot(&IUnknown::Release), 2);
    EXPECT_EQ(slot(&ICoreWebView2Environment::CreateCoreWebView2Controller), 3);
    EXPECT_EQ(slot(&ICoreWebView2Environment::remove_NewBrowserVersionAvailable), 7);

    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::get_AdditionalBrowserArguments), 3);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::put_AdditionalBrowserArguments), 4);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::get_Language), 5);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::put_Language), 6);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::get_TargetCompatibleBrowserVersion), 7);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::put_TargetCompatibleBrowserVersion), 8);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::get_AllowSingleSignOnUsingOSPrimaryAccount), 9);
    EXPECT_EQ(slot(&ICoreWebView2EnvironmentOptions::put_AllowSingleSignOnUsingOSPrimaryAccount), 10);

    EXPECT_EQ(slot(&ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::Invoke), 3);
    EXPECT_EQ(slot(&ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::Invoke), 3);
    EXPECT_EQ(slot(&ICoreWebView2WebMessageReceivedEventHandler::Invoke), 3);
    EXPECT_EQ(slot(&ICoreWebView2NavigationStartingEventHandler::Invoke), 3);

    EXPECT_EQ(slot(&ICoreWebView2Controller::put_IsVisible), 4);
    EXPECT_EQ(slot(&ICoreWebView2Controller::put_Bounds), 6);
    EXPECT_EQ(slot(&ICoreWebView2Controller::SetBoundsAndZoomFactor), 11);
    EXPECT_EQ(slot(&ICoreWebView2Controller::get_ParentWindow), 21);
    EXPECT_EQ(slot(&ICoreWebView2Controller::Close), 24);
    EXPECT_EQ(slot(&ICoreWebView2Controller::get_CoreWebView2), 25);

    EXPECT_EQ(slot(&ICoreWebView2::get_Settings), 3);
    EXPECT_EQ(slot(&ICoreWebView2::Navigate), 5);
    EXPECT_EQ(slot(&ICoreWebView2::add_NavigationStarting), 7);
    EXPECT_EQ(slot(&ICoreWebView2::AddScriptToExecuteOnDocumentCreated), 27);
    EXPECT_EQ(slot(&ICoreWebView2::Reload), 31);
    EXPECT_EQ(slot(&ICoreWebView2::PostWebMessageAsString), 33);
    EXPECT_EQ(slot(&ICoreWebView2::add_WebMessageReceived), 34);
    EXPECT_EQ(slot(&ICoreWebView2::get_BrowserProcessId), 37);
    EXPECT_EQ(slot(&ICoreWebView2::AddHostObjectToScript), 49);
    EXPECT_EQ(slot(&ICoreWebView2::remove_WindowCloseRequested), 60);

    EXPECT_EQ(slot(&ICoreWebView2Settings::put_IsScriptEnabled), 4);
    EXPECT_EQ(slot(&ICoreWebView2Settings::put_AreHostObjectsAllowed), 16);
    EXPECT_EQ(slot(&ICoreWebView2Settings::put_IsBuiltInErrorPageEnabled), 20);

    EXPECT_EQ(slot(&ICoreWebView2WebMessageReceivedEventArgs::TryGetWebMessageAsString), 5);
    EXPECT_EQ(slot(&ICoreWebView2NavigationStartingEventArgs::get_Uri), 3);
    EXPECT_EQ(slot(&ICoreWebView2NavigationStartingEventArgs::put_Cancel), 8);
    EXPECT_EQ(slot(&ICoreWebView2NavigationStartingEventArgs::get_NavigationId), 9);
}
