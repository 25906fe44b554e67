#include <dlfcn.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "vst3/module_paths.h"

// The size hint only matters where the system call needs a caller's buffer.
char* module_file_name(unsigned) {
    Dl_info info;
    if (!dladdr((void*)&module_file_name, &info) || !info.dli_fname) return nullptr;
    // A host may have loaded us through a relative path; hand out the absolute one.
    char* absolute = realpath(info.dli_fname, nullptr);
    return absolute ? absolute : strdup(info.dli_fname);
}
