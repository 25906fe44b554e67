// The editor operations on Linux: the helper process and the frames to and from it.
#include <errno.h>
#include <fcntl.h>
#include <math.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "editor_frame.h"
#include "editor_linux.h"
#include "page_protocol.h"

extern char** environ;

struct EditorHost {
    void* window;     // the parent X window given to editorOpen
    int socket;       // -1 once the helper has gone
    pid_t helper;     // 0 once reaped
    EditorDescriptor descriptor;
    float* values;    // last value per parameter, either direction
    uint64_t parameterCount;
    FrameReader reader;
    int width, height;
    bool serving;     // inside editorIdle: a callback's editorClose is finished there
    bool closing;
};

// The helper's end of the socket is always this descriptor in the helper.
static const int helper_socket_fd = 3;
// How long editorClose lets the helper end by itself before it is killed.
static const int helper_exit_grace_ms = 250;

static char* join_path(const char* directory, const char* name)
{
    size_t length = strlen(directory) + 1 + strlen(name) + 1;
    char* path = (char*)malloc(length);
    if (path) snprintf(path, length, "%s/%s", directory, name);
    return path;
}

// Reaps the helper: it gets `grace_ms` to end by itself, then it is killed.
static void reap_helper(EditorHost* host, int grace_ms)
{
    if (host->helper <= 0) return;
    for (int waited = 0;; waited++) {
        pid_t result = waitpid(host->helper, NULL, WNOHANG);
        if (result == host->helper || (result < 0 && errno != EINTR)) break; // ECHILD: reaped elsewhere
        if (waited >= grace_ms) {
            kill(host->helper, SIGKILL);
            while (waitpid(host->helper, NULL, 0) < 0 && errno == EINTR) {
            }
            break;
        }
        struct timespec millisecond = {0, 1000000};
        nanosleep(&millisecond, NULL);
    }
    host->helper = 0;
}

// The helper closed its socket (it ended or is ending), or the stream broke.
static void helper_gone(EditorHost* host)
{
    if (host->socket < 0) return;
    close(host->socket);
    host->socket = -1;
    reap_helper(host, 0);
}

