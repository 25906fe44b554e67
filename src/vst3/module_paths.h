// The module's two process-wide folders: the one holding the module file, and the bundle's
// "Resources" folder beside it (in the module folder's parent), both UTF-8 on every platform.
// Computed when the module is loaded (the first of nested acquires) and freed when the last
// acquire is released.
#pragma once

// 0, or -1 when the module file cannot be found (nothing is kept then).
int module_paths_acquire(void);
void module_paths_release(void);

// Null while no acquire is held.
const char* module_directory(void);
const char* resources_directory(void);

// Sets both folders from the module's full file name, whose folders are separated by
// `separator`. 0, or -1 (out of memory; nothing is kept).
int module_paths_set_from_file(const char* file_name, char separator);
void module_paths_clear(void);

// The full file name of the module in UTF-8, or null. Windows: grows the name buffer by
// doubling from `initial_size` wide characters until the name fits.
char* module_file_name(unsigned initial_size);
