// One LV2 UI instance: the web editor opened for the host, and what it needs to write the
// page's edits back to the host's control ports.
#pragma once
#include "editor_host.h"
#include "lv2/ui/ui.h"
#if defined(__linux__)
#include "lv2/lv2_ui_x11.h"
#endif

struct Lv2Ui {
    EditorHost* editor;
    char* bundle_path;  // WebView2Loader.dll and index.html live here
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    bool has_touch;     // the host offered ui:touch
    LV2UI_Touch touch;  // meaningful only with has_touch
#if defined(__linux__)
    UiContainer container;       // the widget: the helper's window goes inside it
    LV2UI_Resize host_resize;    // the host's ui:resize feature; null ui_resize without one
#endif
};
