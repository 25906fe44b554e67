// velmo-editor: the editor page in a WebKitGTK view, run by the plug-in as a process of its own
// (hosts may be GTK2, Qt or plain X11 programs, where GTK3 and WebKit cannot be loaded).
//
//   velmo-editor --socket FD --page PATH --width W --height H [--parent XID]
//
// With a parent window the view goes inside it as a GtkPlug (XEmbed when the parent speaks it;
// the plug also maps itself and follows the parent's size, which makes a plain parent work by
// reparenting alone); without one it opens a window of its own. Frames on the socket (see
// editor_frame.h) carry the page's messages to the plug-in and the plug-in's values and sizes
// here. The helper ends when the socket closes, the window goes or the web process dies.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <dirent.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <gtk/gtkx.h>
#include <webkit2/webkit2.h>

#include "editor_frame.h"

struct Helper {
    int socket;
    GtkWidget* window; // GtkPlug with a parent, else a top-level GtkWindow
    WebKitWebView* view;
    Window parent;     // 0 without one
    GdkWindow* parentWindow;
    FrameReader reader;
    int reportedWidth, reportedHeight;
    int wantedWidth, wantedHeight; // the last size given by the parent or the plug-in; 0 for none
};

// The page's channel, as WebView2 offers it: postMessage to the plug-in and 'message' events
// back. Host texts arrive through __velmoDeliver.
static const char bridgeScript[] =
    "(function () {\n"
    "  const channel = window.webkit.messageHandlers.velmo;\n"
    "  const target = new EventTarget();\n"
    "  window.chrome = window.chrome || {};\n"
    "  window.chrome.webview = {\n"
    "    postMessage(message) { channel.postMessage(message); },\n"
    "    addEventListener(type, listener, options) { target.addEventListener(type, listener, options); },\n"
    "    removeEventListener(type, listener, options) { target.removeEventListener(type, listener, options); },\n"
    "  };\n"
    "  Object.defineProperty(window, '__velmoDeliver', {\n"
    "    value: data => target.dispatchEvent(new MessageEvent('message', { data })),\n"
    "  });\n"
    "})();\n";

static void quit(void)
{
    if (gtk_main_level() > 0) gtk_main_quit();
}

// One whole frame, blocking: the plug-in reads its socket from its UI thread's idle work.
static void send_frame(Helper* h, char kind, const char* text, size_t length)
{
    uint8_t frame[FRAME_SIZE_MAX];
    size_t size = frame_encode(frame, kind, text, length);
    for (size_t sent = 0; size && sent < size;) {
        ssize_t n = send(h->socket, frame + sent, size - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            quit();
            return;
        }
        sent += (size_t)n;
    }
}

static void report_size(Helper* h, int width, int height)
{
    if (width == h->reportedWidth && height == h->reportedHeight) return;
    h->reportedWidth = width;
    h->reportedHeight = height;
    char text[32];
    int length = snprintf(text, sizeof text, "%d %d", width, height);
    send_frame(h, FRAME_SIZE, text, (size_t)length);
}

// ---- page to plug-in

static void on_page_message(WebKitUserContentManager*, WebKitJavascriptResult* result, gpointer data)
{
    Helper* h = (Helper*)data;
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (!jsc_value_is_string(value)) return; // as WebView2's TryGetWebMessageAsString refuses it
    char* text = jsc_value_to_string(value);
    size_t length = strlen(text);
    // The page protocol's limit (1024 bytes with the terminator) refuses longer texts here.
    if (length <= FRAME_TEXT_MAX) send_frame(h, FRAME_PAGE, text, length);
    g_free(text);
}

// ---- plug-in to page

// Host texts are the page protocol's ("s %08x %08x"): printable ASCII, which a JavaScript string
// literal holds as it is. Anything else is not passed to the page.
static bool plain_ascii(const char* text)
{
    for (const char* p = text; *p; p++)
        if (*p < 0x20 || *p > 0x7E || *p == '"' || *p == '\\') return false;
    return true;
}

