// The editor's UI thread: window, COM apartment, WebView2 set-up and the message loop.
#include "editor_internal.h"

#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "page_protocol.h"
#include "wv2_environment_options.h"
#include "wv2_handler.h"

static LRESULT CALLBACK editorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    EditorHost* host = (EditorHost*)GetWindowLongPtrA(window, 0);
    if (!host) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
    } else if (message == WM_SIZE && host->controller) {
        RECT client;
        GetClientRect(window, &client);
        host->controller->put_Bounds(client);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void editorPostValueToPage(EditorHost* host, uint32_t index)
{
    ICoreWebView2* webView = NULL;
    if (!host->controller || FAILED(host->controller->get_CoreWebView2(&webView)) || !webView) return;
    uint32_t bits;
    memcpy(&bits, &host->values[index], sizeof bits);
    char text[PAGE_VALUE_TEXT_SIZE];
    page_value_format(text, index, bits);
    wchar_t wide[PAGE_VALUE_TEXT_SIZE];
    for (int i = 0; i < PAGE_VALUE_TEXT_SIZE; i++) wide[i] = (wchar_t)text[i];
    webView->PostWebMessageAsString(wide);
    webView->Release();
}

void editorApplyTimerRequest(EditorHost* host, EditorTimerRequest* request)
{
    if (request->start)
        request->result = SetTimer(host->window, request->id, request->milliseconds, request->procedure);
    else
        KillTimer(host->window, request->id);
}

// Everything the UI thread made, so that one ending can undo whatever exists.
struct UiThread {
    EditorHost* host;
    char className[24];
    bool comInitialized;
    wchar_t* userDataFolder; // double-NUL-terminated for SHFileOperationW
    WV2EnvironmentOptions* options;
    WV2Handler* handler;
};

static void delete_folder(const wchar_t* folder)
{
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = folder;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationW(&operation);
}

// Quit ending (failed = false) or error ending / failed start (failed = true).
static void end_ui_thread(UiThread* ui, bool failed)
{
    EditorHost* host = ui->host;
    if (host->controller) {
        host->controller->Close();
        host->controller->Release();
        host->controller = NULL;
    }
    if (ui->userDataFolder) delete_folder(ui->userDataFolder);
    if (ui->handler) ui->handler->Release();
    if (ui->options) ui->options->Release();
    free(ui->userDataFolder);
    if (ui->comInitialized) CoUninitialize();
    if (host->window) DestroyWindow(host->window);
    UnregisterClassA(ui->className, NULL);
    if (failed) host->window = NULL;
    ReleaseSemaphore(host->semaphore, 1, NULL);
}

static HWND create_editor_window(const EditorStartBlock* start, const char* className)
{
    if (!start->hasParent) {
        return CreateWindowExA(0, className, NULL, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                               start->width, start->height, NULL, NULL, NULL, NULL);
    }
    HWND window = CreateWindowExA(0, className, NULL, 0, 0, 0, start->width, start->height,
                                  NULL, NULL, NULL, NULL);
    if (!window) return NULL;
    SetLastError(0);
    bool ok = SetParent(window, start->parent) != NULL || GetLastError() == 0;
    SetLastError(0);
    ok = ok && (SetWindowLongPtrA(window, GWL_STYLE, 0) != 0 || GetLastError() == 0);
    ok = ok && SetWindowPos(window, NULL, 0, 0, 0, 0,
                            SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (!ok) {
        DestroyWindow(window);
        return NULL;
    }
    return window;
}

// Class, window, COM and the environment request; false ends the start as failed.
static bool begin_start(UiThread* ui, const EditorStartBlock* start, volatile BYTE* ready)
{
    EditorHost* host = ui->host;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = editorWndProc;
    windowClass.cbWndExtra = sizeof(void*);
    windowClass.hCursor = (HCURSOR)LoadImageA(NULL, MAKEINTRESOURCEA(32512) /* IDC_ARROW */,
                                              IMAGE_CURSOR, 0, 0, LR_SHARED);
    windowClass.lpszClassName = ui->className;
    if (!RegisterClassA(&windowClass)) return false;

    host->window = create_editor_window(start, ui->className);
    if (!host->window) return false;
    SetLastError(0);
    if (SetWindowLongPtrA(host->window, 0, (LONG_PTR)host) == 0 && GetLastError() != 0) return false;

    if (FAILED(CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) return false;
    ui->comInitialized = true;

    // "...\vinXXXX.tmp" without ".tmp": two NULs where the dot was.
    size_t length = wcslen(start->tempFile);
    if (length < 4) return false;
    ui->userDataFolder = _wcsdup(start->tempFile);
    if (!ui->userDataFolder) return false;
    ui->userDataFolder[length - 4] = L'\0';
    ui->userDataFolder[length - 3] = L'\0';

    ui->options = new (std::nothrow) WV2EnvironmentOptions();
    ui->handler = new (std::nothrow) WV2Handler(host, start->pageUri, ready);
    return ui->options && ui->handler &&
           SUCCEEDED(ui->options->put_AdditionalBrowserArguments(L"--allow-file-access-from-files")) &&
           SUCCEEDED(start->createEnvironment(NULL, ui->userDataFolder, ui->options, ui->handler));
}

DWORD WINAPI editorThreadMain(void* startBlock)
{
    const EditorStartBlock* start = (const EditorStartBlock*)startBlock;
    UiThread ui = {};
    ui.host = start->host;
    ui.host->controller = NULL;
    snprintf(ui.className, sizeof ui.className, "c%llX", (unsigned long long)(uintptr_t)ui.host);
    volatile BYTE ready = 0;
    if (!begin_start(&ui, start, &ready)) {
        end_ui_thread(&ui, true);
        return 0;
    }
    // From here on `start` is gone as soon as the semaphore is released.
    EditorHost* host = ui.host;
    bool started = false;
    for (;;) {
        MSG message;
        BOOL got = GetMessageA(&message, NULL, 0, 0);
        if (got == -1) break;
        if (!started && ready) {
            if (!host->controller) break;
            if (FAILED(host->controller->put_IsVisible(TRUE))) break;
            // Shown before editorOpen returns, so that its caller finds the window on screen.
            ShowWindow(host->window, SW_SHOW);
            if (!ReleaseSemaphore(host->semaphore, 1, NULL)) break;
            started = true;
        }
        if (got == 0) {
            // A window destroyed before the start completed is a failed start.
            end_ui_thread(&ui, !started);
            return 0;
        }
        if (message.hwnd == host->window && message.message == WM_EDITOR_QUIT) {
            end_ui_thread(&ui, !started);
            return 0;
        }
        if (message.hwnd == host->window && message.message == WM_EDITOR_SET_VALUE) {
            if (message.wParam < host->parameterCount) {
                host->values[message.wParam] = (float)(long long)message.lParam;
                editorPostValueToPage(host, (uint32_t)message.wParam);
            }
            ReleaseSemaphore(host->semaphore, 1, NULL);
            continue;
        }
        if (message.hwnd == host->window && message.message == WM_EDITOR_TIMER) {
            editorApplyTimerRequest(host, (EditorTimerRequest*)message.lParam);
            ReleaseSemaphore(host->semaphore, 1, NULL);
            continue;
        }
        if (message.hwnd == host->window && message.message == WM_EDITOR_WAKE) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    end_ui_thread(&ui, true);
    return 0;
}