static void send_frame(EditorHost* host, char kind, const char* text)
{
    if (host->socket < 0) return;
    uint8_t frame[FRAME_SIZE_MAX];
    size_t size = frame_encode(frame, kind, text, strlen(text));
    if (size == 0) return;
    ssize_t sent;
    do sent = send(host->socket, frame, size, MSG_DONTWAIT | MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    // A helper that stopped reading (its buffer is full) or a torn frame: the stream is lost.
    if (sent != (ssize_t)size) helper_gone(host);
}

static void send_value(EditorHost* host, uint32_t index)
{
    uint32_t bits;
    memcpy(&bits, &host->values[index], sizeof bits);
    char text[PAGE_VALUE_TEXT_SIZE];
    page_value_format(text, index, bits);
    send_frame(host, FRAME_PAGE, text);
}

static void handle_page_message(EditorHost* host, const char* text)
{
    PageMessage message = page_message_parse(text, host->parameterCount);
    if (message.kind == PAGE_MESSAGE_GET_ALL) {
        for (uint32_t i = 0; i < host->parameterCount; i++) send_value(host, i);
        return;
    }
    if (message.kind == PAGE_MESSAGE_IGNORED) return;
    float value;
    memcpy(&value, &message.valueBits, sizeof value);
    host->values[message.index] = value;
    const EditorDescriptor* d = &host->descriptor;
    void (*callback)(void*, uint32_t, float) = message.kind == PAGE_MESSAGE_BEGIN ? d->onEditorBegin
                                               : message.kind == PAGE_MESSAGE_SET ? d->onEditorValue
                                                                                  : d->onEditorEnd;
    if (callback) callback(d->user, message.index, value);
}

static void handle_size_report(EditorHost* host, const char* text)
{
    int width, height;
    if (sscanf(text, "%d %d", &width, &height) == 2 && width > 0 && height > 0) {
        host->width = width;
        host->height = height;
    }
}

// Hosts that bring their own toolkit libraries point the loader and GTK at them; the helper
// uses the system's GTK and WebKit, so those settings are not passed on.
static const char* const host_only_variables[] = {
    "LD_LIBRARY_PATH", "LD_PRELOAD", "GTK_PATH", "GTK_MODULES", "GTK_DATA_PREFIX", "GTK_EXE_PREFIX",
    "GTK_IM_MODULE_FILE", "GDK_PIXBUF_MODULE_FILE", "GDK_PIXBUF_MODULEDIR", "GIO_MODULE_DIR",
};

static bool passed_on(const char* entry)
{
    for (const char* name : host_only_variables) {
        size_t length = strlen(name);
        if (strncmp(entry, name, length) == 0 && entry[length] == '=') return false;
    }
    return true;
}

// The host's environment without its toolkit settings; the strings stay the host's.
static char** helper_environment(void)
{
    size_t count = 0;
    while (environ[count]) count++;
    char** copy = (char**)calloc(count + 1, sizeof(char*));
    if (!copy) return NULL;
    size_t kept = 0;
    for (size_t i = 0; i < count; i++)
        if (passed_on(environ[i])) copy[kept++] = environ[i];
    return copy;
}

// Starts the helper with its end of the socket as descriptor 3 and nothing else of ours open.
static pid_t start_helper(const char* program, int helper_end, char* const* argv)
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    // The host's signal mask and ignored signals are not the helper's.
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    int error = posix_spawnattr_setsigmask(&attributes, &none);
    if (!error) error = posix_spawnattr_setsigdefault(&attributes, &all);
    if (!error) error = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (!error) error = posix_spawn_file_actions_adddup2(&actions, helper_end, helper_socket_fd);
    if (!error) error = posix_spawn_file_actions_addclosefrom_np(&actions, helper_socket_fd + 1);
    char** environment = error ? NULL : helper_environment();
    if (!environment) error = ENOMEM;
    pid_t pid = -1;
    if (!error) error = posix_spawn(&pid, program, &actions, &attributes, argv, environment);
    free(environment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error ? -1 : pid;
}

EditorHost* editorOpen(bool hasParent, void* parentWindow, const EditorDescriptor* descriptor,
                       int width, int height, uint64_t parameterCount)
{
    if (!descriptor || !descriptor->getModuleDirectory || !descriptor->getResourcesDirectory ||
        parameterCount > 0xFFFFFFFFu || width <= 0 || height <= 0)
        return NULL;
    const char* moduleDirectory = descriptor->getModuleDirectory(descriptor->user);
    const char* resourcesDirectory = descriptor->getResourcesDirectory(descriptor->user);
    if (!moduleDirectory || !resourcesDirectory) return NULL;

    EditorHost* host = (EditorHost*)calloc(1, sizeof(EditorHost));
    char* program = join_path(moduleDirectory, "velmo-editor");
    char* page = join_path(resourcesDirectory, "index.html");
    int ends[2] = {-1, -1};
    bool ok = host && program && page && access(program, X_OK) == 0 &&
              socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0;
    if (ok) {
        host->values = (float*)calloc(parameterCount ? (size_t)parameterCount : 1, sizeof(float));
        // The helper's end must not already be descriptor 3: a dup2 onto itself would keep it
        // close-on-exec.
        int helper_end = fcntl(ends[1], F_DUPFD_CLOEXEC, helper_socket_fd + 1);
        char socketText[16], widthText[16], heightText[16], parentText[24];
        snprintf(socketText, sizeof socketText, "%d", helper_socket_fd);
        snprintf(widthText, sizeof widthText, "%d", width);
        snprintf(heightText, sizeof heightText, "%d", height);
        snprintf(parentText, sizeof parentText, "%lu", (unsigned long)(uintptr_t)parentWindow);
        char* argv[] = {program, (char*)"--socket", socketText, (char*)"--page", page,
                        (char*)"--width", widthText, (char*)"--height", heightText,
                        hasParent ? (char*)"--parent" : NULL, parentText, NULL};
        pid_t pid = host->values && helper_end >= 0 ? start_helper(program, helper_end, argv) : -1;
        if (helper_end >= 0) close(helper_end);
        ok = pid > 0 && fcntl(ends[0], F_SETFL, O_NONBLOCK) == 0;
        host->helper = pid > 0 ? pid : 0;
    }
    if (ends[1] >= 0) close(ends[1]);
    free(program);
    free(page);
    if (!ok) {
        if (host) {
            if (ends[0] >= 0) close(ends[0]);
            reap_helper(host, 0);
            free(host->values);
            free(host);
        }
        return NULL;
    }
    host->window = hasParent ? parentWindow : NULL;
    host->socket = ends[0];
    host->descriptor = *descriptor;
    host->parameterCount = parameterCount;
    host->width = width;
    host->height = height;
    return host;
}

static void finish_close(EditorHost* host)
{
    reap_helper(host, helper_exit_grace_ms);
    free(host->values);
    free(host);
}

void editorClose(EditorHost* host)
{
    if (!host) return;
    if (host->socket >= 0) close(host->socket); // the helper ends when it sees its socket close
    host->socket = -1;
    // Called from a page callback (a host that closes the editor inside performEdit or its
    // write function): editorIdle still reads the host, and frees it on its way out.
    if (host->serving) host->closing = true;
    else finish_close(host);
}

void editorSendValue(EditorHost* host, uint32_t index, float value)
{
    if (!host || index >= host->parameterCount || !isfinite(value)) return;
    // The page receives whole numbers; the clamp keeps the conversion defined.
    host->values[index] = truncf(fminf(fmaxf(value, -9.0e18f), 9.0e18f));
    send_value(host, index);
}

static void read_frames(EditorHost* host)
{
    while (host->socket >= 0) {
        uint8_t bytes[4096];
        ssize_t n = recv(host->socket, bytes, sizeof bytes, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n <= 0) {
            helper_gone(host);
            return;
        }
        for (size_t used = 0; used < (size_t)n && host->socket >= 0;) {
            used += frame_reader_feed(&host->reader, bytes + used, (size_t)n - used);
            char kind, text[FRAME_TEXT_MAX + 1];
            FrameResult result = frame_reader_next(&host->reader, &kind, text);
            if (result == FRAME_BAD) helper_gone(host);
            if (result != FRAME_READY) continue;
            if (kind == FRAME_PAGE) handle_page_message(host, text);
            else if (kind == FRAME_SIZE) handle_size_report(host, text);
        }
    }
}

void editorIdle(EditorHost* host)
{
    if (!host || host->serving) return;
    host->serving = true;
    read_frames(host);
    host->serving = false;
    if (host->closing) finish_close(host);
}

void* editorWindow(const EditorHost* host)
{
    return host ? host->window : NULL;
}

int editorSocket(const EditorHost* host)
{
    return host ? host->socket : -1;
}

bool editorIsOpen(const EditorHost* host)
{
    return host && host->socket >= 0;
}

void editorSetSize(EditorHost* host, int width, int height)
{
    if (!host || width <= 0 || height <= 0) return;
    host->width = width;
    host->height = height;
    char text[32];
    snprintf(text, sizeof text, "%d %d", width, height);
    send_frame(host, FRAME_SIZE, text);
}

void editorSize(const EditorHost* host, int* width, int* height)
{
    *width = host ? host->width : 0;
    *height = host ? host->height : 0;
}