static void deliver_to_page(Helper* h, const char* text)
{
    if (!plain_ascii(text)) return;
    char* script = g_strdup_printf("window.__velmoDeliver && window.__velmoDeliver(\"%s\");", text);
    webkit_web_view_evaluate_javascript(h->view, script, -1, NULL, NULL, NULL, NULL, NULL);
    g_free(script);
}

// As an embedder sizes its client: the X window itself, which GTK then takes as given (asking
// GTK to resize a plug makes it return to its first size).
static void resize_window(Helper* h, int width, int height)
{
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return;
    h->wantedWidth = width;
    h->wantedHeight = height;
    GdkWindow* window = gtk_widget_get_window(h->window);
    if (!h->parent || !window) {
        gtk_window_resize(GTK_WINDOW(h->window), width, height);
        return;
    }
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(window));
    XResizeWindow(xdisplay, gdk_x11_window_get_xid(window), (unsigned)width, (unsigned)height);
    XFlush(xdisplay);
}

static void apply_size(Helper* h, const char* text)
{
    int width, height;
    if (sscanf(text, "%d %d", &width, &height) == 2) resize_window(h, width, height);
}

static gboolean on_socket(gint, GIOCondition, gpointer data)
{
    Helper* h = (Helper*)data;
    uint8_t bytes[4096];
    ssize_t n = recv(h->socket, bytes, sizeof bytes, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    if (n <= 0) { // the plug-in closed the editor or went away
        quit();
        return G_SOURCE_REMOVE;
    }
    for (size_t used = 0; used < (size_t)n;) {
        used += frame_reader_feed(&h->reader, bytes + used, (size_t)n - used);
        char kind, text[FRAME_TEXT_MAX + 1];
        FrameResult result = frame_reader_next(&h->reader, &kind, text);
        if (result == FRAME_BAD) {
            quit();
            return G_SOURCE_REMOVE;
        }
        if (result != FRAME_READY) continue;
        if (kind == FRAME_PAGE) deliver_to_page(h, text);
        else if (kind == FRAME_SIZE) apply_size(h, text);
    }
    return G_SOURCE_CONTINUE;
}

// ---- navigation: the view shows local files only; anything else goes to the desktop's handler

static void open_outside(const char* uri)
{
    const char* argv[] = {"xdg-open", uri, NULL};
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib reaps the opener itself.
    g_spawn_async(NULL, (char**)argv, NULL, G_SPAWN_SEARCH_PATH, NULL, NULL, NULL, NULL);
}

static gboolean on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                                 gpointer)
{
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    WebKitNavigationAction* action =
        webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
    bool inside = uri && strncmp(uri, "file:", 5) == 0;
    if (inside && type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        webkit_policy_decision_use(decision);
        return TRUE;
    }
    webkit_policy_decision_ignore(decision); // never a second window, never a web page here
    if (uri && !inside) open_outside(uri);
    return TRUE;
}

static GtkWidget* on_create(WebKitWebView*, WebKitNavigationAction*, gpointer) { return NULL; }

// The browser's own menu (back, reload, inspect) has no place in a plug-in window.
static gboolean on_context_menu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*, gpointer)
{
    return TRUE;
}

static void on_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer) { quit(); }

// ---- window and parent

static gboolean on_configure(GtkWidget*, GdkEventConfigure* event, gpointer data)
{
    Helper* h = (Helper*)data;
    // GTK's own first sizing may land after a size that was given meanwhile: give it again.
    if (h->parent && h->wantedWidth && (event->width != h->wantedWidth || event->height != h->wantedHeight))
        resize_window(h, h->wantedWidth, h->wantedHeight);
    report_size(h, event->width, event->height);
    return FALSE;
}

static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer)
{
    quit();
    return TRUE;
}

