// Web editor host: the plug-in's editor page in a WebView2 control, in a window of its own that
// a dedicated UI thread owns (Windows). Used unchanged by the VST3 view and the LV2 UI. Linux
// implements the same four operations with a helper process (linux/editor_linux.h, which also
// says how its threads differ); the timer calls below are Windows only.
//
// Threads. editorOpen starts the editor's UI thread; all page callbacks below run on that
// thread. editorClose, editorSendValue and the timer calls hand work to it and wait, while
// still serving messages that other threads send to the calling thread (a parent window owned
// by the caller stays responsive, so SetParent / DestroyWindow across threads cannot deadlock).
// Calls on one host must not overlap; call them from one thread (editorSendValue and the timer
// calls may also be called from the editor's own UI thread, see below).
//
// Folders are UTF-8 strings (both descriptor getters), whatever the system's ANSI code page.
#pragma once
#include <stdint.h>

struct EditorDescriptor {
    void* user;                                   // passed back to every callback
    const char* formatName;                       // "vst3" or "lv2"; kept, not read
    const char* (*getModuleDirectory)(void* user);    // UTF-8 folder holding WebView2Loader.dll
    const char* (*getResourcesDirectory)(void* user); // UTF-8 folder holding index.html
    void (*onEditorBegin)(void* user, uint32_t index, float value); // page starts a gesture
    void (*onEditorValue)(void* user, uint32_t index, float value); // page sets a value
    void (*onEditorEnd)(void* user, uint32_t index, float value);   // page ends a gesture
};

// Opaque to adapters apart from its first field, the editor window (an HWND); use editorWindow.
struct EditorHost;

// Opens the editor as a child of parentWindow (an HWND) when hasParent, else as a top-level
// window, and returns once the page's browser control exists and the window is shown. Returns
// null on any failure, leaving nothing behind. The descriptor is copied: it may live on the
// caller's stack. Callback indices are always below parameterCount and values are finite.
EditorHost* editorOpen(bool hasParent, void* parentWindow, const EditorDescriptor* descriptor,
                       int width, int height, uint64_t parameterCount);

// Tears the editor down (if its window still exists) and frees the host; returns after the UI
// thread has ended. Also call it after the window was destroyed by its parent or by the user.
// Never from the editor's own UI thread (a page callback or a timer on the editor window).
void editorClose(EditorHost* host);

// Stores the value (truncated toward zero to a whole number) and posts it to the page. From
// another thread it waits until the UI thread has done that; from the editor's own UI thread
// (inside a page callback, e.g. an LV2 host answering a port write at once) it is done directly.
// Does nothing for an index at or beyond the parameter count or once the window is gone.
void editorSendValue(EditorHost* host, uint32_t index, float value);

// Nothing to do on Windows; kept for the adapters' idle hooks.
void editorIdle(EditorHost* host);

// The editor window (HWND): a child of the parent given to editorOpen, or top-level.
void* editorWindow(const EditorHost* host);

// A Win32 TIMERPROC, spelled without <windows.h>: (HWND, UINT, UINT_PTR, DWORD).
#if defined(__i386__) || defined(_M_IX86)
#define EDITOR_TIMER_CALL __stdcall
#else
#define EDITOR_TIMER_CALL
#endif
struct HWND__;
typedef void(EDITOR_TIMER_CALL* EditorTimerProc)(HWND__* window, unsigned int message, uintptr_t id,
                                                 unsigned long time);

// Starts (or restarts) timer `id` on the editor window; `procedure` then runs on the editor's UI
// thread every `milliseconds`. Windows only lets the window's own thread set or kill its timers,
// so from another thread this waits until the UI thread has done it. False when the timer could
// not be set or the window is gone.
bool editorStartTimer(EditorHost* host, uintptr_t id, unsigned milliseconds, EditorTimerProc procedure);

// Stops timer `id` on the editor window (waiting for the UI thread, as above); no further tick
// of it runs once this returns. Nothing to do once the window is gone.
void editorStopTimer(EditorHost* host, uintptr_t id);
