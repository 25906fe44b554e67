// The LV2 UI's own X11 window on Linux: made inside the host's parent at instantiate and handed
// to the host as the UI's widget at once (the editor's helper then embeds itself in it, without
// the host waiting for it), sized by the host through it.
#pragma once
#include <stdint.h>
#include <xcb/xcb.h>

struct UiContainer {
    xcb_connection_t* connection;
    xcb_window_t window;
};

// A mapped child of `parent` of the given size, or false with nothing left open.
bool ui_container_open(UiContainer* c, uintptr_t parent, int width, int height);
void ui_container_resize(UiContainer* c, int width, int height);
void ui_container_close(UiContainer* c);
