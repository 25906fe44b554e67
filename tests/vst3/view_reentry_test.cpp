// A host that calls back into the view while the view waits for the editor's thread. Those
// waits serve messages sent to the host's thread, so the host's window procedure runs inside
// them; under Wine the editor thread sends the host window activation and focus messages while
// it sets up, and a host may then call removed or attached, release the view or the Controller,
// or change a value. Here the editor thread is made to send the host window a message before an
// answer it gives the waiting call, and the window procedure makes one such call while the
// editor thread is blocked in the send.
#include <atomic>
#include <cstdio>

#include "import_patch.h"
#include "view_test_support.h"

static const ParamID cutoff_id = 1784049613u;
static const UINT WM_HOST_CALL = WM_APP + 77;

enum HostCall { CALL_REMOVED, CALL_RELEASE_VIEW, CALL_RELEASE_CONTROLLER, CALL_ATTACHED, CALL_SET_CUTOFF };
static const char* const host_call_names[] = {"removed", "release of the view", "release of the Controller",
                                              "attached", "cutoff change"};

struct PendingCall {
    HostCall call;
    IPlugView* view;
    PluginInstance* instance;
    HWND attach_parent;
    bool made;
    tresult result;
};
static PendingCall* pending;

static LRESULT CALLBACK host_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message != WM_HOST_CALL || !pending || pending->made) return DefWindowProcA(window, message, wparam, lparam);
    PendingCall* c = pending;
    c->made = true;
    IEditController* controller = c->instance->controller;
    switch (c->call) {
    case CALL_REMOVED: c->result = c->view->vtbl->removed(c->view); break;
    case CALL_RELEASE_VIEW: c->view->vtbl->release(c->view); break;
    case CALL_RELEASE_CONTROLLER: instance_destroy(c->instance); break;
    case CALL_ATTACHED: c->result = c->view->vtbl->attached(c->view, c->attach_parent, "HWND"); break;
    case CALL_SET_CUTOFF: c->result = controller->vtbl->setParamNormalized(controller, cutoff_id, 0.2); break;
    }
    return 0;
}

// The module's ReleaseSemaphore: the editor thread's answer to every wait. Answer number
// `answers_before_call` (counted from 0) first sends WM_HOST_CALL to the host's window.
static BOOL(WINAPI* system_release_semaphore)(HANDLE, LONG, LONG*);
static DWORD host_thread;
static HWND called_window;
static std::atomic<int> answers_before_call{-1};
static std::atomic<bool> send_timed_out;
static BOOL WINAPI release_after_calling_host(HANDLE semaphore, LONG count, LONG* previous) {
    if (GetCurrentThreadId() != host_thread && answers_before_call.fetch_sub(1) == 0) {
        DWORD_PTR answer;
        // A host call that waits for the blocked editor thread would never return.
        if (!SendMessageTimeoutA(called_window, WM_HOST_CALL, 0, 0, SMTO_NORMAL, 5000, &answer)) send_timed_out = true;
    }
    return system_release_semaphore(semaphore, count, previous);
}

