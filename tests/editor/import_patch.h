// Replaces one imported function of a loaded module by rewriting its import address table, so
// that a test can see which thread calls a system function (e.g. SetTimer) from code it does not
// otherwise reach.
#pragma once
#include <windows.h>

// The previous target, or null when `module` does not import `function` from `dll` (matched
// without regard to case).
void* patch_import(HMODULE module, const char* dll, const char* function, void* replacement);
