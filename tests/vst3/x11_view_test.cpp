// The editor view on Linux, through the built module as an X11 host drives it: a parent window
// of the host's, the view attached as "X11EmbedWindowID", and the host's run loop serving the
// helper's socket and the view's timer. Runs on an X server of its own (with_xvfb.sh).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "plugin/params.h"
#include "helper_processes.h"
#include "module_fixture.h"
#include "recording_handler.h"
#include "run_loop_linux.h"

static const std::string work_dir = VELMO_TEST_WORK_DIR;

// ---- the page on screen, against the page as Chromium draws it for the same values

static std::string reference(float cutoff, float lfo_amt, float lfo_speed, float mod) {
    char name[96];
    snprintf(name, sizeof name, "%s/reference-%g-%g-%g-%g.png", work_dir.c_str(), cutoff, lfo_amt, lfo_speed, mod);
    if (access(name, R_OK) != 0) {
        char command[1024];
        snprintf(command, sizeof command, "%s/render_reference.sh %s %s %g %g %g %g", VELMO_X11_TEST_SCRIPTS,
                 VELMO_PAGE, name, cutoff, lfo_amt, lfo_speed, mod);
        if (system(command) != 0) return "";
    }
    return name;
}

// Distance of the window's picture to a reference (x11_test_lib.sh), or 1 when it cannot be taken.
static double distance_to(uint32_t window, const std::string& reference_file) {
    std::string shot = work_dir + "/shot.png";
    char command[1024];
    snprintf(command, sizeof command, "import -window %u %s 2>/dev/null && %s/image_distance.sh %s %s", window,
             shot.c_str(), VELMO_X11_TEST_SCRIPTS, shot.c_str(), reference_file.c_str());
    FILE* output = popen(command, "r");
    double distance = 1.0;
    if (output) {
        if (fscanf(output, "%lf", &distance) != 1) distance = 1.0;
        pclose(output);
    }
    return distance;
}

static const double same_page = 0.032;

template <typename Seen>
static bool eventually_seen(Seen seen, const char* what) {
    for (int i = 0; i < 100; i++) {
        if (seen(what)) return true;
        usleep(50000);
    }
    return false;
}

// ---- the host's parent window

class X11ViewTest : public InstanceTest {
protected:
    HostRunLoop loop;
    RecordingHandler handler;
    xcb_connection_t* x = nullptr;
    uint32_t parent = 0;
    IPlugView* view = nullptr;

    // True when the parent's (first) child window, the helper's, has the given size.
    bool child_has_size(uint16_t width, uint16_t height) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, parent), nullptr);
        if (!tree) return false;
        bool has = false;
        if (xcb_query_tree_children_length(tree) > 0) {
            xcb_window_t child = xcb_query_tree_children(tree)[0];
            xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(x, xcb_get_geometry(x, child), nullptr);
            has = g && g->width == width && g->height == height;
            free(g);
        }
        free(tree);
        return has;
    }

    void SetUp() override {
        InstanceTest::SetUp();
        // A stand-in for the desktop's URL handler, found first on the helper's PATH.
        ASSERT_EQ(0, system(("rm -rf " + work_dir + "/opened.txt && mkdir -p " + work_dir + "/bin").c_str()));
        std::ofstream(work_dir + "/bin/xdg-open") << "#!/bin/sh\necho \"$1\" > " << work_dir << "/opened.txt\n";
        ASSERT_EQ(0, chmod((work_dir + "/bin/xdg-open").c_str(), 0755));
        setenv("PATH", (work_dir + "/bin:" + getenv("PATH")).c_str(), 1);
        run_loop_init(&loop);
        x = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(0, xcb_connection_has_error(x)) << "no X server (run through with_xvfb.sh)";
        const xcb_setup_t* setup = xcb_get_setup(x);
        xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
        parent = xcb_generate_id(x);
        xcb_create_window(x, XCB_COPY_FROM_PARENT, parent, screen->root, 0, 0, 800, 600, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(x, parent);
        xcb_flush(x);
        p.controller->vtbl->setComponentHandler(p.controller, &handler.handler);
        view = p.controller->vtbl->createView(p.controller, "editor");
        ASSERT_NE(nullptr, view);
        view->vtbl->setFrame(view, &loop.frame.face);
    }

    void TearDown() override {
        if (view) view->vtbl->release(view);
        p.controller->vtbl->setComponentHandler(p.controller, nullptr);
        if (x) xcb_disconnect(x);
        InstanceTest::TearDown();
    }

    void set_plain(uint32_t index, double plain) {
        ParamID id = param_descriptions[index].id;
        double normalized = p.controller->vtbl->plainParamToNormalized(p.controller, id, plain);
        p.controller->vtbl->setParamNormalized(p.controller, id, normalized);
    }

    tresult attach() { return view->vtbl->attached(view, (void*)(uintptr_t)parent, kPlatformTypeX11EmbedWindowID); }

    // Serves the run loop until the parent window shows the page with these values.
    bool shows(float cutoff, float lfo_amt, float lfo_speed, float mod, double* distance) {
        std::string ref = reference(cutoff, lfo_amt, lfo_speed, mod);
        *distance = 1.0;
        if (ref.empty()) return false;
        for (int attempt = 0; attempt < 40; attempt++) {
            run_loop_until(&loop, 500, [] { return false; });
            *distance = distance_to(parent, ref);
            if (*distance < same_page) return true;
        }
        return false;
    }

    ViewRect size() {
        ViewRect r = {};
        EXPECT_EQ(kResultOk, view->vtbl->getSize(view, &r));
        return r;
    }
};

