// The editor view through the module, as a host drives it, under Wine with the stand-in
// WebView2 runtime: attaching inside a window of the test thread, sizes, the idle timer, values
// reaching open editors, page gestures reaching the host, the view outliving its Controller,
// and Velmo Stereo's view opening the same editor.
#include <atomic>

#include "import_patch.h"
#include "recording_handler.h"
#include "unicode_folder.h"
#include "view_test_support.h"

static const ParamID cutoff_id = 1784049613u;
static const ParamID lfo_speed_id = 793359101u;
static const ParamID mod_cutoff_id = 558397322u;

// The four values as attached sends them to a fresh page.
static std::vector<std::string> values_sent(float cutoff, float lfo_amt, float lfo_speed, float mod_cutoff) {
    return {value_message(0, cutoff), value_message(1, lfo_amt), value_message(2, lfo_speed),
            value_message(3, mod_cutoff)};
}
static const std::vector<std::string> defaults_sent = values_sent(15, 0, 7, 248);

static void expect_rect(const ViewRect& r, int32 left, int32 top, int32 right, int32 bottom) {
    EXPECT_EQ(left, r.left);
    EXPECT_EQ(top, r.top);
    EXPECT_EQ(right, r.right);
    EXPECT_EQ(bottom, r.bottom);
}

TEST_F(ViewTest, DetachedViewAnswersWithoutAnEditor) {
    IPlugView* v = create_view();
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(kResultTrue, v->vtbl->isPlatformTypeSupported(v, "HWND"));
    for (const char* type : {"hwnd", "HWND ", "X11EmbedWindowID", "NSView", ""})
        EXPECT_EQ(kResultFalse, v->vtbl->isPlatformTypeSupported(v, type)) << type;
    EXPECT_EQ(kResultFalse, v->vtbl->isPlatformTypeSupported(v, nullptr));

    ViewRect r = {1, 2, 3, 4};
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    expect_rect(r, 0, 0, 800, 600);
    EXPECT_EQ(kInvalidArgument, v->vtbl->getSize(v, nullptr));
    ViewRect wanted = {0, 0, 1000, 700};
    EXPECT_EQ(kResultFalse, v->vtbl->onSize(v, &wanted)) << "no editor to resize";
    EXPECT_EQ(kResultTrue, v->vtbl->canResize(v));
    ViewRect odd = {-5, 7, 3, -9};
    EXPECT_EQ(kResultTrue, v->vtbl->checkSizeConstraint(v, &odd));
    expect_rect(odd, -5, 7, 3, -9);
    EXPECT_EQ(kResultFalse, v->vtbl->onWheel(v, 1.0f));
    EXPECT_EQ(kResultFalse, v->vtbl->onKeyDown(v, u'a', 0, 0));
    EXPECT_EQ(kResultFalse, v->vtbl->onKeyUp(v, u'a', 0, 0));
    EXPECT_EQ(kResultFalse, v->vtbl->onFocus(v, 1));
    EXPECT_EQ(kResultOk, v->vtbl->setFrame(v, nullptr));
    EXPECT_EQ(kResultOk, v->vtbl->removed(v)) << "nothing to remove";

    void* obj = nullptr;
    ASSERT_EQ(kResultOk, v->vtbl->queryInterface(v, IID_FUnknown, &obj));
    EXPECT_EQ((void*)v, obj);
    ASSERT_EQ(kResultOk, v->vtbl->queryInterface(v, IID_IPlugView, &obj));
    EXPECT_EQ((void*)v, obj);
    EXPECT_EQ(4u, v->vtbl->addRef(v)) << "one count for createView and one per answer";
    EXPECT_EQ(3u, v->vtbl->release(v));
    obj = &obj;
    EXPECT_EQ(kNoInterface, v->vtbl->queryInterface(v, IID_IPlugFrame, &obj));
    EXPECT_EQ(nullptr, obj);
    EXPECT_EQ(2u, v->vtbl->release(v));
    EXPECT_EQ(1u, v->vtbl->release(v));
    EXPECT_EQ(0u, v->vtbl->release(v));
}