// Reports every exception raised in the process. A fault ends the program at once: Wine may
// swallow an access violation inside a window procedure run from a message wait, or hand it to
// its debugger, which waits for ever.
static LONG CALLBACK report_exception(EXCEPTION_POINTERS* e) {
    DWORD code = e->ExceptionRecord->ExceptionCode;
    fprintf(stderr, "exception 0x%08lx at %p\n", (unsigned long)code, e->ExceptionRecord->ExceptionAddress);
    if ((code & 0xC0000000u) == 0xC0000000u) {  // an error, not a notice such as debug output
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

class ViewReentryTest : public ViewTest {
protected:
    HMODULE module = nullptr;
    void* exception_handler = nullptr;
    HWND other_parent = nullptr;

    void SetUp() override {
        ViewTest::SetUp();
        module = GetModuleHandleA(windows_path(VELMO_VST3_MODULE).c_str());
        ASSERT_NE(nullptr, module);
        system_release_semaphore = (decltype(system_release_semaphore))patch_import(
            module, "kernel32.dll", "ReleaseSemaphore", (void*)release_after_calling_host);
        ASSERT_NE(nullptr, system_release_semaphore);
        exception_handler = AddVectoredExceptionHandler(1, report_exception);
        host_thread = GetCurrentThreadId();
        called_window = parent;
        SetWindowLongPtrA(parent, GWLP_WNDPROC, (LONG_PTR)host_window_procedure);
        other_parent = make_parent();
    }
    void TearDown() override {
        if (exception_handler) RemoveVectoredExceptionHandler(exception_handler);
        if (system_release_semaphore) patch_import(module, "kernel32.dll", "ReleaseSemaphore", (void*)system_release_semaphore);
        SetWindowLongPtrA(parent, GWLP_WNDPROC, (LONG_PTR)DefWindowProcA);
        DestroyWindow(other_parent);
        ViewTest::TearDown();
    }
    // The host makes `c` from inside the wait that editor answer number `answer` ends.
    void arm(PendingCall* c, int answer) {
        pending = c;
        send_timed_out = false;
        answers_before_call = answer;
    }
    void expect_made(const PendingCall& c) {
        answers_before_call = -1;
        pending = nullptr;
        EXPECT_TRUE(c.made) << "the host was called from inside the wait";
        EXPECT_FALSE(send_timed_out) << "the host's call waited for the blocked editor thread";
    }
};

// The page's last value for each index.
static std::vector<std::string> page_values(const StandinControl& standin, int environment) {
    std::vector<std::string> last(4);
    for (const std::string& m : posted_values(standin, environment)) last[(size_t)(m[9] - '0')] = m;
    return last;
}

TEST_F(ViewReentryTest, HostCallsFromInsideAttachedEndItCleanly) {
    // Answers: 0 the editor opened, 1 its timer set, 2 to 5 values 0 to 3 stored.
    for (int answer = 0; answer < 6; answer++) {
        for (HostCall call : {CALL_REMOVED, CALL_RELEASE_VIEW, CALL_RELEASE_CONTROLLER, CALL_ATTACHED, CALL_SET_CUTOFF}) {
            SCOPED_TRACE(std::string(host_call_names[call]) + " before answer " + std::to_string(answer));
            if (!p.controller) {
                ASSERT_TRUE(instance_create(test_factory(), &p));
            }
            standin.reset();
            IPlugView* v = create_view();
            ASSERT_NE(nullptr, v);
            PendingCall c = {call, v, &p, other_parent, false, kResultFalse};
            arm(&c, answer);
            tresult result = v->vtbl->attached(v, parent, "HWND");
            expect_made(c);

            if (call == CALL_ATTACHED || call == CALL_SET_CUTOFF) {
                EXPECT_EQ(call == CALL_ATTACHED ? kInvalidArgument : kResultOk, c.result);
                EXPECT_EQ(kResultOk, result);
                EXPECT_NE(nullptr, editor_of(parent));
                EXPECT_EQ(nullptr, editor_of(other_parent));
                EXPECT_TRUE(standin_log(standin, 1).empty()) << "one editor only";
                float cutoff = call == CALL_SET_CUTOFF ? 3.0f : 15.0f;  // the latest value, even one sent before
                std::vector<std::string> expected = {value_message(0, cutoff), value_message(1, 0),
                                                     value_message(2, 7), value_message(3, 248)};
                EXPECT_EQ(expected, page_values(standin, 0));
            } else {
                EXPECT_EQ(kResultFalse, result) << "the host let the editor go";
                EXPECT_EQ(nullptr, editor_of(parent));
                EXPECT_EQ((size_t)(answer < 2 ? 0 : answer - 1), posted_values(standin, 0).size())
                    << "attached stops after the wait";
                EXPECT_NE(std::string::npos, standin_log(standin, 0).find("Close"));
            }

            // What the host still holds goes on working.
            if (call == CALL_REMOVED) {
                EXPECT_EQ(kResultOk, c.result);
            }
            if (call == CALL_REMOVED || call == CALL_ATTACHED || call == CALL_SET_CUTOFF) {
                EXPECT_EQ(kResultOk, v->vtbl->removed(v));
                ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND")) << "attaches again";
                EXPECT_EQ(kResultOk, v->vtbl->removed(v));
            }
            if (call == CALL_RELEASE_CONTROLLER) {
                EXPECT_EQ(kResultFalse, v->vtbl->attached(v, parent, "HWND"));
                EXPECT_EQ(kResultOk, v->vtbl->removed(v));
            }
            if (call != CALL_RELEASE_VIEW) {
                EXPECT_EQ(0u, v->vtbl->release(v));
            }
            EXPECT_EQ(0, standin.liveObjects());
        }
    }
}

// While an editor closes (on removed, or with its Controller) the host's calls find the view
// closing: a second removed returns, attached is refused, releases take effect afterwards.
TEST_F(ViewReentryTest, HostCallsFromInsideAClosingEditorWaitForIt) {
    for (bool with_controller : {false, true}) {
        // Answers: 0 the idle timer stopped, 1 the editor's thread ending.
        for (int answer = 0; answer < 2; answer++) {
            for (HostCall call : {CALL_REMOVED, CALL_RELEASE_VIEW, CALL_RELEASE_CONTROLLER, CALL_ATTACHED}) {
                if (with_controller && call == CALL_RELEASE_CONTROLLER) continue;
                SCOPED_TRACE(std::string(host_call_names[call]) + " before answer " + std::to_string(answer) +
                             (with_controller ? ", Controller going" : ", removed"));
                if (!p.controller) {
                    ASSERT_TRUE(instance_create(test_factory(), &p));
                }
                standin.reset();
                IPlugView* v = create_view();
                IPlugView* detached = create_view();  // a view of the same Controller without an editor
                ASSERT_EQ(kResultOk, v->vtbl->attached(v, parent, "HWND"));
                // Going with its Controller, the view is refused a new editor; so is another view.
                IPlugView* called = with_controller && call == CALL_ATTACHED ? detached : v;
                PendingCall c = {call, called, &p, other_parent, false, kResultOk};
                arm(&c, answer);
                if (with_controller)
                    instance_destroy(&p);
                else
                    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
                expect_made(c);

                EXPECT_EQ(nullptr, editor_of(parent));
                EXPECT_EQ(nullptr, editor_of(other_parent));
                EXPECT_TRUE(standin_log(standin, 1).empty()) << "no editor was opened meanwhile";
                if (call == CALL_REMOVED) {
                    EXPECT_EQ(kResultOk, c.result);
                }
                if (call == CALL_ATTACHED) {
                    EXPECT_EQ(with_controller ? kResultFalse : kInvalidArgument, c.result);
                }
                if (call != CALL_RELEASE_VIEW) {
                    EXPECT_EQ(with_controller || call == CALL_RELEASE_CONTROLLER ? kResultFalse : kResultOk,
                              v->vtbl->attached(v, parent, "HWND"));
                    EXPECT_EQ(kResultOk, v->vtbl->removed(v));
                    EXPECT_EQ(0u, v->vtbl->release(v));
                }
                EXPECT_EQ(0u, detached->vtbl->release(detached));
                EXPECT_EQ(0, standin.liveObjects());
            }
        }
    }
}
