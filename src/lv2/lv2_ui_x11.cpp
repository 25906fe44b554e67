#include "lv2/lv2_ui_x11.h"

#include <stdlib.h>

// Checked requests report errors here, never to a process-wide X error handler of the host's.
static bool request_ok(xcb_connection_t* connection, xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    free(error);
    return error == nullptr;
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
