// The LV2 UI under Wine, loaded the way a host loads it from a test bundle whose
// WebView2Loader.dll is the stand-in runtime: what reaches the page, what the host's write and
// touch functions receive, and that instantiate and cleanup leave nothing behind. The host
// window belongs to the test thread, which also makes every UI call, as in a real host.
#include <gtest/gtest.h>
#include <malloc.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "editor_test_support.h"
#include "hosts/lv2_host.h"
#include "lv2/ui/ui.h"
#include "unicode_folder.h"

// One call from the UI into the host.
struct HostCall {
    std::string text;  // "write <port> <value>" or "touch <port> grabbed|released"
    uint32_t size;
    uint32_t format;
    void* handle;      // the controller (write) or the touch handle
    DWORD thread;
};

struct UiHost;
struct TouchTarget {  // the touch feature's handle
    UiHost* host;
};

// The host side: the write and touch functions record every call.
struct UiHost {
    std::mutex mutex;
    std::vector<HostCall> calls;
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle ui = nullptr;
    bool echo = false;  // answer each write with a port event at once, on the calling thread
    HWND notify = NULL; // each write also sends a message to this window (owned by the host's thread)
    std::atomic<bool> in_port_event{false};
    std::atomic<int> sent_during_port_event{0};
    TouchTarget touch_target = {this};
};

static void host_write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                       const void* buffer) {
    UiHost* host = (UiHost*)controller;
    char text[64];
    snprintf(text, sizeof text, "write %u %g", port, *(const float*)buffer);
    {
        std::lock_guard<std::mutex> guard(host->mutex);
        host->calls.push_back({text, size, format, controller, GetCurrentThreadId()});
    }
    if (host->echo) host->descriptor->port_event(host->ui, port, size, format, buffer);
    if (host->notify) {
        if (host->in_port_event) host->sent_during_port_event++;
        SendMessageA(host->notify, WM_NULL, 0, 0);
    }
}

static void host_touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
    UiHost* host = ((TouchTarget*)handle)->host;
    char text[64];
    snprintf(text, sizeof text, "touch %u %s", port, grabbed ? "grabbed" : "released");
    std::lock_guard<std::mutex> guard(host->mutex);
    host->calls.push_back({text, 0, 0, handle, GetCurrentThreadId()});
}

static const std::string bundle = native_path(VELMO_UI_BUNDLE) + "\\";
static const std::string no_loader_bundle = native_path(VELMO_UI_BUNDLE_WITHOUT_LOADER) + "\\";

// Bytes in use on the C runtime's heap, which the plug-in's allocations come from too.
static size_t heap_bytes_in_use() {
    _HEAPINFO entry = {};
    size_t bytes = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        if (entry._useflag == _USEDENTRY) bytes += entry._size;
    return bytes;
}

// Which features a test's host offers.
struct Offer {
    bool parent = true;  // the host window
    bool touch = true;
    const char* bundle_path = bundle.c_str();
    LV2UI_Write_Function write = host_write;
};

class Lv2UiTest : public ::testing::Test {
protected:
    static HWND hostWindow;  // visible and owned by the test thread; one for all tests, as
                             // showing a top-level window takes Wine about two seconds
    Lv2Library library;
    const LV2UI_Descriptor* descriptor = nullptr;
    StandinControl standin = {};
    UiHost host;

    static void SetUpTestSuite() { hostWindow = create_parent_window(1000, 800); }
    static void TearDownTestSuite() { DestroyWindow(hostWindow); }

    void SetUp() override {
        ASSERT_TRUE(library.open(VELMO_UI_BUNDLE "/velmo.dll"));
        LV2UI_DescriptorFunction entry = (LV2UI_DescriptorFunction)library.symbol("lv2ui_descriptor");
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        host.descriptor = descriptor;
        ASSERT_TRUE(standin_control_load(&standin, (bundle + "WebView2Loader.dll").c_str()));
        standin.reset();
    }