TEST_F(ViewTest, AttachRemoveAttachOpensAFreshEditorWithTheCurrentValues) {
    IPlugView* v = create_view();
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(kInvalidArgument, v->vtbl->attached(v, parent, "hwnd"));
    EXPECT_EQ(kInvalidArgument, v->vtbl->attached(v, parent, nullptr));
    EXPECT_EQ(kInvalidArgument, v->vtbl->attached(v, nullptr, "HWND"));
    EXPECT_EQ(nullptr, editor_of(parent));

    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    HWND first = editor_of(parent);
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(first, nullptr)) << "the editor runs on its own thread";
    EXPECT_EQ(defaults_sent, posted_values(standin, 0)) << "all four, in order, before attached returns";

    EXPECT_EQ(kInvalidArgument, v->vtbl->attached(v, parent, "HWND")) << "already open";
    EXPECT_EQ(first, editor_of(parent)) << "the first editor stays";
    EXPECT_TRUE(standin_log(standin, 1).empty()) << "no second editor was started";

    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_NE(std::string::npos, standin_log(standin, 0).find("Close"));

    p.controller->vtbl->setParamNormalized(p.controller, cutoff_id, 0.2);  // 3, while no editor is open
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    HWND second = editor_of(parent);
    EXPECT_NE(nullptr, second);
    EXPECT_EQ(values_sent(3, 0, 7, 248), posted_values(standin, 1));
    EXPECT_EQ(defaults_sent, posted_values(standin, 0)) << "the closed editor got nothing more";
    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
    EXPECT_EQ(0u, v->vtbl->release(v));
}

TEST_F(ViewTest, SizeFollowsTheEditorWindow) {
    IPlugView* v = create_view();
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    ViewRect r;
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    expect_rect(r, 0, 0, 800, 600);
    ViewRect wanted = {10, 20, 1010, 720};  // 1000 x 700 anywhere: only the size counts
    EXPECT_EQ(kResultOk, v->vtbl->onSize(v, &wanted));
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    expect_rect(r, 0, 0, 1000, 700);
    RECT placed;
    GetWindowRect(editor_of(parent), &placed);
    RECT parent_rect;
    GetWindowRect(parent, &parent_rect);
    EXPECT_EQ(parent_rect.left, placed.left) << "kept in place";
    EXPECT_EQ(parent_rect.top, placed.top);
    EXPECT_NE(std::string::npos, standin_log(standin, 0).find("put_Bounds 0 0 1000 700")) << "the page follows";
    EXPECT_EQ(kInvalidArgument, v->vtbl->onSize(v, nullptr));
    v->vtbl->removed(v);
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    expect_rect(r, 0, 0, 800, 600);
    v->vtbl->release(v);
}

// WM_TIMER messages the editor's thread retrieves for one timer id.
static std::atomic<int> timer_ticks;
static std::atomic<WPARAM> timer_id;
static std::atomic<LPARAM> timer_procedure;
static LRESULT CALLBACK count_timer_messages(int code, WPARAM remove, LPARAM message) {
    const MSG* m = (const MSG*)message;
    if (code == HC_ACTION && remove == PM_REMOVE && m->message == WM_TIMER && m->wParam == timer_id.load()) {
        timer_ticks++;
        timer_procedure = m->lParam;
    }
    return CallNextHookEx(nullptr, code, remove, message);
}

// Which threads set and kill timers in the module: its imports of both, wrapped to record the caller.
static std::atomic<DWORD> set_timer_thread, kill_timer_thread;
static std::atomic<UINT_PTR> set_timer_id;
static UINT_PTR(WINAPI* system_set_timer)(HWND, UINT_PTR, UINT, TIMERPROC);
static BOOL(WINAPI* system_kill_timer)(HWND, UINT_PTR);
static UINT_PTR WINAPI recording_set_timer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure) {
    set_timer_thread = GetCurrentThreadId();
    set_timer_id = id;
    return system_set_timer(window, id, milliseconds, procedure);
}
static BOOL WINAPI recording_kill_timer(HWND window, UINT_PTR id) {
    kill_timer_thread = GetCurrentThreadId();
    return system_kill_timer(window, id);
}

