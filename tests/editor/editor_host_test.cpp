// The editor host under Wine, driven through the stand-in WebView2 runtime.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>

#include "editor_test_support.h"
#include "import_patch.h"
#include "unicode_folder.h"

static const char resourcesDirectory[] = "C:\\Velmo Resources\\B\xc3\xa9la"; // UTF-8, not ASCII
static const char pageUri[] = "file:///C:/Velmo%20Resources/B%C3%A9la/index.html";

class EditorHostTest : public ::testing::Test {
protected:
    StandinControl standin = {};
    EditRecorder recorder = {};
    std::string moduleDirectory = exe_directory();
    std::string standinPath = moduleDirectory + "\\WebView2Loader.dll";

    // The plug-in host's window, visible and owned by this thread. One for all tests: showing a
    // top-level window takes Wine about two seconds.
    static HWND hostWindow;

    static void SetUpTestSuite() { hostWindow = create_parent_window(1000, 800); }
    static void TearDownTestSuite() { DestroyWindow(hostWindow); }

    void SetUp() override
    {
        ASSERT_TRUE(standin_control_load(&standin, standinPath.c_str()));
        standin.reset();
        launchedCommandLines.clear();
        editorSetLinkLauncher(record_launch);
    }

    void TearDown() override
    {
        EXPECT_EQ(standin.liveObjects(), 0) << "stand-in objects still referenced";
        EXPECT_EQ(standin.outstandingStrings(), 0) << "strings from the runtime never freed";
        EXPECT_EQ(standin_text(standin, -1).find("ERROR"), std::string::npos) << standin_text(standin, -1);
        // The editor must have dropped its reference to the loader library.
        FreeLibrary(standin.module);
        EXPECT_EQ(GetModuleHandleA(standinPath.c_str()), (HMODULE)NULL);
        editorSetLinkLauncher(NULL);
    }

    // Inside the host's window unless told otherwise (top-level windows are slow under Wine).
    EditorHost* open() { return open(true, hostWindow); }
    EditorHost* open(bool hasParent, HWND parent)
    {
        return open_editor(&recorder, hasParent, parent, moduleDirectory.c_str(), resourcesDirectory);
    }

    // Posts a page message and waits for its handling; returns the handler's HRESULT.
    HRESULT page(const std::wstring& text, int environment = 0)
    {
        return standin.postWebMessage(environment, text.c_str());
    }

    std::vector<std::string> posted(int environment = 0)
    {
        std::vector<std::string> messages;
        for (const std::string& line : standin_lines(standin, environment))
            if (line.rfind("PostWebMessageAsString ", 0) == 0) messages.push_back(line.substr(23));
        return messages;
    }
};

HWND EditorHostTest::hostWindow;

static std::string hex_pointer(const void* p)
{
    char text[32];
    snprintf(text, sizeof text, "%p", p);
    return text;
}