    void TearDown() override {
        EXPECT_EQ(standin.liveObjects(), 0) << "stand-in objects still referenced";
        EXPECT_EQ(standin.outstandingStrings(), 0) << "strings from the runtime never freed";
        std::string log = standin_text(standin, -1);
        EXPECT_EQ(log.find("ERROR"), std::string::npos) << log;
        EXPECT_EQ(GetWindow(hostWindow, GW_CHILD), (HWND)NULL) << "a window left in the host's";
        // The UI's editor must have let go of the loader library.
        std::string loader = bundle + "WebView2Loader.dll";
        FreeLibrary(standin.module);
        EXPECT_EQ(GetModuleHandleA(loader.c_str()), (HMODULE)NULL);
    }

    LV2UI_Handle instantiate(const Offer& offer, LV2UI_Widget* widget) {
        LV2UI_Touch touch = {&host.touch_target, host_touch};
        LV2_Feature parent_feature = {LV2_UI__parent, hostWindow};
        LV2_Feature touch_feature = {LV2_UI__touch, &touch};
        const LV2_Feature* features[3] = {};
        int n = 0;
        if (offer.parent) features[n++] = &parent_feature;
        if (offer.touch) features[n++] = &touch_feature;
        host.ui = descriptor->instantiate(descriptor, VELMO_PLUGIN_URI, offer.bundle_path, offer.write,
                                          &host, widget, features);
        memset(&touch, 0, sizeof touch);  // a host's feature data may be gone after instantiate
        return host.ui;
    }

    LV2UI_Handle instantiate(const Offer& offer = Offer()) {
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle ui = instantiate(offer, &widget);
        EXPECT_EQ(widget, ui ? editor_window() : nullptr);
        return ui;
    }

    // The editor window: the widget, found as the host window's child (or the top-level one).
    HWND editor_window() { return GetWindow(hostWindow, GW_CHILD); }

    void port_event(LV2UI_Handle ui, uint32_t port, float value) {
        descriptor->port_event(ui, port, sizeof value, 0, &value);
    }

    // A page message ("b", "s" or "e") as the page sends it; returns once it was handled.
    HRESULT page(char kind, uint32_t index, float value) {
        uint32_t bits;
        memcpy(&bits, &value, sizeof bits);
        char text[40];
        snprintf(text, sizeof text, "%c %x %08x", kind, index, bits);
        return standin.postWebMessage(0, widen(text).c_str());
    }

    // Fifty page edits of index 0, from a thread of their own.
    static DWORD WINAPI edit_on_the_page(void* test) {
        for (int i = 0; i < 50; i++) ((Lv2UiTest*)test)->page('s', 0, (float)(i % 16));
        return 0;
    }

    std::string navigated_uri() { return navigated_uri(standin); }
    static std::string navigated_uri(const StandinControl& runtime) {
        for (const std::string& line : standin_lines(runtime, 0))
            if (line.rfind("Navigate ", 0) == 0) return line.substr(9);
        return "";
    }

    std::vector<std::string> posted() { return posted(standin); }
    static std::vector<std::string> posted(const StandinControl& runtime) {
        std::vector<std::string> messages;
        for (const std::string& line : standin_lines(runtime, 0))
            if (line.rfind("PostWebMessageAsString ", 0) == 0) messages.push_back(line.substr(23));
        return messages;
    }

    std::vector<std::string> calls() {
        std::lock_guard<std::mutex> guard(host.mutex);
        std::vector<std::string> texts;
        for (const HostCall& call : host.calls) texts.push_back(call.text);
        host.calls.clear();
        return texts;
    }
};

HWND Lv2UiTest::hostWindow;