TEST_F(X11ViewTest, ShowsThePageAndCarriesValuesBothWays) {
    EXPECT_EQ(kResultTrue, view->vtbl->isPlatformTypeSupported(view, "X11EmbedWindowID"));
    EXPECT_EQ(kResultFalse, view->vtbl->isPlatformTypeSupported(view, "HWND"));
    EXPECT_EQ(kInvalidArgument, view->vtbl->attached(view, (void*)(uintptr_t)parent, "HWND"));
    set_plain(PARAM_CUTOFF, 3);
    set_plain(PARAM_LFO_AMT, 0);
    set_plain(PARAM_LFO_SPEED, 7);
    set_plain(PARAM_MOD_CUTOFF, 56);

    ASSERT_EQ(kResultOk, attach());
    EXPECT_EQ(1u, loop.watches.size());
    EXPECT_EQ(1u, loop.timers.size());
    EXPECT_EQ(1u, helper_children().size());
    EXPECT_EQ(kInvalidArgument, attach());  // one editor at a time
    ViewRect r = size();
    EXPECT_EQ(800, r.right);
    EXPECT_EQ(600, r.bottom);

    // The Controller's values, sent at attach, reach the page when it asks for them.
    double distance;
    EXPECT_TRUE(shows(3, 0, 7, 56, &distance)) << "distance " << distance;

    // Dragging the Cutoff knob (at 141,484 in the page) up by 40 pixels: five steps, 3 to 8.
    handler.calls.clear();
    ASSERT_EQ(0, system("xdotool mousemove 141 484 mousedown 1 sleep 0.2 mousemove 141 474 sleep 0.1 "
                        "mousemove 141 444 sleep 0.2 mouseup 1"));
    ParamID cutoff_id = param_descriptions[PARAM_CUTOFF].id;
    ASSERT_TRUE(run_loop_until(&loop, 10000, [&] {
        return !handler.calls.empty() && handler.calls.back().what == "end";
    }));
    EXPECT_EQ("begin", handler.calls.front().what);
    EXPECT_EQ(cutoff_id, handler.calls.front().id);
    const HandlerCall& last_perform = handler.calls[handler.calls.size() - 2];
    EXPECT_EQ("perform", last_perform.what);
    EXPECT_NEAR(8.0 / 15.0, last_perform.value, 1e-9);

    // An outside link goes to the desktop's handler (a stand-in xdg-open here, see SetUp); the
    // page stays where it is.
    ASSERT_EQ(0, system("xdotool mousemove 718 33 click 1"));
    std::string opened = work_dir + "/opened.txt";
    EXPECT_TRUE(run_loop_until(&loop, 10000, [&] { return access(opened.c_str(), R_OK) == 0; }));
    run_loop_until(&loop, 300, [] { return false; });
    FILE* file = fopen(opened.c_str(), "r");
    char uri[256] = {};
    if (file) {
        if (!fgets(uri, sizeof uri, file)) uri[0] = 0;
        fclose(file);
    }
    EXPECT_STREQ("https://brindle.digital/\n", uri);

    // The host's changes reach the page: the output and another value of the knob.
    set_plain(PARAM_MOD_CUTOFF, 136);
    EXPECT_TRUE(shows(8, 0, 7, 136, &distance)) << "distance " << distance;
    set_plain(PARAM_CUTOFF, 12);
    set_plain(PARAM_MOD_CUTOFF, 200);
    EXPECT_TRUE(shows(12, 0, 7, 200, &distance)) << "distance " << distance;
    EXPECT_GT(distance_to(parent, reference(8, 0, 7, 136)), distance);

    // Sizes: onSize is reported at once; the helper follows its parent and reports that.
    ViewRect bigger = {0, 0, 1000, 700};
    EXPECT_EQ(kResultOk, view->vtbl->onSize(view, &bigger));
    r = size();
    EXPECT_EQ(1000, r.right);
    EXPECT_EQ(700, r.bottom);
    // The helper's window takes that size; only then does the parent change (the two reach the
    // helper by different connections, so the later one would otherwise be a race).
    EXPECT_TRUE(run_loop_until(&loop, 5000, [&] { return child_has_size(1000, 700); }));
    const uint32_t parent_size[] = {900, 650};
    xcb_configure_window(x, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, parent_size);
    xcb_flush(x);
    EXPECT_TRUE(run_loop_until(&loop, 5000, [&] {
        ViewRect now = {};
        view->vtbl->getSize(view, &now);
        return now.right == 900 && now.bottom == 650;
    }));

    // Removed: the run loop is free again and the helper is gone (reaped, no zombie).
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
    EXPECT_TRUE(loop.watches.empty());
    EXPECT_TRUE(loop.timers.empty());
    EXPECT_TRUE(helper_children().empty());
    EXPECT_EQ(1u, loop.refs.load());  // the view let the run loop go
    EXPECT_EQ(kResultFalse, view->vtbl->onSize(view, &bigger));

    // Two views at once run two helpers.
    IPlugView* second = p.controller->vtbl->createView(p.controller, "editor");
    ASSERT_NE(nullptr, second);
    second->vtbl->setFrame(second, &loop.frame.face);
    ASSERT_EQ(kResultOk, attach());
    ASSERT_EQ(kResultOk, second->vtbl->attached(second, (void*)(uintptr_t)parent, kPlatformTypeX11EmbedWindowID));
    EXPECT_EQ(2u, helper_children().size());
    EXPECT_EQ(2u, loop.watches.size());
    second->vtbl->release(second);  // the last reference closes its editor
    EXPECT_EQ(1u, helper_children().size());
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
    EXPECT_TRUE(helper_children().empty());
}

