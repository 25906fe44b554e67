// editorOpen, editorClose, editorSendValue and the timer calls: the callers' side of the
// handshake with the UI thread.
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <type_traits>

#include "editor_internal.h"
#include "page_protocol.h"
#include "wide_text.h"

// Waits until one of the handles is signalled and returns its index (or WAIT_FAILED). Messages
// that other threads send to this one are served meanwhile: the editor thread's SetParent and
// DestroyWindow wait on a parent window that may belong to this thread. Posted messages stay
// queued for the caller's own loop.
static DWORD wait_serving_sent_messages(DWORD count, const HANDLE* handles)
{
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(count, handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result < WAIT_OBJECT_0 + count) return result - WAIT_OBJECT_0;
        if (result != WAIT_OBJECT_0 + count) return WAIT_FAILED;
        MSG message;
        PeekMessageW(&message, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// The UI thread's answer, or its end (a window destroyed meanwhile never answers).
static void wait_for_ui_thread_answer(EditorHost* host)
{
    HANDLE handles[2] = {host->semaphore, host->thread};
    wait_serving_sent_messages(2, handles);
}

static void join_ui_thread(EditorHost* host)
{
    wait_serving_sent_messages(1, &host->thread);
    CloseHandle(host->thread);
    host->thread = NULL;
}

// The loader from the UTF-8 module folder; wide all the way, so that any folder name works.
static HMODULE load_loader(const char* directory, CreateCoreWebView2EnvironmentWithOptionsFn* create)
{
    static const wchar_t fileName[] = L"\\WebView2Loader.dll";
    wchar_t* path = utf8_to_wide(directory, sizeof fileName / sizeof fileName[0]);
    if (!path) return NULL;
    wcscat(path, fileName);
    HMODULE loader = LoadLibraryW(path);
    free(path);
    if (!loader) return NULL;
    *create = (CreateCoreWebView2EnvironmentWithOptionsFn)(void*)GetProcAddress(
        loader, "CreateCoreWebView2EnvironmentWithOptions");
    if (!*create) {
        FreeLibrary(loader);
        return NULL;
    }
    return loader;
}

// file:/// URI of index.html in the UTF-8 resources folder, as a wide string; null if the folder
// is not valid UTF-8.
static wchar_t* page_uri(const char* resources)
{
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, resources, -1, NULL, 0) <= 0) return NULL;
    char* uri = file_uri_from_path(resources, "index.html");
    if (!uri) return NULL;
    size_t length = strlen(uri); // pure ASCII after percent-encoding
    wchar_t* wide = (wchar_t*)malloc((length + 1) * sizeof(wchar_t));
    if (wide) {
        for (size_t i = 0; i <= length; i++) wide[i] = (wchar_t)(unsigned char)uri[i];
    }
    free(uri);
    return wide;
}

static void free_host(EditorHost* host)
{
    free(host->values);
    if (host->semaphore) CloseHandle(host->semaphore);
    if (host->loader) FreeLibrary(host->loader);
    free(host);
}

EditorHost* editorOpen(bool hasParent, void* parentWindow, const EditorDescriptor* descriptor,
                       int width, int height, uint64_t parameterCount)
{
    if (!descriptor || !descriptor->getModuleDirectory || !descriptor->getResourcesDirectory ||
        parameterCount > 0xFFFFFFFFu)
        return NULL;
    const char* moduleDirectory = descriptor->getModuleDirectory(descriptor->user);
    const char* resourcesDirectory = descriptor->getResourcesDirectory(descriptor->user);
    if (!moduleDirectory || !resourcesDirectory) return NULL;

    EditorStartBlock start = {};
    HMODULE loader = load_loader(moduleDirectory, &start.createEnvironment);
    if (!loader) return NULL;
    wchar_t* uri = page_uri(resourcesDirectory);
    EditorHost* host = uri ? (EditorHost*)calloc(1, sizeof(EditorHost)) : NULL;
    if (!host) {
        free(uri);
        FreeLibrary(loader);
        return NULL;
    }
    host->loader = loader;
    host->semaphore = CreateSemaphoreA(NULL, 0, 1, NULL);
    host->descriptor = *descriptor;
    host->parameterCount = parameterCount;
    host->values = (float*)calloc(parameterCount ? (size_t)parameterCount : 1, sizeof(float));

    wchar_t tempFolder[262];
    wchar_t tempFile[MAX_PATH];
    bool tempFileMade = false;
    if (host->semaphore && host->values) {
        DWORD length = GetTempPathW(262, tempFolder);
        tempFileMade = length > 0 && length < 262 && GetTempFileNameW(tempFolder, L"vino", 0, tempFile) != 0;
    }
    if (tempFileMade) {
        start.host = host;
        start.hasParent = hasParent;
        start.parent = (HWND)parentWindow;
        start.width = width;
        start.height = height;
        start.pageUri = uri;
        start.tempFile = tempFile;
        host->thread = CreateThread(NULL, 0, editorThreadMain, &start, 0, &host->threadId);
    }
    bool started = false;
    if (host->thread) {
        HANDLE handles[2] = {host->semaphore, host->thread};
        started = wait_serving_sent_messages(2, handles) == 0 && host->window != NULL;
        if (!started) join_ui_thread(host);
    }
    if (tempFileMade) DeleteFileW(tempFile);
    free(uri);
    if (!started) {
        free_host(host);
        return NULL;
    }
    return host;
}

void editorClose(EditorHost* host)
{
    if (!host) return;
    // A window that is already gone (closed by the user or destroyed by its parent) has ended
    // the UI thread on its own; then only the joining and freeing remain.
    if (host->window && PostMessageA(host->window, WM_EDITOR_QUIT, 0, 0)) wait_for_ui_thread_answer(host);
    join_ui_thread(host);
    free_host(host);
}

void editorSendValue(EditorHost* host, uint32_t index, float value)
{
    if (!host || index >= host->parameterCount || !isfinite(value)) return;
    // The page receives whole numbers; the clamp keeps the conversion defined.
    float whole = truncf(fminf(fmaxf(value, -9.0e18f), 9.0e18f));
    if (GetCurrentThreadId() == host->threadId) {
        host->values[index] = whole;
        editorPostValueToPage(host, index);
        return;
    }
    if (host->window && PostMessageA(host->window, WM_EDITOR_SET_VALUE, index, (LPARAM)(long long)whole))
        wait_for_ui_thread_answer(host);
}

static_assert(std::is_same<EditorTimerProc, TIMERPROC>::value, "EditorTimerProc must be a TIMERPROC");

// Runs the request on the UI thread and waits for it; a request the UI thread never reached
// (its window is gone) keeps its zero result.
static void run_timer_request(EditorHost* host, EditorTimerRequest* request)
{
    if (GetCurrentThreadId() == host->threadId) {
        editorApplyTimerRequest(host, request);
        return;
    }
    if (host->window && PostMessageA(host->window, WM_EDITOR_TIMER, 0, (LPARAM)request))
        wait_for_ui_thread_answer(host);
}

bool editorStartTimer(EditorHost* host, uintptr_t id, unsigned milliseconds, EditorTimerProc procedure)
{
    if (!host || !procedure) return false;
    EditorTimerRequest request = {true, id, milliseconds, procedure, 0};
    run_timer_request(host, &request);
    return request.result != 0;
}

void editorStopTimer(EditorHost* host, uintptr_t id)
{
    if (!host) return;
    EditorTimerRequest request = {false, id, 0, NULL, 0};
    run_timer_request(host, &request);
}

void editorIdle(EditorHost*)
{
}

void* editorWindow(const EditorHost* host)
{
    return host ? host->window : NULL;
}