TEST_F(Lv2UiTest, DescriptorAndIdleInterface) {
    LV2UI_DescriptorFunction entry = (LV2UI_DescriptorFunction)library.symbol("lv2ui_descriptor");
    EXPECT_STREQ(descriptor->URI, VELMO_PLUGIN_URI "#ui");
    EXPECT_EQ(entry(0), descriptor);
    EXPECT_EQ(entry(1), nullptr);
    EXPECT_EQ(entry(0xFFFFFFFFu), nullptr);
    ASSERT_NE(library.lv2_descriptor, nullptr) << "the plug-in shares the binary";

    EXPECT_EQ(descriptor->extension_data(LV2_UI__showInterface), nullptr);
    EXPECT_EQ(descriptor->extension_data(LV2_UI__resize), nullptr);
    EXPECT_EQ(descriptor->extension_data(nullptr), nullptr);
    const LV2UI_Idle_Interface* idle =
        (const LV2UI_Idle_Interface*)descriptor->extension_data(LV2_UI__idleInterface);
    ASSERT_NE(idle, nullptr);
    LV2UI_Handle ui = instantiate();
    ASSERT_NE(ui, nullptr);
    for (int i = 0; i < 3; i++) EXPECT_EQ(idle->idle(ui), 0);
    descriptor->cleanup(ui);
}

TEST_F(Lv2UiTest, OpensInsideTheHostWindowAndCleanupClosesIt) {
    int threads = thread_count();
    int vin = temp_entries_named_vin();
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = instantiate(Offer(), &widget);
    ASSERT_NE(ui, nullptr);
    HWND window = (HWND)widget;
    EXPECT_EQ(GetAncestor(window, GA_PARENT), hostWindow);
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_NE(GetWindowThreadProcessId(window, NULL), GetCurrentThreadId());

    // The page comes from the bundle (the loader, too: the stand-in answered).
    ASSERT_EQ(standin.sync(0), S_OK);
    std::string uri = navigated_uri();
    EXPECT_EQ(uri.rfind("file:///Z:/", 0), 0u) << uri;
    EXPECT_NE(uri.find("/ui%20bundle/velmo.lv2/index.html"), std::string::npos) << uri;
    EXPECT_TRUE(posted().empty()) << "no values before the host reports them";

    descriptor->cleanup(ui);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(standin_lines(standin, 0).back(), "Close");
    EXPECT_EQ(thread_count(), threads);
    EXPECT_EQ(temp_entries_named_vin(), vin);

    // A further cycle leaves the heap as it found it.
    standin.reset();
    size_t heap = heap_bytes_in_use();
    descriptor->cleanup(instantiate());
    standin.reset();
    EXPECT_EQ(heap_bytes_in_use(), heap);
}

// Hosts built on lilv hand over the bundle path with forward slashes.
TEST_F(Lv2UiTest, BundlePathWithForwardSlashes) {
    std::string path = bundle;
    for (char& c : path)
        if (c == '\\') c = '/';
    Offer offer;
    offer.bundle_path = path.c_str();
    LV2UI_Handle ui = instantiate(offer);
    ASSERT_NE(ui, nullptr);
    ASSERT_EQ(standin.sync(0), S_OK);
    std::string uri = navigated_uri();
    EXPECT_EQ(uri.rfind("file:///Z:/", 0), 0u) << uri;
    EXPECT_NE(uri.find("/ui%20bundle/velmo.lv2/index.html"), std::string::npos) << uri;
    descriptor->cleanup(ui);
}

// A per-user LV2 folder under a name like "José" or "テスト": hosts give the bundle path in UTF-8.
TEST_F(Lv2UiTest, BundleInAFolderNamedBeyondAscii) {
    std::string folder = temp_subfolder(std::string(unicodeName) + "\\velmo.lv2");
    ASSERT_TRUE(copy_into_folder(folder, {bundle + "WebView2Loader.dll", bundle + "index.html"}));
    std::string loader_copy = folder + "\\WebView2Loader.dll";
    StandinControl copy = {};
    ASSERT_TRUE(standin_control_load(&copy, loader_copy.c_str()));
    copy.reset();
    std::string path = folder + "\\";
    Offer offer;
    offer.bundle_path = path.c_str();
    LV2UI_Handle ui = instantiate(offer);
    ASSERT_NE(ui, nullptr);
    ASSERT_EQ(copy.sync(0), S_OK);
    std::string navigated;
    for (const std::string& line : standin_lines(copy, 0))
        if (line.rfind("Navigate ", 0) == 0) navigated = line.substr(9);
    EXPECT_EQ(navigated.rfind("file:///", 0), 0u) << navigated;
    EXPECT_NE(navigated.find(std::string("/") + unicodeNameInUri + "/velmo.lv2/index.html"), std::string::npos)
        << navigated;
    EXPECT_EQ(standin_text(standin, -1), "") << "the loader came from the named bundle";
    port_event(ui, 2, 9.0f);  // the cutoff
    ASSERT_EQ(copy.sync(0), S_OK);
    EXPECT_NE(standin_text(copy, 0).find("PostWebMessageAsString s 00000000 41100000"), std::string::npos);
    descriptor->cleanup(ui);
    EXPECT_EQ(copy.liveObjects(), 0);
    FreeLibrary(copy.module);
    EXPECT_EQ(GetModuleHandleW(widen(loader_copy).c_str()), (HMODULE)NULL) << "the editor let go of the loader";
    remove_folder_tree(temp_subfolder(unicodeName));
}

