#include <windows.h>

#include <cstdlib>

#include "vst3/module_paths.h"
#include "wide_text.h"

// The module's file name as UTF-16, growing the buffer by doubling until the name fits.
static wchar_t* wide_module_file_name(HMODULE module, unsigned initial_size) {
    DWORD size = initial_size ? initial_size : 1;
    wchar_t* name = nullptr;
    for (;;) {
        wchar_t* grown = (wchar_t*)realloc(name, (size_t)size * sizeof(wchar_t));
        if (!grown) break;
        name = grown;
        DWORD length = GetModuleFileNameW(module, name, size);
        if (length == 0) break;
        if (length < size) return name;
        if (size > 0x7FFFFFFFu) break;
        size *= 2;  // the name was cut
    }
    free(name);
    return nullptr;
}

// UTF-8, so that every folder name survives whatever the ANSI code page is; a name that is not
// valid UTF-16 (a lone surrogate) has no UTF-8 form and gives null.
char* module_file_name(unsigned initial_size) {
    HMODULE module = nullptr;
    const DWORD by_address_unchanged = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExW(by_address_unchanged, (LPCWSTR)(void*)&module_file_name, &module)) return nullptr;
    wchar_t* wide = wide_module_file_name(module, initial_size);
    if (!wide) return nullptr;
    char* name = wide_to_utf8(wide);
    free(wide);
    return name;
}
