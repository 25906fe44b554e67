#include "vst3/module_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int attach_count;
static char* module_dir;
static char* resources_dir;

const char* module_directory(void) { return module_dir; }
const char* resources_directory(void) { return resources_dir; }

void module_paths_clear(void) {
    free(module_dir);
    free(resources_dir);
    module_dir = nullptr;
    resources_dir = nullptr;
}

static char* copy_prefix(const char* text, size_t length) {
    char* copy = (char*)malloc(length + 1);
    if (!copy) return nullptr;
    memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

// Length of `path` without its last component (the whole length when it has no separator).
static size_t parent_length(const char* path, char separator) {
    const char* last = strrchr(path, separator);
    return last ? (size_t)(last - path) : strlen(path);
}

int module_paths_set_from_file(const char* file_name, char separator) {
    module_paths_clear();
    char* directory = copy_prefix(file_name, parent_length(file_name, separator));
    if (!directory) return -1;
    size_t parent = parent_length(directory, separator);
    size_t size = parent + 12;  // separator, "Resources", terminator and one spare
    char* resources = (char*)malloc(size);
    if (!resources) {
        free(directory);
        return -1;
    }
    snprintf(resources, size, "%.*s%cResources", (int)parent, directory, separator);
    module_dir = directory;
    resources_dir = resources;
    return 0;
}

int module_paths_acquire(void) {
    if (attach_count > 0) {
        attach_count++;
        return 0;
    }
    char* file_name = module_file_name(260);
    if (!file_name) return -1;
#if defined(_WIN32)
    int result = module_paths_set_from_file(file_name, '\\');
#else
    int result = module_paths_set_from_file(file_name, '/');
#endif
    free(file_name);
    if (result != 0) return -1;
    attach_count = 1;
    return 0;
}

void module_paths_release(void) {
    if (attach_count <= 0) return;
    if (--attach_count == 0) module_paths_clear();
}