TEST_F(EditorHostTest, OpensInsideAParentOwnedByTheWaitingThreadAndFollowsTheSetUpOrder)
{
    // The parent belongs to this thread: the editor thread's SetParent and DestroyWindow need
    // this thread to serve sent messages while it waits.
    HWND parent = hostWindow;
    ASSERT_NE(parent, (HWND)NULL);
    int vinBefore = temp_entries_named_vin();
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    HWND window = (HWND)editorWindow(host);
    EXPECT_EQ(window, *(HWND*)host); // first field, as the adapters read it
    EXPECT_EQ(GetAncestor(window, GA_PARENT), parent);
    EXPECT_TRUE(IsWindowVisible(window));
    char className[64];
    GetClassNameA(window, className, sizeof className);
    char expectedClass[64];
    snprintf(expectedClass, sizeof expectedClass, "c%llX", (unsigned long long)(uintptr_t)host);
    EXPECT_STREQ(className, expectedClass);
    EXPECT_NE(GetWindowThreadProcessId(window, NULL), GetCurrentThreadId());

    ASSERT_EQ(standin.sync(0), S_OK);
    std::string folder = log_value(standin, 0, "userDataFolder");
    std::string expectedFolderStart = temp_directory() + "vin";
    EXPECT_EQ(folder.compare(0, expectedFolderStart.size(), expectedFolderStart), 0) << folder;
    std::string unique = folder.substr(expectedFolderStart.size()); // "vin<hex>" of the temporary file
    EXPECT_FALSE(unique.empty());
    EXPECT_EQ(unique.find_first_not_of("0123456789ABCDEFabcdef"), std::string::npos) << folder;
    EXPECT_TRUE(path_exists(folder)) << "the runtime's folder exists while the editor runs";
    EXPECT_FALSE(path_exists(folder + ".tmp")) << "the temporary file is gone once open returns";
    EXPECT_EQ(temp_entries_named_vin(), vinBefore + 1);

    std::vector<std::string> expected = {
        "CreateCoreWebView2EnvironmentWithOptions browserFolder=(null) userDataFolder=" + folder + " handler=ok",
        "options arguments=--allow-file-access-from-files language=(null) target=131.0.2903.40 singleSignOn=0",
        "CreateCoreWebView2Controller parent=" + hex_pointer(window) + " handler=ok",
        "environment completed 0x00000000 -> 0x00000000",
        "get_CoreWebView2",
        "get_Settings",
        "put_IsScriptEnabled 1",
        "put_AreHostObjectsAllowed 1",
        "put_Bounds 0 0 800 600",
        "add_WebMessageReceived handler=ok",
        "add_NavigationStarting handler=ok",
        std::string("Navigate ") + pageUri,
        "controller completed 0x00000000 -> 0x00000000",
        "put_IsVisible 1",
        "put_Bounds 0 0 800 600", // showing the window sizes it once more
        std::string("NavigationStarting ") + pageUri + " cancel=0", // our own page is let through
    };
    EXPECT_EQ(standin_lines(standin, 0), expected);

    editorClose(host);
    std::vector<std::string> lines = standin_lines(standin, 0);
    EXPECT_EQ(lines.back(), "Close");
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(path_exists(folder)) << "user-data folder deleted on close";
    EXPECT_EQ(temp_entries_named_vin(), vinBefore);
    EXPECT_TRUE(launchedCommandLines.empty());
}

TEST_F(EditorHostTest, TopLevelWindowClosedByTheUserThenEditorClose)
{
    int threadsBefore = thread_count();
    EditorHost* host = open(false, NULL);
    ASSERT_NE(host, (EditorHost*)NULL);
    HWND window = (HWND)editorWindow(host);
    EXPECT_EQ(GetAncestor(window, GA_PARENT), GetDesktopWindow());
    EXPECT_TRUE(IsWindowVisible(window));
    RECT client;
    GetClientRect(window, &client);
    char bounds[64];
    snprintf(bounds, sizeof bounds, "put_Bounds 0 0 %ld %ld", client.right, client.bottom);
    ASSERT_EQ(standin.sync(0), S_OK);
    std::string folder = log_value(standin, 0, "userDataFolder");
    std::vector<std::string> lines = standin_lines(standin, 0);
    EXPECT_NE(std::find(lines.begin(), lines.end(), bounds), lines.end());

    PostMessageA(window, WM_CLOSE, 0, 0); // the close box
    for (int i = 0; i < 500 && IsWindow(window); i++) Sleep(10);
    ASSERT_FALSE(IsWindow(window));
    editorSendValue(host, 0, 3.0f); // returns at once
    EXPECT_FALSE(editorStartTimer(host, 1, 10, [](HWND, UINT, UINT_PTR, DWORD) {}));
    editorStopTimer(host, 1);       // returns at once
    editorClose(host);              // joins the ended thread and frees everything
    EXPECT_EQ(thread_count(), threadsBefore);
    EXPECT_FALSE(path_exists(folder));
    EXPECT_EQ(standin_lines(standin, 0).back(), "Close");
}