TEST_F(X11ViewTest, AHelperThatEndsOrIsKilledClosesTheEditorCleanly) {
    // A parent window that does not exist: the helper cannot embed and ends at once.
    ASSERT_EQ(kResultOk, view->vtbl->attached(view, (void*)(uintptr_t)0x7FFFFFF0u, kPlatformTypeX11EmbedWindowID));
    EXPECT_TRUE(run_loop_until(&loop, 5000, [&] { return loop.watches.empty(); }));
    EXPECT_TRUE(helper_children().empty());
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));

    ASSERT_EQ(kResultOk, attach());
    std::vector<pid_t> helpers = helper_children();
    ASSERT_EQ(1u, helpers.size());
    run_loop_until(&loop, 1500, [] { return false; });
    kill(helpers[0], SIGKILL);
    // The view stops watching the closed socket and the helper is reaped, without a hang.
    EXPECT_TRUE(run_loop_until(&loop, 5000, [&] { return loop.watches.empty(); }));
    EXPECT_TRUE(helper_children().empty());
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
    EXPECT_TRUE(loop.timers.empty());
    // A fresh attach starts a fresh helper.
    ASSERT_EQ(kResultOk, attach());
    EXPECT_EQ(1u, helper_children().size());
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
    EXPECT_TRUE(helper_children().empty());
}