// Hosts that do not speak XEmbed never hand the keyboard to the plug (and GtkPlug counts itself
// embedded either way), so a click into the page takes it, as in a window of its own.
static gboolean on_button_press(GtkWidget*, GdkEventButton*, gpointer data)
{
    Helper* h = (Helper*)data;
    GdkWindow* window = gtk_widget_get_window(h->window);
    if (h->parent && window) {
        Display* xdisplay = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(window));
        XSetInputFocus(xdisplay, gdk_x11_window_get_xid(window), RevertToParent, CurrentTime);
    }
    return FALSE;
}

// Events of the parent window, selected by this process: follow its size, end with it.
static GdkFilterReturn on_parent_event(GdkXEvent* xevent, GdkEvent*, gpointer data)
{
    Helper* h = (Helper*)data;
    XEvent* event = (XEvent*)xevent;
    if (event->type == ConfigureNotify && event->xconfigure.window == h->parent)
        resize_window(h, event->xconfigure.width, event->xconfigure.height);
    else if (event->type == DestroyNotify && event->xdestroywindow.window == h->parent)
        quit();
    return GDK_FILTER_CONTINUE;
}

static bool embed_in_parent(Helper* h, int* width, int* height)
{
    GdkDisplay* display = gdk_display_get_default();
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    gdk_x11_display_error_trap_push(display);
    XWindowAttributes attributes;
    bool exists = XGetWindowAttributes(xdisplay, h->parent, &attributes) != 0;
    if (exists) {
        // Its current size counts unless it is still a placeholder.
        if (attributes.width > 1 && attributes.height > 1) {
            *width = attributes.width;
            *height = attributes.height;
        }
        XSelectInput(xdisplay, h->parent, (long)attributes.your_event_mask | StructureNotifyMask);
    }
    XSync(xdisplay, False);
    if (gdk_x11_display_error_trap_pop(display) || !exists) return false;
    h->parentWindow = gdk_x11_window_foreign_new_for_display(display, h->parent);
    if (!h->parentWindow) return false;
    gdk_window_add_filter(h->parentWindow, on_parent_event, h);
    h->window = gtk_plug_new(h->parent);
    return h->window != NULL;
}

// A GtkPlug waits for an XEmbed embedder to map it; a plain parent never will, so map it here
// (an embedder that speaks XEmbed maps it anyway).
static void map_in_parent(Helper* h)
{
    GdkWindow* window = gtk_widget_get_window(h->window);
    if (!window) return;
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(gdk_window_get_display(window));
    XMapWindow(xdisplay, gdk_x11_window_get_xid(window));
    XFlush(xdisplay);
}

// WebKit's web and network processes are this process's children: end and reap them, so that
// none is left to whoever adopts orphans.
static void end_children(void)
{
    DIR* processes = opendir("/proc");
    if (processes) {
        pid_t self = getpid();
        for (struct dirent* entry; (entry = readdir(processes)) != NULL;) {
            char path[288], line[512];
            snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
            FILE* stat = fopen(path, "r");
            if (!stat) continue;
            bool read = fgets(line, sizeof line, stat) != NULL;
            fclose(stat);
            // "pid (name) state ppid ...": the name may hold spaces, so start after its ')'.
            const char* rest = read ? strrchr(line, ')') : NULL;
            int parent;
            if (rest && sscanf(rest + 1, " %*c %d", &parent) == 1 && parent == self)
                kill((pid_t)atoi(entry->d_name), SIGKILL);
        }
        closedir(processes);
    }
    while (waitpid(-1, NULL, 0) > 0 || errno == EINTR) {
    }
}

static bool parse_int(const char* text, long long low, long long high, long long* out)
{
    char* end;
    errno = 0;
    long long value = strtoll(text, &end, 0);
    if (errno || end == text || *end || value < low || value > high) return false;
    *out = value;
    return true;
}

