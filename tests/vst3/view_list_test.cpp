// The Controller's list of views, seen from inside (the Controller linked into the test, its
// folders pointed at the test bundle): slots taken, cleared by a view's final release, reused.
#include "view_test_support.h"
#include "vst3/controller.h"
#include "vst3/module_paths.h"
#include "vst3/plug_view.h"

class ViewListTest : public ViewTest {
protected:
    Controller* c = nullptr;
    void SetUp() override {
        ViewTest::SetUp();
        ASSERT_EQ(0, module_paths_set_from_file(windows_path(VELMO_VST3_MODULE).c_str(), '\\'));
        c = controller_create();
        ASSERT_NE(nullptr, c);
    }
    void TearDown() override {
        if (c) funknown_release(&c->edit_controller);
        module_paths_clear();
        ViewTest::TearDown();
    }
    IPlugView* create(const char* name = "editor") { return c->edit_controller.vtbl->createView(&c->edit_controller, name); }
};

TEST_F(ViewListTest, SlotsAreTakenClearedByTheFinalReleaseAndReused) {
    IPlugView* first = create();
    IPlugView* second = create();
    ASSERT_NE(nullptr, first);
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(nullptr, create("Editor"));
    ASSERT_EQ(2u, c->views.length);
    EXPECT_EQ((PlugView*)first, c->views.slots[0]);
    EXPECT_EQ((PlugView*)second, c->views.slots[1]);
    EXPECT_EQ(c, ((PlugView*)first)->controller);

    ASSERT_EQ(kResultOk, first->vtbl->attached(first, parent, "HWND"));
    HWND editor = editor_of(parent);
    ASSERT_NE(nullptr, editor);
    first->vtbl->addRef(first);
    EXPECT_EQ(1u, first->vtbl->release(first));
    EXPECT_EQ((PlugView*)first, c->views.slots[0]) << "still held";
    EXPECT_EQ(0u, first->vtbl->release(first));
    EXPECT_FALSE(IsWindow(editor)) << "the final release closes the editor";
    EXPECT_EQ(nullptr, c->views.slots[0]);
    EXPECT_EQ((PlugView*)second, c->views.slots[1]);

    IPlugView* third = create();
    ASSERT_NE(nullptr, third);
    EXPECT_EQ((PlugView*)third, c->views.slots[0]) << "the freed slot is reused";
    EXPECT_EQ(2u, c->views.length);
    IPlugView* fourth = create();
    EXPECT_EQ(3u, c->views.length);
    for (IPlugView* v : {second, third, fourth}) v->vtbl->release(v);
    for (uint64_t i = 0; i < c->views.length; i++) EXPECT_EQ(nullptr, c->views.slots[i]);
}

TEST_F(ViewListTest, DestructionDetachesViewsWithoutTakingTheHostsReferences) {
    IPlugView* held = create();
    IPlugView* unattached = create();
    ASSERT_EQ(kResultOk, held->vtbl->attached(held, parent, "HWND"));
    PlugView* view = (PlugView*)held;
    funknown_release(&c->edit_controller);
    c = nullptr;
    EXPECT_EQ(nullptr, view->controller) << "the surviving view forgets the Controller";
    EXPECT_EQ(nullptr, view->editor) << "and its editor is closed";
    EXPECT_EQ(1u, view->refs.load()) << "the list never owned a reference";
    EXPECT_EQ(nullptr, ((PlugView*)unattached)->controller);
    EXPECT_EQ(0u, held->vtbl->release(held));
    EXPECT_EQ(0u, unattached->vtbl->release(unattached));
}