TEST_F(ViewTest, IdleTimerRunsOnTheEditorThreadEveryTwentyMillisecondsWhileOpen) {
    HMODULE module = GetModuleHandleA(windows_path(VELMO_VST3_MODULE).c_str());
    ASSERT_NE(nullptr, module);
    system_set_timer = (decltype(system_set_timer))patch_import(module, "user32.dll", "SetTimer",
                                                                (void*)recording_set_timer);
    system_kill_timer = (decltype(system_kill_timer))patch_import(module, "user32.dll", "KillTimer",
                                                                  (void*)recording_kill_timer);
    ASSERT_NE(nullptr, system_set_timer);
    ASSERT_NE(nullptr, system_kill_timer);
    IPlugView* v = create_view();
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    HWND editor = editor_of(parent);
    DWORD editor_thread = GetWindowThreadProcessId(editor, nullptr);
    EXPECT_EQ(editor_thread, set_timer_thread.load()) << "Windows refuses timers set from another thread";
    EXPECT_EQ((UINT_PTR)v, set_timer_id.load());
    timer_id = (WPARAM)v;  // the view's address identifies its timer
    timer_ticks = 0;
    HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, count_timer_messages, nullptr,
                                   GetWindowThreadProcessId(editor, nullptr));
    ASSERT_NE(nullptr, hook);
    pump_messages_for(400);
    int ticks = timer_ticks.load();
    EXPECT_GE(ticks, 8) << "about 20 in 400 ms";
    EXPECT_LE(ticks, 30);
    EXPECT_NE(0, timer_procedure.load()) << "a timer procedure, not a plain message";
    v->vtbl->removed(v);
    ticks = timer_ticks.load();
    pump_messages_for(100);
    EXPECT_EQ(ticks, timer_ticks.load()) << "stopped with the editor";
    EXPECT_EQ(editor_thread, kill_timer_thread.load());
    UnhookWindowsHookEx(hook);
    v->vtbl->release(v);
    patch_import(module, "user32.dll", "SetTimer", (void*)system_set_timer);
    patch_import(module, "user32.dll", "KillTimer", (void*)system_kill_timer);
}

TEST_F(ViewTest, AttachedFailsAndClosesTheEditorWhenItsTimerCannotStart) {
    IPlugView* v = create_view();
    standin.failAt("closeWindowOnShow");  // the editor window is gone before the timer is set
    EXPECT_EQ(kResultFalse, v->vtbl->attached(v, parent, "HWND"));
    EXPECT_EQ(nullptr, editor_of(parent));
    EXPECT_TRUE(posted_values(standin, 0).empty()) << "no values for an editor that failed";
    standin.failAt(nullptr);
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
    v->vtbl->release(v);
}