// Velmo Stereo's binary opens the same editor from its own bundle, for its own ports: its
// controls follow four audio ports, so the page's index 0 is port 4.
TEST_F(Lv2UiTest, StereoOpensTheEditorForItsOwnPorts) {
    Lv2Library stereo;
    ASSERT_TRUE(stereo.open(VELMO_STEREO_UI_BUNDLE "/velmo-stereo.dll"));
    LV2UI_DescriptorFunction entry = (LV2UI_DescriptorFunction)stereo.symbol("lv2ui_descriptor");
    ASSERT_NE(entry, nullptr);
    descriptor = host.descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_STREQ(descriptor->URI, "https://brindle.digital/plugins/velmo-stereo#ui");
    const std::string stereo_bundle = native_path(VELMO_STEREO_UI_BUNDLE) + "\\";
    StandinControl runtime = {};
    ASSERT_TRUE(standin_control_load(&runtime, (stereo_bundle + "WebView2Loader.dll").c_str()));
    runtime.reset();
    Offer offer;
    offer.bundle_path = stereo_bundle.c_str();
    LV2UI_Handle ui = instantiate(offer);
    ASSERT_NE(ui, nullptr);
    ASSERT_EQ(runtime.sync(0), S_OK);
    std::string uri = navigated_uri(runtime);
    EXPECT_NE(uri.find("/ui%20bundle/velmo-stereo.lv2/index.html"), std::string::npos) << uri;

    port_event(ui, 4, 9.0f);    // the cutoff
    port_event(ui, 7, 200.0f);  // the modulated cutoff
    for (uint32_t audio : {0u, 1u, 2u, 3u}) port_event(ui, audio, 5.0f);
    EXPECT_EQ(runtime.postWebMessage(0, L"s 2 40a00000"), S_OK);  // the page sets lfo_speed to 5
    EXPECT_EQ(posted(runtime), (std::vector<std::string>{"s 00000000 41100000", "s 00000003 43480000"}));
    EXPECT_EQ(calls(), (std::vector<std::string>{"write 6 5"}));
    EXPECT_EQ(standin_text(standin, -1), "") << "Velmo's loader took no part";

    descriptor->cleanup(ui);
    EXPECT_EQ(runtime.liveObjects(), 0);
    EXPECT_EQ(runtime.outstandingStrings(), 0);
    FreeLibrary(runtime.module);
    EXPECT_EQ(GetModuleHandleA((stereo_bundle + "WebView2Loader.dll").c_str()), (HMODULE)NULL);
}