TEST_F(EditorHostTest, TwoEditorsAtOnceAreIndependent)
{
    EditorHost* first = open(false, NULL);
    EditorHost* second = open();
    ASSERT_NE(first, (EditorHost*)NULL);
    ASSERT_NE(second, (EditorHost*)NULL);
    HWND a = (HWND)editorWindow(first);
    HWND b = (HWND)editorWindow(second);
    char classA[64], classB[64];
    GetClassNameA(a, classA, sizeof classA);
    GetClassNameA(b, classB, sizeof classB);
    EXPECT_STRNE(classA, classB);
    EXPECT_NE(GetWindowThreadProcessId(a, NULL), GetWindowThreadProcessId(b, NULL));
    std::string folderA = log_value(standin, 0, "userDataFolder");
    std::string folderB = log_value(standin, 1, "userDataFolder");
    EXPECT_NE(folderA, folderB);

    editorSendValue(first, 0, 5.0f);
    editorSendValue(second, 0, 9.0f);
    EXPECT_EQ(posted(0), std::vector<std::string>{"s 00000000 40a00000"});
    EXPECT_EQ(posted(1), std::vector<std::string>{"s 00000000 41100000"});

    editorClose(first);
    EXPECT_FALSE(path_exists(folderA));
    EXPECT_TRUE(path_exists(folderB));
    EXPECT_TRUE(IsWindow(b));
    editorSendValue(second, 1, 2.0f);
    EXPECT_EQ(posted(1).back(), "s 00000001 40000000");
    editorClose(second);
    EXPECT_FALSE(path_exists(folderB));
}

// Every way the start can fail returns null and leaves nothing behind.
TEST_F(EditorHostTest, FailedStartsLeaveNothingBehind)
{
    const char* steps[] = {
        "CreateCoreWebView2EnvironmentWithOptions", "environment", "CreateCoreWebView2Controller",
        "controller", "get_CoreWebView2", "get_Settings", "put_IsScriptEnabled", "put_AreHostObjectsAllowed",
        "put_Bounds", "add_WebMessageReceived", "add_NavigationStarting", "Navigate", "put_IsVisible",
    };
    HWND parent = hostWindow;
    {
        // Warm-up: Wine starts threads of its own on first use, and GoogleTest one for traces.
        SCOPED_TRACE("warm-up");
        editorClose(open(true, parent));
    }
    int threadsBefore = thread_count();
    int vinBefore = temp_entries_named_vin();
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        standin.reset();
        standin.failAt(step);
        EXPECT_EQ(open(true, parent), (EditorHost*)NULL);
        EXPECT_EQ(thread_count(), threadsBefore);
        EXPECT_EQ(temp_entries_named_vin(), vinBefore) << "temporary file or user-data folder left";
        EXPECT_EQ(standin.liveObjects(), 0);
        EXPECT_EQ(GetWindow(parent, GW_CHILD), (HWND)NULL) << "editor window left in the parent";
        std::string window = log_value(standin, 0, "parent");
        if (!window.empty()) {
            void* handle = NULL;
            sscanf(window.c_str(), "%p", &handle);
            EXPECT_FALSE(IsWindow((HWND)handle));
        }
    }
}

