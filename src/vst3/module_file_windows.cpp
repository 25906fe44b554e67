#include <windows.h>

#include <cstdlib>

#include "vst3/module_paths.h"

char* module_file_name(unsigned initial_size) {
    HMODULE module = nullptr;
    const DWORD by_address_unchanged = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    if (!GetModuleHandleExA(by_address_unchanged, (LPCSTR)(void*)&module_file_name, &module))
        return nullptr;
    DWORD size = initial_size ? initial_size : 1;
    char* name = nullptr;
    for (;;) {
        char* grown = (char*)realloc(name, size);
        if (!grown) break;
        name = grown;
        DWORD length = GetModuleFileNameA(module, name, size);
        if (length == 0) break;
        if (length < size) return name;
        if (size > 0x7FFFFFFFu) break;
        size *= 2;  // the name was cut
    }
    free(name);
    return nullptr;
}