int main(int argc, char** argv)
{
    Helper h = {};
    h.socket = -1;
    const char* page = NULL;
    long long socketFd = -1, width = 800, height = 600, parent = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        const char* name = argv[i];
        const char* value = argv[i + 1];
        bool ok = true;
        if (strcmp(name, "--socket") == 0) ok = parse_int(value, 0, 65535, &socketFd);
        else if (strcmp(name, "--page") == 0) page = value;
        else if (strcmp(name, "--width") == 0) ok = parse_int(value, 1, 32768, &width);
        else if (strcmp(name, "--height") == 0) ok = parse_int(value, 1, 32768, &height);
        else if (strcmp(name, "--parent") == 0) ok = parse_int(value, 1, 0xFFFFFFFFLL, &parent);
        else ok = false;
        if (!ok) {
            fprintf(stderr, "velmo-editor: bad option %s %s\n", name, value);
            return 2;
        }
    }
    if (socketFd < 0 || !page) {
        fprintf(stderr, "usage: velmo-editor --socket FD --page PATH [--width W] [--height H] [--parent XID]\n");
        return 2;
    }
    h.socket = (int)socketFd;
    // WebKit's own processes must not hold the plug-in's socket open.
    if (fcntl(h.socket, F_SETFD, FD_CLOEXEC) != 0) return 1;
    h.parent = (Window)parent;

    gdk_set_allowed_backends("x11");
    if (!gtk_init_check(&argc, &argv)) return 1;
    int w = (int)width, hgt = (int)height;
    if (h.parent) {
        if (!embed_in_parent(&h, &w, &hgt)) return 1;
    } else {
        h.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
        gtk_window_set_title(GTK_WINDOW(h.window), "Velmo");
    }
    gtk_window_set_default_size(GTK_WINDOW(h.window), w, hgt);
    g_signal_connect(h.window, "delete-event", G_CALLBACK(on_delete), NULL);
    g_signal_connect(h.window, "destroy", G_CALLBACK(quit), NULL);
    g_signal_connect(h.window, "configure-event", G_CALLBACK(on_configure), &h);

    WebKitUserContentManager* content = webkit_user_content_manager_new();
    WebKitUserScript* script = webkit_user_script_new(bridgeScript, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                                      WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, NULL, NULL);
    webkit_user_content_manager_add_script(content, script);
    webkit_user_script_unref(script);
    g_signal_connect(content, "script-message-received::velmo", G_CALLBACK(on_page_message), &h);
    webkit_user_content_manager_register_script_message_handler(content, "velmo");

    // Nothing of the page is kept on disk.
    WebKitWebContext* context = webkit_web_context_new_ephemeral();
    h.view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                          "user-content-manager", content, NULL));
    WebKitSettings* settings = webkit_web_view_get_settings(h.view);
    // Software drawing: reliable under any X server, and the page is light.
    webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    webkit_settings_set_enable_developer_extras(settings, FALSE);
    g_signal_connect(h.view, "decide-policy", G_CALLBACK(on_decide_policy), NULL);
    g_signal_connect(h.view, "create", G_CALLBACK(on_create), NULL);
    g_signal_connect(h.view, "context-menu", G_CALLBACK(on_context_menu), NULL);
    g_signal_connect(h.view, "web-process-terminated", G_CALLBACK(on_web_process_terminated), NULL);
    g_signal_connect(h.view, "button-press-event", G_CALLBACK(on_button_press), &h);
    gtk_container_add(GTK_CONTAINER(h.window), GTK_WIDGET(h.view));

    GError* error = NULL;
    char* uri = g_filename_to_uri(page, NULL, &error);
    if (!uri) {
        g_error_free(error);
        return 1;
    }
    webkit_web_view_load_uri(h.view, uri);
    g_free(uri);

    g_unix_fd_add(h.socket, (GIOCondition)(G_IO_IN | G_IO_HUP | G_IO_ERR), on_socket, &h);
    gtk_widget_show_all(h.window);
    if (h.parent) map_in_parent(&h);
    gtk_main();
    end_children();
    return 0;
}