TEST_F(EditorHostTest, FailsBeforeTheRuntimeWithoutLeaving)
{
    int vinBefore = temp_entries_named_vin();
    int threadsBefore = thread_count();
    // No loader in the module folder; a loader without the export; a resources path that is
    // not UTF-8; no descriptor.
    std::string empty = temp_directory() + "velmo-editor-test-empty";
    CreateDirectoryA(empty.c_str(), NULL);
    EXPECT_EQ(open_editor(&recorder, false, NULL, empty.c_str(), resourcesDirectory), (EditorHost*)NULL);
    std::string noExport = moduleDirectory + "\\no-export";
    EXPECT_EQ(open_editor(&recorder, false, NULL, noExport.c_str(), resourcesDirectory), (EditorHost*)NULL);
    EXPECT_EQ(open_editor(&recorder, false, NULL, moduleDirectory.c_str(), "C:\\bad\xff\xfe"), (EditorHost*)NULL);
    EXPECT_EQ(open_editor(&recorder, false, NULL, moduleDirectory.c_str(), "C:\\cut\xc3"), (EditorHost*)NULL);
    EXPECT_EQ(editorOpen(false, NULL, NULL, 800, 600, 4), (EditorHost*)NULL);
    RemoveDirectoryA(empty.c_str());
    // A module folder that is not UTF-8 is refused, even where the ANSI code page would find a
    // loader under that spelling: "velmo-\xE9" is "velmo-é" in Windows-1252 only.
    std::string accented = temp_subfolder("velmo-\xC3\xA9");
    ASSERT_TRUE(copy_into_folder(accented, {standinPath}));
    EXPECT_EQ(open_editor(&recorder, false, NULL, temp_subfolder("velmo-\xE9").c_str(), resourcesDirectory),
              (EditorHost*)NULL);
    EXPECT_EQ(open_editor(&recorder, false, NULL, (accented + "\xFF").c_str(), resourcesDirectory), (EditorHost*)NULL);
    EXPECT_EQ(GetModuleHandleW(widen(accented + "\\WebView2Loader.dll").c_str()), (HMODULE)NULL);
    remove_folder_tree(accented);
    EXPECT_EQ(standin_text(standin, -1), "") << "the runtime was never asked";
    EXPECT_EQ(temp_entries_named_vin(), vinBefore);
    EXPECT_EQ(thread_count(), threadsBefore);
    EXPECT_EQ(GetModuleHandleA((noExport + "\\WebView2Loader.dll").c_str()), (HMODULE)NULL);
}

TEST_F(EditorHostTest, LoaderAndPageFromAFolderNamedBeyondAscii)
{
    std::string folder = temp_subfolder(unicodeName);
    ASSERT_TRUE(copy_into_folder(folder, {standinPath}));
    std::string loaderCopy = folder + "\\WebView2Loader.dll";
    StandinControl copy = {};
    ASSERT_TRUE(standin_control_load(&copy, loaderCopy.c_str()));
    ASSERT_NE(copy.module, standin.module) << "the copy is a runtime of its own";
    copy.reset();

    EditorHost* host = open_editor(&recorder, true, hostWindow, folder.c_str(), folder.c_str());
    ASSERT_NE(host, (EditorHost*)NULL);
    ASSERT_EQ(copy.sync(0), S_OK);
    std::string navigate;
    for (const std::string& line : standin_lines(copy, 0))
        if (line.rfind("Navigate ", 0) == 0) navigate = line.substr(9);
    std::string ending = std::string("/") + unicodeNameInUri + "/index.html";
    EXPECT_EQ(navigate.rfind("file:///", 0), 0u) << navigate;
    ASSERT_GE(navigate.size(), ending.size());
    EXPECT_EQ(navigate.substr(navigate.size() - ending.size()), ending);
    EXPECT_NE(standin_lines(copy, 0).back().find("cancel=0"), std::string::npos) << "the page is let through";
    EXPECT_EQ(standin_text(standin, -1), "") << "the loader came from the named folder";
    editorClose(host);

    EXPECT_EQ(copy.liveObjects(), 0);
    EXPECT_EQ(copy.outstandingStrings(), 0);
    FreeLibrary(copy.module);
    EXPECT_EQ(GetModuleHandleW(widen(loaderCopy).c_str()), (HMODULE)NULL) << "the editor let go of the loader";
    remove_folder_tree(folder);
}

