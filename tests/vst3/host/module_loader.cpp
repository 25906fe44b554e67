#include "module_loader.h"

#include <string>

#if defined(_WIN32)
#include <windows.h>

typedef IPluginFactory3*(PLUGIN_API* GetFactoryProc)(void);

// Build trees hand us Unix paths; Wine shows the Unix root as drive Z:.
static std::string windows_path(const char* path) {
    std::string p = path[0] == '/' ? std::string("Z:") + path : std::string(path);
    for (char& c : p)
        if (c == '/') c = '\\';
    return p;
}

// Paths are UTF-8; hosts load modules through the wide API, so any folder name works.
bool module_load(const char* path, LoadedModule* module) {
    std::string file = windows_path(path);
    std::wstring wide(file.size() + 1, L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, file.c_str(), -1, &wide[0], (int)wide.size()) <= 0)
        return false;
    HMODULE handle = LoadLibraryW(wide.c_str());
    if (!handle) return false;
    GetFactoryProc get_factory = (GetFactoryProc)(void*)GetProcAddress(handle, "GetPluginFactory");
    IPluginFactory3* factory = get_factory ? get_factory() : nullptr;
    if (!factory) {
        FreeLibrary(handle);
        return false;
    }
    module->handle = handle;
    module->factory = factory;
    return true;
}

void module_unload(LoadedModule* module) {
    funknown_release(module->factory);
    FreeLibrary((HMODULE)module->handle);
    module->handle = nullptr;
    module->factory = nullptr;
}
#else
#include <dlfcn.h>

typedef IPluginFactory3*(PLUGIN_API* GetFactoryProc)(void);
typedef bool (*ModuleEntryProc)(void*);
typedef bool (*ModuleExitProc)(void);

bool module_load(const char* path, LoadedModule* module) {
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return false;
    ModuleEntryProc entry = (ModuleEntryProc)dlsym(handle, "ModuleEntry");
    ModuleExitProc exit_proc = (ModuleExitProc)dlsym(handle, "ModuleExit");
    GetFactoryProc get_factory = (GetFactoryProc)dlsym(handle, "GetPluginFactory");
    // Linux hosts refuse a module without both entry functions.
    if (!entry || !exit_proc || !get_factory || !entry(handle)) {
        dlclose(handle);
        return false;
    }
    IPluginFactory3* factory = get_factory();
    if (!factory) {
        exit_proc();
        dlclose(handle);
        return false;
    }
    module->handle = handle;
    module->factory = factory;
    return true;
}

void module_unload(LoadedModule* module) {
    funknown_release(module->factory);
    ModuleExitProc exit_proc = (ModuleExitProc)dlsym(module->handle, "ModuleExit");
    exit_proc();
    dlclose(module->handle);
    module->handle = nullptr;
    module->factory = nullptr;
}
#endif
