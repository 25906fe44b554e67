#include "view_test_support.h"

#include <cstdio>
#include <cstring>

HWND ViewTest::host_window;

std::string windows_path(const std::string& unix_path) {
    std::string p = unix_path[0] == '/' ? "Z:" + unix_path : unix_path;
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

std::string bundle_module_folder(int channels) {
    std::string module = windows_path(channels == 1 ? VELMO_VST3_MODULE : VELMO_VST3_STEREO_MODULE);
    return module.substr(0, module.find_last_of('\\'));
}

void pump_messages_for(DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (DWORD waited; (waited = GetTickCount() - start) < milliseconds;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

std::string standin_log(const StandinControl& standin, int environment) {
    std::string text((size_t)standin.log(environment, nullptr, 0), '\0');
    standin.log(environment, &text[0], (int)text.size());
    text.resize(strlen(text.c_str()));
    return text;
}

std::vector<std::string> posted_values(const StandinControl& standin, int environment) {
    static const std::string prefix = "PostWebMessageAsString ";
    std::vector<std::string> messages;
    std::string text = standin_log(standin, environment);
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = text.substr(start, end - start);
        if (line.rfind(prefix, 0) == 0) messages.push_back(line.substr(prefix.size()));
    }
    return messages;
}

std::string value_message(uint32_t index, float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    char text[32];
    snprintf(text, sizeof text, "s %08x %08x", index, bits);
    return text;
}

void ViewTest::SetUpTestSuite() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.lpszClassName = "VelmoViewTestHost";
    RegisterClassA(&window_class);
    // One visible top-level window for all tests (showing one takes Wine a while); each test
    // attaches inside a child of it.
    host_window = CreateWindowExA(0, "VelmoViewTestHost", "host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE,
                                  0, 0, 1200, 900, nullptr, nullptr, nullptr, nullptr);
}

void ViewTest::TearDownTestSuite() { DestroyWindow(host_window); }

HWND ViewTest::make_parent() {
    return CreateWindowExA(0, "VelmoViewTestHost", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 1100, 800,
                           host_window, nullptr, nullptr, nullptr);
}

void ViewTest::SetUp() {
    InstanceTest::SetUp();
    ASSERT_NE(nullptr, host_window);
    ASSERT_TRUE(standin_control_load(&standin, (bundle_module_folder(channels) + "\\WebView2Loader.dll").c_str()))
        << "the stand-in runtime must lie beside the module";
    standin.reset();
    parent = make_parent();
    ASSERT_NE(nullptr, parent);
}

void ViewTest::TearDown() {
    InstanceTest::TearDown();
    if (parent) DestroyWindow(parent);
    if (!standin.module) return;
    EXPECT_EQ(0, standin.liveObjects()) << "stand-in objects still referenced";
    EXPECT_EQ(0, standin.outstandingStrings());
    FreeLibrary(standin.module);
    EXPECT_EQ(nullptr, GetModuleHandleA((bundle_module_folder(channels) + "\\WebView2Loader.dll").c_str()))
        << "every editor let go of the loader";
}

IPlugView* ViewTest::create_view() { return p.controller->vtbl->createView(p.controller, "editor"); }
