// The LV2 UI: the web editor in the host's window, port events pushed to the page and the
// page's edits written back to the control ports, inside touch gestures when the host has them.
#include "lv2/lv2_ui.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "plugin/params.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"
#if defined(__linux__)
#include "editor_linux.h"
#endif

// Both editor folders are the bundle: its path comes from the host in UTF-8, as the editor reads it.
static const char* bundle_directory(void* user) { return ((const Lv2Ui*)user)->bundle_path; }

// The page's parameter index i is control port PORT_CUTOFF + i. Only the three inputs can be
// written: index 3 is the read-only modulated cutoff (an output port, which the float protocol
// may not write), so edits for it are dropped like any other index out of range.
static bool input_port_for(uint32_t index, uint32_t* port) {
    if (index >= PARAM_INPUT_COUNT) return false;
    *port = PORT_CUTOFF + index;
    return true;
}

static void write_port(const Lv2Ui* ui, uint32_t port, float value) {
    float snapped = snap_control_value(value);
    if (ui->write) ui->write(ui->controller, port, sizeof snapped, 0, &snapped);
}

// The page callbacks, on the editor's UI thread.
static void on_begin(void* user, uint32_t index, float value) {
    const Lv2Ui* ui = (const Lv2Ui*)user;
    uint32_t port;
    if (!ui->has_touch || !input_port_for(index, &port)) return;
    ui->touch.touch(ui->touch.handle, port, true);
    write_port(ui, port, value);
}

static void on_value(void* user, uint32_t index, float value) {
    const Lv2Ui* ui = (const Lv2Ui*)user;
    uint32_t port;
    if (input_port_for(index, &port)) write_port(ui, port, value);
}

static void on_end(void* user, uint32_t index, float value) {
    const Lv2Ui* ui = (const Lv2Ui*)user;
    uint32_t port;
    if (!ui->has_touch || !input_port_for(index, &port)) return;
    write_port(ui, port, value);
    ui->touch.touch(ui->touch.handle, port, false);
}

static LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char*, const char* bundle_path,
                                LV2UI_Write_Function write, LV2UI_Controller controller,
                                LV2UI_Widget* widget, const LV2_Feature* const* features) {
    *widget = nullptr;
    if (!bundle_path) return nullptr;
    Lv2Ui* ui = new (std::nothrow) Lv2Ui();
    if (!ui) return nullptr;
    size_t path_size = strlen(bundle_path) + 1;
    ui->bundle_path = (char*)malloc(path_size);
    if (!ui->bundle_path) {
        delete ui;
        return nullptr;
    }
    memcpy(ui->bundle_path, bundle_path, path_size);

    // Later entries override earlier ones; entries without usable data are passed over.
    bool has_parent = false;
    void* parent = nullptr;
    ui->has_touch = false;
    for (const LV2_Feature* const* f = features; f && *f; f++) {
        const char* uri = (*f)->URI;
        void* data = (*f)->data;
        if (!uri || !data) continue;
        if (strcmp(uri, LV2_UI__parent) == 0) {
            has_parent = true;
            parent = data;
        } else if (strcmp(uri, LV2_UI__touch) == 0 && ((const LV2UI_Touch*)data)->touch) {
            ui->has_touch = true;
            ui->touch = *(const LV2UI_Touch*)data;
        }
#if defined(__linux__)
        else if (strcmp(uri, LV2_UI__resize) == 0) {
            ui->host_resize = *(const LV2UI_Resize*)data;
        }
#endif
    }

    EditorDescriptor descriptor = {};
    descriptor.user = ui;
    descriptor.formatName = "lv2";
    descriptor.getModuleDirectory = bundle_directory;
    descriptor.getResourcesDirectory = bundle_directory;
    descriptor.onEditorBegin = on_begin;
    descriptor.onEditorValue = on_value;
    descriptor.onEditorEnd = on_end;
    ui->write = write;
    ui->controller = controller;

#if defined(__linux__)
    // The widget is a window of the UI's own, so that the host need not wait for the helper.
    if (has_parent && !ui_container_open(&ui->container, (uintptr_t)parent, 800, 600)) {
        free(ui->bundle_path);
        delete ui;
        return nullptr;
    }
    if (has_parent) parent = (void*)(uintptr_t)ui->container.window;
#endif
    ui->editor = editorOpen(has_parent, parent, &descriptor, 800, 600, PARAM_COUNT);
    if (!ui->editor) {
#if defined(__linux__)
        ui_container_close(&ui->container);
#endif
        free(ui->bundle_path);
        delete ui;
        return nullptr;
    }
    *widget = editorWindow(ui->editor);
#if defined(__linux__)
    if (ui->host_resize.ui_resize) ui->host_resize.ui_resize(ui->host_resize.handle, 800, 600);
#endif
    return ui;
}

static void cleanup(LV2UI_Handle handle) {
    Lv2Ui* ui = (Lv2Ui*)handle;
    editorClose(ui->editor);
#if defined(__linux__)
    ui_container_close(&ui->container);
#endif
    free(ui->bundle_path);
    delete ui;
}

// Blocks until the editor's thread has the value; from inside a page callback (a host that
// answers a write at once) the editor stores it directly instead of waiting for itself.
static void port_event(LV2UI_Handle handle, uint32_t port, uint32_t, uint32_t, const void* buffer) {
    const Lv2Ui* ui = (const Lv2Ui*)handle;
    if (!buffer) return;
    float value = *(const float*)buffer;
    if (port >= PORT_CUTOFF && port < PORT_CUTOFF + PARAM_INPUT_COUNT)
        editorSendValue(ui->editor, port - PORT_CUTOFF, snap_control_value(value));
    else if (port == PORT_MOD_CUTOFF)
        editorSendValue(ui->editor, PARAM_MOD_CUTOFF, value);
}

#if defined(__linux__)
// The helper's frames are read here, on the host's UI thread. Once the helper has gone (it
// crashed, or its window was closed) the host is asked to close the UI.
static int idle(LV2UI_Handle handle) {
    EditorHost* editor = ((const Lv2Ui*)handle)->editor;
    editorIdle(editor);
    return editorIsOpen(editor) ? 0 : 1;
}

// The host sizes the UI's window; the helper follows it.
static int resize(LV2UI_Feature_Handle handle, int width, int height) {
    Lv2Ui* ui = (Lv2Ui*)handle;
    if (width <= 0 || height <= 0) return 1;
    ui_container_resize(&ui->container, width, height);
    editorSetSize(ui->editor, width, height);
    return 0;
}

static const LV2UI_Resize resize_interface = {nullptr, resize};
#else
// The editor runs its own message loop; the host keeps the UI open as long as it likes.
static int idle(LV2UI_Handle handle) {
    editorIdle(((const Lv2Ui*)handle)->editor);
    return 0;
}
#endif

static const LV2UI_Idle_Interface idle_interface = {idle};

static const void* extension_data(const char* uri) {
    if (uri && strcmp(uri, LV2_UI__idleInterface) == 0) return &idle_interface;
#if defined(__linux__)
    if (uri && strcmp(uri, LV2_UI__resize) == 0) return &resize_interface;
#endif
    return nullptr;
}

static const LV2UI_Descriptor descriptor = {
    VELMO_UI_URI, instantiate, cleanup, port_event, extension_data,
};

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