TEST_F(EditorHostTest, ValuesTravelBothWays)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    DWORD uiThread = GetWindowThreadProcessId((HWND)editorWindow(host), NULL);

    editorSendValue(host, 0, 7.9f);  // whole numbers reach the page: 7
    editorSendValue(host, 2, -2.5f); // truncated toward zero: -2
    EXPECT_EQ(posted(), (std::vector<std::string>{"s 00000000 40e00000", "s 00000002 c0000000"}));

    EXPECT_EQ(page(L"b 1 40e00000"), S_OK);
    EXPECT_EQ(page(L"s 1 40e00000"), S_OK);
    EXPECT_EQ(page(L"e,1 41000000"), S_OK); // any separator after the kind
    ASSERT_EQ(recorder.edits.size(), 3u);
    const char kinds[] = {'b', 's', 'e'};
    const float values[] = {7.0f, 7.0f, 8.0f};
    for (size_t i = 0; i < 3; i++) {
        EXPECT_EQ(recorder.edits[i].kind, kinds[i]);
        EXPECT_EQ(recorder.edits[i].index, 1u);
        EXPECT_EQ(recorder.edits[i].value, values[i]);
        EXPECT_EQ(recorder.edits[i].thread, uiThread) << "page callbacks run on the editor's thread";
    }

    EXPECT_EQ(page(L"g"), S_OK); // replays the table, index 0 upwards
    std::vector<std::string> all = posted();
    std::vector<std::string> replay(all.end() - 4, all.end());
    EXPECT_EQ(replay, (std::vector<std::string>{"s 00000000 40e00000", "s 00000001 41000000",
                                                "s 00000002 c0000000", "s 00000003 00000000"}));
    // Not-a-number, infinity and indices beyond the table are not sent.
    size_t before = posted().size();
    editorSendValue(host, 4, 1.0f);
    editorSendValue(host, 1, NAN);
    editorSendValue(host, 1, INFINITY);
    EXPECT_EQ(posted().size(), before);
    editorClose(host);
}

TEST_F(EditorHostTest, SendValueFromInsideAPageCallbackDoesNotWait)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    recorder.answerHost = host; // onEditorValue answers with index 3, value + 5
    EXPECT_EQ(page(L"s 0 40400000"), S_OK);
    EXPECT_EQ(posted(), std::vector<std::string>{"s 00000003 41000000"});
    recorder.answerHost = NULL;
    editorClose(host);
}

TEST_F(EditorHostTest, PageMessageSizeLimit)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    // 1023 bytes of UTF-8 (1024 with the terminator) are handled; one more byte is refused and
    // the refused string is still freed (checked in TearDown).
    EXPECT_EQ(page(L"g" + std::wstring(1022, L' ')), S_OK);
    EXPECT_EQ(posted().size(), 4u);
    EXPECT_EQ(page(L"g" + std::wstring(1023, L' ')), E_OUTOFMEMORY);
    EXPECT_EQ(posted().size(), 4u);
    // Measured in UTF-8 bytes, not characters: 511 two-byte letters.
    EXPECT_EQ(page(L"g" + std::wstring(511, L'\u00e9')), S_OK);
    EXPECT_EQ(posted().size(), 8u);
    EXPECT_EQ(page(L"g" + std::wstring(511, L'\u00e9') + L" "), E_OUTOFMEMORY);
    EXPECT_EQ(page(L"s 1 40e00000" + std::wstring(1011, L' ')), S_OK);
    EXPECT_EQ(recorder.edits.size(), 1u);
    EXPECT_EQ(page(L"s 1 40e00000" + std::wstring(1012, L' ')), E_OUTOFMEMORY);
    EXPECT_EQ(recorder.edits.size(), 1u);
    editorClose(host);
}

TEST_F(EditorHostTest, BadPageMessagesChangeNothing)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    editorSendValue(host, 3, 1.0f);
    const wchar_t* garbage[] = {
        L"s 4 40e00000",      // index = parameter count
        L"b ffffffff 0",      // far beyond the table
        L"s 1 zz", L"s", L"e", L"", L"x 1 40e00000", L"s 1 7fc00000",
        L"s 1 \xD800",        // lone surrogate: not valid UTF-16
        L"\xDC00 1 0",
    };
    for (const wchar_t* text : garbage) EXPECT_EQ(page(text), S_OK);
    EXPECT_EQ(standin.postWebMessage(0, NULL), E_INVALIDARG) << "a non-string message is refused";
    EXPECT_TRUE(recorder.edits.empty());
    EXPECT_EQ(page(L"g"), S_OK);
    std::vector<std::string> all = posted();
    std::vector<std::string> replay(all.end() - 4, all.end());
    EXPECT_EQ(replay, (std::vector<std::string>{"s 00000000 00000000", "s 00000001 00000000",
                                                "s 00000002 00000000", "s 00000003 3f800000"}));
    editorClose(host);
}

