// What the editor view does alike on every platform: the descriptor its editor opens with,
// its identity, and the IPlugView calls that need nothing of the platform.
#include "vst3/plug_view.h"

#include "vst3/controller.h"
#include "vst3/module_paths.h"

static PlugView* of(IPlugView* face) { return (PlugView*)face; }  // the face is the first member

// The page-edit callbacks run where the platform's editor runs them (see plug_view.h).
static const char* module_folder(void*) { return module_directory(); }
static const char* resources_folder(void*) { return resources_directory(); }
static void on_editor_begin(void* user, uint32_t index, float value) {
    controller_edit_begin(((PlugView*)user)->controller, index, value);
}
static void on_editor_value(void* user, uint32_t index, float value) {
    controller_edit_value(((PlugView*)user)->controller, index, value);
}
static void on_editor_end(void* user, uint32_t index, float value) {
    controller_edit_end(((PlugView*)user)->controller, index, value);
}

EditorDescriptor plug_view_descriptor(PlugView* v) {
    return EditorDescriptor{v, "vst3", module_folder, resources_folder,
                            on_editor_begin, on_editor_value, on_editor_end};
}

tresult PLUGIN_API plug_view_query(IPlugView* self, const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (!iid || !(iid_equal(iid, IID_FUnknown) || iid_equal(iid, IID_IPlugView))) {
        *obj = nullptr;
        return kNoInterface;
    }
    of(self)->refs.fetch_add(1);
    *obj = self;
    return kResultOk;
}

uint32 PLUGIN_API plug_view_add_ref(IPlugView* self) { return of(self)->refs.fetch_add(1) + 1; }

// Wheel, keys and focus reach the editor's window directly.
tresult PLUGIN_API plug_view_on_wheel(IPlugView*, float) { return kResultFalse; }
tresult PLUGIN_API plug_view_on_key(IPlugView*, char16, int16, int16) { return kResultFalse; }
tresult PLUGIN_API plug_view_on_focus(IPlugView*, TBool) { return kResultFalse; }

tresult PLUGIN_API plug_view_set_frame(IPlugView* self, IPlugFrame* frame) {
    of(self)->frame = frame;
    return kResultOk;
}

tresult PLUGIN_API plug_view_can_resize(IPlugView*) { return kResultTrue; }
tresult PLUGIN_API plug_view_check_size_constraint(IPlugView*, ViewRect*) { return kResultTrue; }  // any size