TEST_F(Lv2UiTest, WithoutParentTheWidgetIsATopLevelWindowTheUserCanClose) {
    Offer offer;
    offer.parent = false;
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = instantiate(offer, &widget);
    ASSERT_NE(ui, nullptr);
    HWND window = (HWND)widget;
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindow(hostWindow, GW_CHILD), (HWND)NULL);
    port_event(ui, 3, 6.0f);
    EXPECT_EQ(posted(), std::vector<std::string>{"s 00000001 40c00000"});

    PostMessageA(window, WM_CLOSE, 0, 0);  // the close box
    for (int i = 0; i < 500 && IsWindow(window); i++) Sleep(10);
    ASSERT_FALSE(IsWindow(window));
    port_event(ui, 3, 7.0f);  // returns at once
    const LV2UI_Idle_Interface* idle =
        (const LV2UI_Idle_Interface*)descriptor->extension_data(LV2_UI__idleInterface);
    EXPECT_EQ(idle->idle(ui), 0) << "the UI never asks the host to close it";
    descriptor->cleanup(ui);
    EXPECT_EQ(standin_lines(standin, 0).back(), "Close");
}

TEST_F(Lv2UiTest, PortEventsReachThePageSnappedByPort) {
    LV2UI_Handle ui = instantiate();
    ASSERT_NE(ui, nullptr);
    port_event(ui, 2, 7.6f);    // snapped: 8 at index 0
    port_event(ui, 5, 200.0f);  // as it is: 200 at index 3
    port_event(ui, 3, -4.0f);   // 0
    port_event(ui, 4, 40.0f);   // 15
    port_event(ui, 4, NAN);     // 0
    port_event(ui, 5, 248.9f);  // the editor carries whole numbers: 248
    for (uint32_t ignored : {0u, 1u, 6u, 0xFFFFFFFFu}) port_event(ui, ignored, 9.0f);
    descriptor->port_event(ui, 2, 4, 0, nullptr);
    EXPECT_EQ(posted(), (std::vector<std::string>{"s 00000000 41000000", "s 00000003 43480000",
                                                  "s 00000001 00000000", "s 00000002 41700000",
                                                  "s 00000002 00000000", "s 00000003 43780000"}));
    EXPECT_TRUE(calls().empty()) << "port events are not written back";
    descriptor->cleanup(ui);
}

TEST_F(Lv2UiTest, GesturesWithTouchWrapTheWritesOnTheEditorThread) {
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = instantiate(Offer(), &widget);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(page('b', 1, 3.2f), S_OK);
    EXPECT_EQ(calls(), (std::vector<std::string>{"touch 3 grabbed", "write 3 3"}));
    EXPECT_EQ(page('s', 1, 3.6f), S_OK);
    EXPECT_EQ(page('e', 1, 3.6f), S_OK);
    EXPECT_EQ(calls(), (std::vector<std::string>{"write 3 4", "write 3 4", "touch 3 released"}));

    // Snapped to whole numbers from 0 to 15 on every port.
    page('s', 0, 15.7f);
    page('s', 2, -3.0f);
    page('s', 2, 1.0e9f);
    page('b', 0, 0.4f);
    page('e', 0, 16.2f);
    EXPECT_EQ(calls(), (std::vector<std::string>{"write 2 15", "write 4 0", "write 4 15", "touch 2 grabbed",
                                                 "write 2 0", "write 2 15", "touch 2 released"}));

    // The modulated cutoff is read-only: an edit of it writes nothing to the output port.
    page('b', 3, 7.0f);
    page('s', 3, 7.0f);
    page('e', 3, 7.0f);
    EXPECT_TRUE(calls().empty());

    // Float protocol, the host's controller and touch handle, called from the editor's thread.
    page('b', 2, 5.0f);
    page('e', 2, 6.0f);
    DWORD editorThread = GetWindowThreadProcessId((HWND)widget, NULL);
    std::lock_guard<std::mutex> guard(host.mutex);
    ASSERT_EQ(host.calls.size(), 4u);
    for (const HostCall& call : host.calls) {
        SCOPED_TRACE(call.text);
        EXPECT_EQ(call.thread, editorThread);
        if (call.text[0] == 'w') {
            EXPECT_EQ(call.size, 4u);
            EXPECT_EQ(call.format, 0u);
            EXPECT_EQ(call.handle, &host);
        } else {
            EXPECT_EQ(call.handle, &host.touch_target);
        }
    }
    host.calls.clear();
    descriptor->cleanup(ui);
}