TEST_F(EditorHostTest, NavigationPolicy)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    BOOL cancelled = TRUE;
    EXPECT_EQ(standin.navigate(0, L"file:///C:/Velmo/help.html", &cancelled), S_OK);
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(launchedCommandLines.empty());

    struct Outside {
        const wchar_t* uri;
        const wchar_t* commandLine; // null: nothing may be started
    } outside[] = {
        {L"FILE:///C:/Velmo/index.html", L"rundll32 url.dll,FileProtocolHandler \"FILE:///C:/Velmo/index.html\""},
        {L"http://brindle.digital/velmo", L"rundll32 url.dll,FileProtocolHandler \"http://brindle.digital/velmo\""},
        {L"https://x.example/\" calc.exe \"", L"rundll32 url.dll,FileProtocolHandler \"https://x.example/%22 calc.exe %22\""},
        {L"https://x.example/\r\ncalc", NULL},
        {L"https://x.example/\xD800", NULL},
    };
    for (const Outside& o : outside) {
        launchedCommandLines.clear();
        cancelled = FALSE;
        EXPECT_EQ(standin.navigate(0, o.uri, &cancelled), S_OK);
        EXPECT_TRUE(cancelled);
        if (o.commandLine) {
            ASSERT_EQ(launchedCommandLines.size(), 1u);
            EXPECT_EQ(launchedCommandLines[0], o.commandLine);
        } else {
            EXPECT_TRUE(launchedCommandLines.empty());
        }
    }
    editorClose(host);
}

TEST_F(EditorHostTest, BrowserFollowsTheClientArea)
{
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    HWND window = (HWND)editorWindow(host);
    SetWindowPos(window, NULL, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(standin.sync(0), S_OK);
    std::vector<std::string> lines = standin_lines(standin, 0);
    auto lastBounds = std::find_if(lines.rbegin(), lines.rend(),
                                   [](const std::string& line) { return line.rfind("put_Bounds", 0) == 0; });
    ASSERT_NE(lastBounds, lines.rend());
    EXPECT_EQ(*lastBounds, "put_Bounds 0 0 1000 700");
    editorClose(host);
}

TEST_F(EditorHostTest, ParentDestroyedUnderTheEditor)
{
    HWND parent = create_parent_window(900, 700);
    EditorHost* host = open(true, parent);
    ASSERT_NE(host, (EditorHost*)NULL);
    HWND window = (HWND)editorWindow(host);
    int threads = thread_count();
    DestroyWindow(parent); // takes the editor window with it; the UI thread ends
    for (int i = 0; i < 500 && thread_count() >= threads; i++) Sleep(10);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_LT(thread_count(), threads);
    editorSendValue(host, 0, 1.0f);
    editorClose(host);
    EXPECT_EQ(standin_lines(standin, 0).back(), "Close");
}

TEST_F(EditorHostTest, HundredOpenCloseCyclesLeakNothing)
{
    editorClose(open()); // let the system set up whatever it keeps
    int threads = thread_count();
    DWORD handles = handle_count();
    int vin = temp_entries_named_vin();
    DWORD start = GetTickCount();
    for (int i = 0; i < 100; i++) {
        standin.reset();
        EditorHost* host = open();
        ASSERT_NE(host, (EditorHost*)NULL) << "cycle " << i;
        editorSendValue(host, 1, (float)i);
        editorClose(host);
    }
    DWORD elapsed = GetTickCount() - start;
    EXPECT_EQ(thread_count(), threads);
    EXPECT_LE(handle_count(), handles + 2) << "handles before " << handles;
    EXPECT_EQ(temp_entries_named_vin(), vin);
    printf("100 open/close cycles: %lu ms, threads %d, handles %lu -> %lu\n", (unsigned long)elapsed, threads,
           (unsigned long)handles, (unsigned long)handle_count());
}

// Which threads set and kill timers: this program's imports of both, wrapped to record the caller.
static std::atomic<DWORD> setTimerThread, killTimerThread;
static UINT_PTR(WINAPI* systemSetTimer)(HWND, UINT_PTR, UINT, TIMERPROC);
static BOOL(WINAPI* systemKillTimer)(HWND, UINT_PTR);
static UINT_PTR WINAPI recording_set_timer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure)
{
    setTimerThread = GetCurrentThreadId();
    return systemSetTimer(window, id, milliseconds, procedure);
}
static BOOL WINAPI recording_kill_timer(HWND window, UINT_PTR id)
{
    killTimerThread = GetCurrentThreadId();
    return systemKillTimer(window, id);
}

