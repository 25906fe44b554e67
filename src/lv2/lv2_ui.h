// One LV2 UI instance (Windows only): the web editor opened for the host, and what it needs to
// write the page's edits back to the host's control ports.
#pragma once
#include "editor_host.h"
#include "lv2/ui/ui.h"

struct Lv2Ui {
    EditorHost* editor;
    char* bundle_path;  // WebView2Loader.dll and index.html live here
    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    bool has_touch;     // the host offered ui:touch
    LV2UI_Touch touch;  // meaningful only with has_touch
};