// A host without ui:touch, or with a touch feature that cannot be called, sees only the
// writes of the page's value messages.
TEST_F(Lv2UiTest, WithoutTouchOnlyValuesAreWritten) {
    LV2UI_Touch no_function = {&host.touch_target, nullptr};
    LV2_Feature parent = {LV2_UI__parent, hostWindow};
    LV2_Feature null_touch = {LV2_UI__touch, nullptr};
    LV2_Feature touch_without_function = {LV2_UI__touch, &no_function};
    const LV2_Feature* only_parent[] = {&parent, nullptr};
    const LV2_Feature* with_null_touch[] = {&parent, &null_touch, nullptr};
    const LV2_Feature* with_touch_without_function[] = {&touch_without_function, &parent, nullptr};
    for (const LV2_Feature* const* features : {only_parent, with_null_touch, with_touch_without_function}) {
        standin.reset();
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle ui = descriptor->instantiate(descriptor, VELMO_PLUGIN_URI, bundle.c_str(), host_write,
                                                  &host, &widget, features);
        ASSERT_NE(ui, nullptr);
        page('b', 1, 3.2f);
        page('s', 1, 3.6f);
        page('e', 1, 3.6f);
        EXPECT_EQ(calls(), std::vector<std::string>{"write 3 4"});
        descriptor->cleanup(ui);
    }
}

TEST_F(Lv2UiTest, LaterFeaturesOverrideEarlierOnes) {
    HWND first_parent = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, hostWindow,
                                        NULL, NULL, NULL);
    ASSERT_NE(first_parent, (HWND)NULL);
    TouchTarget first_target = {&host};
    LV2UI_Touch first_touch = {&first_target, host_touch};
    LV2UI_Touch second_touch = {&host.touch_target, host_touch};
    LV2_Feature features[] = {
        {LV2_UI__parent, first_parent}, {LV2_UI__touch, &first_touch}, {"urn:velmo:unknown", &host},
        {LV2_UI__parent, hostWindow},   {LV2_UI__touch, &second_touch},
    };
    const LV2_Feature* list[] = {&features[0], &features[1], &features[2], &features[3], &features[4], nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = descriptor->instantiate(descriptor, VELMO_PLUGIN_URI, bundle.c_str(), host_write, &host,
                                              &widget, list);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(GetAncestor((HWND)widget, GA_PARENT), hostWindow);
    page('b', 0, 1.0f);
    {
        std::lock_guard<std::mutex> guard(host.mutex);
        ASSERT_EQ(host.calls.size(), 2u);
        EXPECT_EQ(host.calls[0].handle, &host.touch_target);
        host.calls.clear();
    }
    descriptor->cleanup(ui);
    DestroyWindow(first_parent);
}

// A host may answer a write with a port event at once, from inside its write function and so
// on the editor's thread: the value reaches the page and nothing waits for itself.
TEST_F(Lv2UiTest, HostAnsweringAWriteWithAPortEvent) {
    LV2UI_Handle ui = instantiate();
    ASSERT_NE(ui, nullptr);
    host.echo = true;
    EXPECT_EQ(page('s', 0, 15.7f), S_OK);
    EXPECT_EQ(page('b', 2, 3.2f), S_OK);
    EXPECT_EQ(calls(), (std::vector<std::string>{"write 2 15", "touch 4 grabbed", "write 4 3"}));
    EXPECT_EQ(posted(), (std::vector<std::string>{"s 00000000 41700000", "s 00000002 40400000"}));
    host.echo = false;
    port_event(ui, 4, 9.0f);  // and the host's own thread is still served afterwards
    EXPECT_EQ(posted().back(), "s 00000002 41100000");
    descriptor->cleanup(ui);
}