static std::atomic<int> ticks;
static std::atomic<DWORD> tickThread;
static std::atomic<UINT_PTR> tickId;
static EditorHost* stopOnTick; // a tick stops its own timer, from the editor's thread
static void CALLBACK count_tick(HWND, UINT, UINT_PTR id, DWORD)
{
    ticks++;
    tickThread = GetCurrentThreadId();
    tickId = id;
    if (stopOnTick) editorStopTimer(stopOnTick, id);
}

static bool wait_for_ticks(int count)
{
    for (int i = 0; i < 300 && ticks < count; i++) Sleep(10);
    return ticks >= count;
}

TEST_F(EditorHostTest, TimersAreSetAndKilledByTheEditorThread)
{
    HMODULE program = GetModuleHandleA(NULL);
    systemSetTimer = (decltype(systemSetTimer))patch_import(program, "user32.dll", "SetTimer", (void*)recording_set_timer);
    systemKillTimer =
        (decltype(systemKillTimer))patch_import(program, "user32.dll", "KillTimer", (void*)recording_kill_timer);
    ASSERT_NE(systemSetTimer, nullptr);
    ASSERT_NE(systemKillTimer, nullptr);
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    DWORD uiThread = GetWindowThreadProcessId((HWND)editorWindow(host), NULL);

    ticks = 0;
    EXPECT_TRUE(editorStartTimer(host, 0x5EED, 10, count_tick));
    EXPECT_EQ(setTimerThread.load(), uiThread) << "Windows refuses timers set from another thread";
    EXPECT_TRUE(wait_for_ticks(3));
    EXPECT_EQ(tickThread.load(), uiThread);
    EXPECT_EQ(tickId.load(), (UINT_PTR)0x5EED);
    editorStopTimer(host, 0x5EED);
    EXPECT_EQ(killTimerThread.load(), uiThread);
    int stoppedAt = ticks;
    Sleep(100);
    EXPECT_EQ(ticks.load(), stoppedAt) << "no tick after editorStopTimer returned";

    // From the editor's own thread (inside a tick) the timer is killed directly, without a wait
    // that would never end.
    ticks = 0;
    stopOnTick = host;
    EXPECT_TRUE(editorStartTimer(host, 7, 10, count_tick));
    EXPECT_TRUE(wait_for_ticks(1));
    Sleep(100);
    EXPECT_EQ(ticks.load(), 1);
    stopOnTick = NULL;

    EXPECT_FALSE(editorStartTimer(NULL, 1, 10, count_tick));
    EXPECT_FALSE(editorStartTimer(host, 1, 10, NULL));
    editorStopTimer(NULL, 1);
    editorClose(host);
    patch_import(program, "user32.dll", "SetTimer", (void*)systemSetTimer);
    patch_import(program, "user32.dll", "KillTimer", (void*)systemKillTimer);
}

TEST_F(EditorHostTest, TimerOnAWindowClosedRightAfterTheStartIsRefused)
{
    standin.failAt("closeWindowOnShow");
    EditorHost* host = open();
    ASSERT_NE(host, (EditorHost*)NULL);
    EXPECT_FALSE(editorStartTimer(host, 1, 10, count_tick));
    editorClose(host);
    EXPECT_EQ(GetWindow(hostWindow, GW_CHILD), (HWND)NULL);
}
