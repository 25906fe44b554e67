// What the Linux editor host adds to the editor operations of editor_host.h. The editor is the
// helper program velmo-editor (beside the plug-in's binary, in the module folder), started by
// editorOpen with the page from the resources folder. editorOpen returns without waiting for it;
// its frames are read by editorIdle on the caller's UI thread, which the adapters call when the
// socket is readable (VST3 run loop) and from their idle hooks. No call waits longer than one
// frame write, except editorClose, which reaps the helper (it ends as soon as its socket closes).
//
// Page callbacks run inside editorIdle; one that closes the editor (editorClose) is safe there:
// the host is freed when editorIdle returns, so the caller must not use it after that.
//
// parentWindow is an X11 window ID; editorWindow returns it. A helper that cannot be started
// makes editorOpen return null; one that ends later (crashed, killed, its window closed) leaves
// the host closed: editorIsOpen turns false and the other calls do nothing until editorClose.
#pragma once
#include "editor_host.h"

// The socket to watch for reading (call editorIdle when it is readable); -1 once closed.
int editorSocket(const EditorHost* host);

// False once the helper has gone.
bool editorIsOpen(const EditorHost* host);

// Asks the helper to resize its window; the size is reported by editorSize at once.
void editorSetSize(EditorHost* host, int width, int height);

// The last size applied or reported by the helper (the helper follows its parent window).
void editorSize(const EditorHost* host, int* width, int* height);
