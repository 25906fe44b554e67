#include "lv2/lv2_ui_x11.h"

#include <stdlib.h>

// Checked requests report errors here, never to a process-wide X error handler of the host's.
static bool request_ok(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    free(error);
    return error == nullptr;
}

// WM_NORMAL_HINTS as hosts read them for an embedded window: its preferred ("base") size and the
// smallest it can be made, so that a host need not keep it at its first size.
static const int smallest_width = 200;
static const int smallest_height = 150;

static void set_size_hints(UiContainer* c, int width, int height) {
    enum { program_min_size = 1 << 4, program_base_size = 1 << 8 };
    uint32_t hints[18] = {};  // flags, x, y, width, height, min, max, increments, aspects, base, gravity
    hints[0] = program_min_size | program_base_size;
    hints[5] = smallest_width;
    hints[6] = smallest_height;
    hints[15] = (uint32_t)width;
    hints[16] = (uint32_t)height;
    xcb_change_property(c->connection, XCB_PROP_MODE_REPLACE, c->window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
}

bool ui_container_open(UiContainer* c, uintptr_t parent, int width, int height) {
    c->connection = xcb_connect(nullptr, nullptr);
    c->window = 0;
    if (xcb_connection_has_error(c->connection)) {
        xcb_disconnect(c->connection);
        c->connection = nullptr;
        return false;
    }
    c->window = xcb_generate_id(c->connection);
    // The page's own background colour, so that nothing flashes white before it is drawn.
    const uint32_t values[] = {0x0B0C0F};
    bool ok = request_ok(c->connection,
                         xcb_create_window_checked(c->connection, XCB_COPY_FROM_PARENT, c->window,
                                                   (xcb_window_t)parent, 0, 0, (uint16_t)width,
                                                   (uint16_t)height, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                                                   XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values)) &&
              request_ok(c->connection, xcb_map_window_checked(c->connection, c->window));
    if (!ok) {
        ui_container_close(c);
        return false;
    }
    set_size_hints(c, width, height);
    xcb_flush(c->connection);
    return true;
}

void ui_container_resize(UiContainer* c, int width, int height) {
    if (!c->connection || width <= 0 || height <= 0) return;
    const uint32_t size[] = {(uint32_t)width, (uint32_t)height};
    xcb_configure_window(c->connection, c->window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(c->connection);
}

void ui_container_close(UiContainer* c) {
    if (!c->connection) return;
    if (c->window) xcb_destroy_window(c->connection, c->window);
    xcb_flush(c->connection);
    xcb_disconnect(c->connection);
    c->connection = nullptr;
    c->window = 0;
}