TEST_F(ViewTest, HostChangesReachEveryOpenEditor) {
    HWND other_parent = make_parent();
    IPlugView* a = create_view();
    IPlugView* b = create_view();
    IPlugView* detached = create_view();
    ASSERT_EQ(kResultOk, a->vtbl->attached(a, parent, "HWND"));
    ASSERT_EQ(kResultOk, b->vtbl->attached(b, other_parent, "HWND"));
    IEditController* ec = p.controller;
    RecordingHandler handler;
    ec->vtbl->setComponentHandler(ec, &handler.handler);

    EXPECT_EQ(kResultOk, ec->vtbl->setParamNormalized(ec, cutoff_id, 0.5));  // 7.5 rounds to 8
    EXPECT_EQ(kResultOk, ec->vtbl->setParamNormalized(ec, mod_cutoff_id, 100.0 / 255.0));
    EXPECT_EQ(kResultFalse, ec->vtbl->setParamNormalized(ec, 42, 0.5));
    std::vector<std::string> expected = defaults_sent;
    expected.push_back(value_message(0, 8));
    expected.push_back(value_message(3, 100));
    EXPECT_EQ(expected, posted_values(standin, 0));
    EXPECT_EQ(expected, posted_values(standin, 1));

    ASSERT_EQ(kResultOk, restore_controller(ec, state_blob(3, 4, 5)));
    for (uint32_t i = 0; i < 3; i++) expected.push_back(value_message(i, (float)(3 + i)));
    EXPECT_EQ(expected, posted_values(standin, 0)) << "indices 0, 1, 2 in order, never 3";
    EXPECT_EQ(expected, posted_values(standin, 1));

    EXPECT_EQ(kResultFalse, restore_controller(ec, std::vector<uint8_t>(600, 0x5A)));
    EXPECT_EQ(kResultFalse, ec->vtbl->setComponentState(ec, nullptr));
    EXPECT_EQ(expected, posted_values(standin, 0)) << "a refused state refreshes nothing";
    EXPECT_TRUE(handler.calls.empty()) << "host-made changes are not echoed to the host";

    EXPECT_EQ(0u, a->vtbl->release(a));  // releasing an attached view closes its editor
    ec->vtbl->setParamNormalized(ec, lfo_speed_id, 1.0);
    EXPECT_EQ(expected, posted_values(standin, 0));
    expected.push_back(value_message(2, 15));
    EXPECT_EQ(expected, posted_values(standin, 1)) << "the remaining editor still hears";
    ec->vtbl->setComponentHandler(ec, nullptr);
    b->vtbl->removed(b);
    b->vtbl->release(b);
    detached->vtbl->release(detached);
    DestroyWindow(other_parent);
}

TEST_F(ViewTest, PageGesturesReachTheHostAsSnappedEdits) {
    IPlugView* v = create_view();
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    IEditController* ec = p.controller;
    RecordingHandler handler;
    ec->vtbl->setComponentHandler(ec, &handler.handler);

    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"b 0 40e00000"));  // 7
    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"s 0 40f00000"));  // 7.5 rounds half away from zero
    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"e 0 41800000"));  // 16 is clamped to 15
    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"s 2 bf800000"));  // -1 is clamped to 0
    ASSERT_EQ(5u + 1u, handler.calls.size());
    struct { const char* what; ParamID id; double value; } expected[] = {
        {"begin", cutoff_id, 0.0},          {"perform", cutoff_id, 7.0 / 15.0}, {"perform", cutoff_id, 8.0 / 15.0},
        {"perform", cutoff_id, 1.0},        {"end", cutoff_id, 0.0},            {"perform", lfo_speed_id, 0.0},
    };
    for (size_t i = 0; i < handler.calls.size(); i++) {
        EXPECT_EQ(expected[i].what, handler.calls[i].what) << i;
        EXPECT_EQ(expected[i].id, handler.calls[i].id) << i;
        EXPECT_DOUBLE_EQ(expected[i].value, handler.calls[i].value) << i;
    }
    EXPECT_DOUBLE_EQ(1.0, ec->vtbl->getParamNormalized(ec, cutoff_id));
    EXPECT_DOUBLE_EQ(0.0, ec->vtbl->getParamNormalized(ec, lfo_speed_id));
    EXPECT_EQ(defaults_sent, posted_values(standin, 0)) << "edits are not sent back to the page";

    ec->vtbl->setComponentHandler(ec, nullptr);
    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"s 1 40a00000"));  // without a handler: stored only
    EXPECT_DOUBLE_EQ(5.0 / 15.0, ec->vtbl->getParamNormalized(ec, 394330366u));
    EXPECT_EQ(6u, handler.calls.size());
    EXPECT_EQ(1u, handler.refs.load());
    v->vtbl->removed(v);
    v->vtbl->release(v);
}