// A host that lets the view go from inside the page's first edit: the view and its editor stay
// until the run loop's call returns, then go with nothing left behind.
TEST_F(X11ViewTest, AHostMayReleaseTheViewFromInsideAnEdit) {
    set_plain(PARAM_CUTOFF, 3);
    set_plain(PARAM_MOD_CUTOFF, 56);
    ASSERT_EQ(kResultOk, attach());
    double distance;
    ASSERT_TRUE(shows(3, 0, 7, 56, &distance)) << "distance " << distance;
    handler.after_call = [&](const HandlerCall&) {
        if (!view) return;
        IPlugView* last = view;
        view = nullptr;
        last->vtbl->release(last);
    };
    ASSERT_EQ(0, system("xdotool mousemove 141 484 mousedown 1 sleep 0.2 mousemove 141 444 sleep 0.2 mouseup 1"));
    EXPECT_TRUE(run_loop_until(&loop, 10000, [&] { return view == nullptr && loop.watches.empty(); }));
    EXPECT_TRUE(loop.timers.empty());
    EXPECT_TRUE(helper_children().empty());
    EXPECT_EQ(1u, loop.refs.load());
}

// A parent that speaks XEmbed (a GtkSocket in another program): it takes the helper's window as
// its client, maps it and gives it its own size, which the view then reports.
TEST_F(X11ViewTest, EmbedsByXEmbedWhereTheParentSpeaksIt) {
    std::string events = work_dir + "/xembed-events.txt";
    FILE* program = popen((std::string(VELMO_XEMBED_SOCKET) + " " + events + " & echo $!").c_str(), "r");
    ASSERT_NE(nullptr, program);
    unsigned long pid = 0, socket_window = 0;
    ASSERT_EQ(1, fscanf(program, "%lu", &pid));
    ASSERT_EQ(1, fscanf(program, "%lu", &socket_window));
    pclose(program);
    auto seen = [&](const char* what) {
        std::ifstream in(events);
        std::string line;
        while (std::getline(in, line))
            if (line == what) return true;
        return false;
    };

    ASSERT_EQ(kResultOk, view->vtbl->attached(view, (void*)(uintptr_t)socket_window, kPlatformTypeX11EmbedWindowID));
    EXPECT_TRUE(run_loop_until(&loop, 10000, [&] { return seen("plug-added"); }));
    EXPECT_TRUE(run_loop_until(&loop, 10000, [&] { return size().right == 700 && size().bottom == 500; }));
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
    EXPECT_TRUE(helper_children().empty());
    EXPECT_TRUE(eventually_seen(seen, "plug-removed"));
    kill((pid_t)pid, SIGTERM);
}

TEST_F(X11ViewTest, WithoutARunLoopTheAttachFails) {
    view->vtbl->setFrame(view, nullptr);  // the test host's context offers no run loop either
    EXPECT_EQ(kResultFalse, attach());
    EXPECT_TRUE(helper_children().empty());
    view->vtbl->setFrame(view, &loop.frame.face);
    EXPECT_EQ(kResultOk, attach());
    EXPECT_EQ(kResultOk, view->vtbl->removed(view));
}

// A bundle whose helper is missing: the attach fails, nothing is started, the view stays usable.
TEST(X11ViewWithoutHelper, TheAttachFails) {
    LoadedModule module = {};
    ASSERT_TRUE(module_load(VELMO_VST3_MODULE_WITHOUT_HELPER, &module));
    PluginInstance p = {};
    ASSERT_TRUE(instance_create(module.factory, &p));
    HostRunLoop loop;
    run_loop_init(&loop);
    IPlugView* view = p.controller->vtbl->createView(p.controller, "editor");
    ASSERT_NE(nullptr, view);
    view->vtbl->setFrame(view, &loop.frame.face);
    EXPECT_EQ(kResultFalse, view->vtbl->attached(view, (void*)(uintptr_t)1, kPlatformTypeX11EmbedWindowID));
    EXPECT_TRUE(helper_children().empty());
    EXPECT_TRUE(loop.watches.empty());
    EXPECT_TRUE(loop.timers.empty());
    EXPECT_EQ(1u, loop.refs.load());
    ViewRect r = {};
    EXPECT_EQ(kResultOk, view->vtbl->getSize(view, &r));
    EXPECT_EQ(800, r.right);
    view->vtbl->release(view);
    instance_destroy(&p);
    module_unload(&module);
}