// A host whose write function sends to its own window while its thread is inside port_event:
// the UI waits in a way that serves the sent message, so neither thread waits for the other.
TEST_F(Lv2UiTest, PortEventsWhileTheWriteFunctionSendsToTheHostsWindow) {
    LV2UI_Handle ui = instantiate();
    ASSERT_NE(ui, nullptr);
    host.notify = hostWindow;
    HANDLE page_thread = CreateThread(NULL, 0, edit_on_the_page, this, 0, NULL);
    ASSERT_NE(page_thread, (HANDLE)NULL);
    // Port events for as long as the page edits (bounded), as a busy host would send them.
    int events = 0;
    while (WaitForSingleObject(page_thread, 0) == WAIT_TIMEOUT && events < 100000) {
        host.in_port_event = true;
        port_event(ui, 4, (float)(events++ % 16));
        host.in_port_event = false;
    }
    // The host's loop afterwards: serve what other threads send, until the page is done.
    DWORD waited;
    while ((waited = MsgWaitForMultipleObjects(1, &page_thread, FALSE, 20000, QS_SENDMESSAGE)) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    CloseHandle(page_thread);
    host.notify = NULL;
    EXPECT_GT(host.sent_during_port_event, 0) << "the two never met";
    EXPECT_EQ(calls().size(), 50u);
    EXPECT_EQ(posted().size(), (size_t)events);
    descriptor->cleanup(ui);
}

TEST_F(Lv2UiTest, HostWithoutWriteFunctionStillShowsValues) {
    Offer offer;
    offer.write = nullptr;
    LV2UI_Handle ui = instantiate(offer);
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(page('b', 1, 3.0f), S_OK);
    EXPECT_EQ(page('s', 1, 4.0f), S_OK);
    EXPECT_EQ(page('e', 1, 4.0f), S_OK);
    EXPECT_EQ(calls(), (std::vector<std::string>{"touch 3 grabbed", "touch 3 released"}));
    port_event(ui, 3, 4.0f);
    EXPECT_EQ(posted(), std::vector<std::string>{"s 00000001 40800000"});
    descriptor->cleanup(ui);
}

// Every way instantiate can fail returns null with a null widget and leaves no thread, window,
// temporary file, memory or runtime object behind.
TEST_F(Lv2UiTest, FailedInstantiateLeavesNothingBehind) {
    descriptor->cleanup(instantiate());
    int vin = temp_entries_named_vin();
    struct Failure {
        const char* name;
        const char* bundle_path;
        const char* standin_step;  // the stand-in runtime fails here
    } failures[] = {
        {"no WebView2Loader.dll in the bundle", no_loader_bundle.c_str(), nullptr},
        {"no bundle path", nullptr, nullptr},
        {"environment refused", bundle.c_str(), "CreateCoreWebView2EnvironmentWithOptions"},
        {"environment failed", bundle.c_str(), "environment"},
        {"controller failed", bundle.c_str(), "controller"},
        {"navigation refused", bundle.c_str(), "Navigate"},
        {"control not shown", bundle.c_str(), "put_IsVisible"},
    };
    // The first pass brings every path to its steady state (Wine starts threads of its own on
    // first use, the stand-in's log grows); the second one also counts threads and the heap.
    int threads = 0;
    for (int pass = 0; pass < 2; pass++) {
        if (pass == 1) threads = thread_count();
        for (const Failure& failure : failures) {
            SCOPED_TRACE(failure.name);
            standin.reset();
            size_t heap = heap_bytes_in_use();
            standin.failAt(failure.standin_step);
            Offer offer;
            offer.bundle_path = failure.bundle_path;
            LV2UI_Widget widget = (LV2UI_Widget)&widget;
            EXPECT_EQ(instantiate(offer, &widget), nullptr);
            EXPECT_EQ(widget, nullptr);
            EXPECT_EQ(temp_entries_named_vin(), vin) << "temporary file or user-data folder left";
            EXPECT_EQ(standin.liveObjects(), 0);
            EXPECT_EQ(GetWindow(hostWindow, GW_CHILD), (HWND)NULL);
            if (!failure.standin_step) {
                EXPECT_EQ(standin_text(standin, -1), "") << "the runtime was never asked";
            }
            standin.reset();
            if (pass == 1) {
                EXPECT_EQ(thread_count(), threads);
                EXPECT_EQ(heap_bytes_in_use(), heap);
            }
        }
    }
    standin.failAt(nullptr);
    standin.reset();
}