TEST_F(ViewTest, EditorThatCannotStartLeavesTheViewDetached) {
    IPlugView* v = create_view();
    standin.failAt("put_IsVisible");
    EXPECT_EQ(kResultFalse, v->vtbl->attached(v, parent, "HWND"));
    EXPECT_EQ(nullptr, editor_of(parent));
    ViewRect wanted = {0, 0, 1000, 700};
    EXPECT_EQ(kResultFalse, v->vtbl->onSize(v, &wanted));
    standin.failAt(nullptr);
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND")) << "may be attached again";
    EXPECT_EQ(defaults_sent, posted_values(standin, 1));
    v->vtbl->removed(v);
    v->vtbl->release(v);
}

TEST_F(ViewTest, ParentDestroyedBeforeRemoved) {
    IPlugView* v = create_view();
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    HWND editor = editor_of(parent);
    DestroyWindow(parent);  // the host tears its window down first
    parent = nullptr;
    for (int i = 0; i < 200 && IsWindow(editor); i++) pump_messages_for(10);
    EXPECT_FALSE(IsWindow(editor));
    p.controller->vtbl->setParamNormalized(p.controller, cutoff_id, 0.0);  // returns at once
    ViewRect r;
    EXPECT_EQ(kResultOk, v->vtbl->getSize(v, &r));
    expect_rect(r, 0, 0, 800, 600);
    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
    EXPECT_EQ(0u, v->vtbl->release(v));
}

TEST_F(ViewTest, ViewOutlivesItsController) {
    IPlugView* held = create_view();
    IPlugView* forgotten = create_view();  // the host lets this one go only after the Controller
    HWND other_parent = make_parent();
    ASSERT_EQ(kResultOk, held->vtbl->attached(held, parent, "HWND"));
    ASSERT_EQ(kResultOk, forgotten->vtbl->attached(forgotten, other_parent, "HWND"));
    HWND held_editor = editor_of(parent);
    HWND forgotten_editor = editor_of(other_parent);

    instance_destroy(&p);  // terminate and release the Controller (and the component)
    EXPECT_FALSE(IsWindow(held_editor)) << "editors close with their Controller";
    EXPECT_FALSE(IsWindow(forgotten_editor));
    EXPECT_EQ(0, standin.liveObjects());

    // Nothing below may reach the destroyed Controller.
    EXPECT_EQ(kResultFalse, held->vtbl->attached(held, parent, "HWND"));
    EXPECT_EQ(nullptr, editor_of(parent));
    ViewRect r;
    EXPECT_EQ(kResultOk, held->vtbl->getSize(held, &r));
    expect_rect(r, 0, 0, 800, 600);
    EXPECT_EQ(kResultFalse, held->vtbl->onSize(held, &r));
    EXPECT_EQ(kResultTrue, held->vtbl->isPlatformTypeSupported(held, "HWND"));
    EXPECT_EQ(kResultOk, held->vtbl->removed(held));
    EXPECT_EQ(0u, held->vtbl->release(held)) << "the host's own reference is the last one";
    EXPECT_EQ(0u, forgotten->vtbl->release(forgotten));
    DestroyWindow(other_parent);
}

TEST_F(ViewTest, CreateViewOnlyForTheEditorName) {
    IPlugView* a = create_view();
    IPlugView* b = create_view();
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(nullptr, p.controller->vtbl->createView(p.controller, "Editor"));
    EXPECT_EQ(nullptr, p.controller->vtbl->createView(p.controller, "editor "));
    a->vtbl->release(a);
    b->vtbl->release(b);
}

