// The Linux LV2 UI through its binary, as an X11 host drives it, with the real helper: the
// widget inside the host's window, sizes both ways, the idle interface asking the host to close
// the UI once the helper has gone, and the instantiate failures. Runs on an X server of its own
// (with_xvfb.sh); the page itself is checked in jalv.gtk3 (jalv_ui_test.sh).
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "helper_processes.h"
#include "lv2/ui/ui.h"

static const char* ui_uri = VELMO_PLUGIN_URI "#ui";

struct SizeRecorder {
    std::vector<std::pair<int, int>> sizes;
    static int resize(LV2UI_Feature_Handle handle, int width, int height) {
        ((SizeRecorder*)handle)->sizes.push_back({width, height});
        return 0;
    }
};

static void write_port(LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {}

static bool eventually(int timeout_ms, const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Any helper this process started and has not reaped.
static bool has_children(void) { return !helper_children().empty(); }

class Lv2UiLinux : public testing::Test {
protected:
    void* binary = nullptr;
    const LV2UI_Descriptor* ui = nullptr;
    xcb_connection_t* x = nullptr;
    xcb_window_t parent = 0;
    SizeRecorder recorder;
    LV2UI_Resize host_resize = {&recorder, SizeRecorder::resize};

    void SetUp() override {
        binary = dlopen(VELMO_UI_BINARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(nullptr, binary) << dlerror();
        auto entry = (LV2UI_DescriptorFunction)dlsym(binary, "lv2ui_descriptor");
        ASSERT_NE(nullptr, entry);
        ui = entry(0);
        ASSERT_NE(nullptr, ui);
        EXPECT_EQ(nullptr, entry(1));
        EXPECT_STREQ(ui_uri, ui->URI);
        x = xcb_connect(nullptr, nullptr);
        ASSERT_EQ(0, xcb_connection_has_error(x)) << "no X server (run through with_xvfb.sh)";
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
        parent = xcb_generate_id(x);
        xcb_create_window(x, XCB_COPY_FROM_PARENT, parent, screen->root, 0, 0, 800, 600, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(x, parent);
        xcb_flush(x);
    }

    void TearDown() override {
        if (x) xcb_disconnect(x);
        if (binary) dlclose(binary);
    }

    LV2UI_Handle instantiate(const char* bundle, uint32_t parent_window, LV2UI_Widget* widget) {
        LV2_Feature parent_feature = {LV2_UI__parent, (void*)(uintptr_t)parent_window};
        LV2_Feature resize_feature = {LV2_UI__resize, &host_resize};
        const LV2_Feature* features[] = {&parent_feature, &resize_feature, nullptr};
        return ui->instantiate(ui, VELMO_PLUGIN_URI, bundle, write_port, nullptr, widget, features);
    }

    std::vector<xcb_window_t> children_of(xcb_window_t window) {
        std::vector<xcb_window_t> children;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr);
        if (!tree) return children;
        xcb_window_t* list = xcb_query_tree_children(tree);
        children.assign(list, list + xcb_query_tree_children_length(tree));
        free(tree);
        return children;
    }

    bool has_size(xcb_window_t window, int width, int height) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(x, xcb_get_geometry(x, window), nullptr);
        bool same = g && g->width == width && g->height == height;
        free(g);
        return same;
    }
};

TEST_F(Lv2UiLinux, OpensInTheHostWindowFollowsItsSizeAndClosesWhenTheHelperGoes) {
    auto idle = (const LV2UI_Idle_Interface*)ui->extension_data(LV2_UI__idleInterface);
    auto resize = (const LV2UI_Resize*)ui->extension_data(LV2_UI__resize);
    ASSERT_NE(nullptr, idle);
    ASSERT_NE(nullptr, resize);

    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = instantiate(VELMO_UI_BUNDLE, parent, &widget);
    ASSERT_NE(nullptr, handle);
    xcb_window_t container = (xcb_window_t)(uintptr_t)widget;
    EXPECT_EQ(std::vector<xcb_window_t>{container}, children_of(parent));  // the widget, in the host's window
    EXPECT_TRUE(has_size(container, 800, 600));
    ASSERT_EQ(1u, recorder.sizes.size());  // reported to the host at once
    EXPECT_EQ(std::make_pair(800, 600), recorder.sizes[0]);
    EXPECT_TRUE(has_children());

    // The helper's window arrives inside the widget; it follows the size the host sets.
    auto helper_window = [&] {
        std::vector<xcb_window_t> inside = children_of(container);
        return inside.empty() ? 0 : inside[0];
    };
    ASSERT_TRUE(eventually(20000, [&] { return idle->idle(handle) == 0 && helper_window() != 0; }));
    EXPECT_EQ(0, resize->ui_resize(handle, 640, 480));
    EXPECT_TRUE(eventually(2000, [&] { return has_size(container, 640, 480); }));
    EXPECT_TRUE(eventually(5000, [&] { idle->idle(handle); return has_size(helper_window(), 640, 480); }))
        << children_of(container).size() << " windows in the widget";

    // A helper that dies makes idle ask the host to close the UI; it is reaped at once.
    ui->port_event(handle, 2, sizeof(float), 0, std::vector<float>{7.6f}.data());
    std::vector<pid_t> helpers = helper_children();
    ASSERT_EQ(1u, helpers.size());
    kill(helpers[0], SIGKILL);
    EXPECT_TRUE(eventually(5000, [&] { return idle->idle(handle) != 0; }));
    EXPECT_FALSE(has_children());
    ui->port_event(handle, 3, sizeof(float), 0, std::vector<float>{2.0f}.data());  // nothing breaks
    ui->cleanup(handle);
    EXPECT_TRUE(children_of(parent).empty());  // the widget is gone with the UI
}

// A host that gives no window (against the UI's declaration): the page opens in a window of its
// own, which has no X window of the UI's to hand out as the widget.
TEST_F(Lv2UiLinux, WithoutAParentThePageHasAWindowOfItsOwn) {
    LV2UI_Widget widget = (LV2UI_Widget)1;
    const LV2_Feature* features[] = {nullptr};
    LV2UI_Handle handle = ui->instantiate(ui, VELMO_PLUGIN_URI, VELMO_UI_BUNDLE, write_port, nullptr, &widget, features);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(nullptr, widget);
    EXPECT_TRUE(has_children());
    EXPECT_TRUE(eventually(20000, [] { return system("xdotool search --name '^Velmo$' >/dev/null") == 0; }));
    ui->cleanup(handle);
    EXPECT_FALSE(has_children());
}

TEST_F(Lv2UiLinux, InstantiateFailsWithoutAWindowOrAHelperLeavingNothing) {
    LV2UI_Widget widget = (LV2UI_Widget)1;
    // A parent that does not exist: refused by the X server, reported to nobody else.
    EXPECT_EQ(nullptr, instantiate(VELMO_UI_BUNDLE, 0x7FFFFFF0u, &widget));
    EXPECT_EQ(nullptr, widget);
    // A bundle folder without the helper.
    widget = (LV2UI_Widget)1;
    EXPECT_EQ(nullptr, instantiate("/nonexistent/velmo.lv2", parent, &widget));
    EXPECT_EQ(nullptr, widget);
    EXPECT_TRUE(children_of(parent).empty());
    EXPECT_FALSE(has_children());
    EXPECT_TRUE(recorder.sizes.empty());
}