// A module installed under a folder name beyond the ANSI code page (a user's name, say): the
// editor finds the loader beside the module and the page in the bundle's Resources.
TEST_F(ViewTest, ModuleInAFolderNamedBeyondAscii) {
    std::string contents = temp_subfolder(std::string(unicodeName) + "\\Velmo.vst3\\Contents");
    std::string module_folder = contents + "\\x86_64-win";
    std::string built_contents = bundle_module_folder().substr(0, bundle_module_folder().find_last_of('\\'));
    ASSERT_TRUE(copy_into_folder(module_folder, {windows_path(VELMO_VST3_MODULE),
                                                 bundle_module_folder() + "\\WebView2Loader.dll"}));
    ASSERT_TRUE(copy_into_folder(contents + "\\Resources", {built_contents + "\\Resources\\index.html"}));
    StandinControl copy = {};
    ASSERT_TRUE(standin_control_load(&copy, (module_folder + "\\WebView2Loader.dll").c_str()));
    copy.reset();

    LoadedModule moved = {};
    ASSERT_TRUE(module_load((module_folder + "\\Velmo.vst3").c_str(), &moved));
    EXPECT_NE(GetModuleHandleA(windows_path(VELMO_VST3_MODULE).c_str()), (HMODULE)moved.handle) << "a module of its own";
    PluginInstance q = {};
    ASSERT_TRUE(instance_create(moved.factory, &q));
    IPlugView* v = q.controller->vtbl->createView(q.controller, "editor");
    ASSERT_NE(nullptr, v);
    EXPECT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    ASSERT_EQ(S_OK, copy.sync(0));
    std::string navigated;
    std::string log = standin_log(copy, 0);
    size_t at = log.find("Navigate ");
    if (at != std::string::npos) navigated = log.substr(at + 9, log.find('\n', at) - at - 9);
    EXPECT_EQ(0u, navigated.rfind("file:///", 0)) << navigated;
    std::string ending = std::string("/") + unicodeNameInUri + "/Velmo.vst3/Contents/Resources/index.html";
    EXPECT_NE(std::string::npos, navigated.find(ending)) << navigated;
    EXPECT_TRUE(standin_log(standin, 0).empty()) << "the loader came from beside the moved module";
    EXPECT_EQ(defaults_sent, posted_values(copy, 0));

    v->vtbl->removed(v);
    v->vtbl->release(v);
    instance_destroy(&q);
    module_unload(&moved);
    EXPECT_EQ(0, copy.liveObjects());
    FreeLibrary(copy.module);
    EXPECT_EQ(nullptr, GetModuleHandleW(utf8_to_wide(module_folder + "\\WebView2Loader.dll").c_str()));
    remove_folder_tree(temp_subfolder(unicodeName));
}

// Velmo Stereo's module opens the same editor: the page from its own bundle, its Controller's
// values both ways.
class StereoViewTest : public ViewTest {
protected:
    StereoViewTest() { channels = 2; }
};

TEST_F(StereoViewTest, OpensTheEditorFromItsOwnBundle) {
    IPlugView* v = create_view();
    ASSERT_NE(nullptr, v);
    ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
    EXPECT_NE(nullptr, editor_of(parent));
    ASSERT_EQ(S_OK, standin.sync(0));
    std::string log = standin_log(standin, 0);
    EXPECT_NE(std::string::npos, log.find("/VelmoStereo.vst3/Contents/Resources/index.html")) << log;
    EXPECT_EQ(defaults_sent, posted_values(standin, 0));

    IEditController* ec = p.controller;
    RecordingHandler handler;
    ec->vtbl->setComponentHandler(ec, &handler.handler);
    EXPECT_EQ(S_OK, standin.postWebMessage(0, L"s 0 40a00000"));  // 5
    ASSERT_EQ(1u, handler.calls.size());
    EXPECT_EQ(cutoff_id, handler.calls[0].id);
    EXPECT_DOUBLE_EQ(5.0 / 15.0, handler.calls[0].value);
    EXPECT_EQ(kResultOk, ec->vtbl->setParamNormalized(ec, lfo_speed_id, 0.2));
    std::vector<std::string> expected = defaults_sent;
    expected.push_back(value_message(2, 3));
    EXPECT_EQ(expected, posted_values(standin, 0));

    ec->vtbl->setComponentHandler(ec, nullptr);
    v->vtbl->removed(v);
    EXPECT_EQ(0u, v->vtbl->release(v));
}
