// The module's exported entry points: the factory, and the load/unload hooks through which
// the module learns where it lives (DllMain on Windows, ModuleEntry/ModuleExit on Linux).
#include "vst3/factory.h"
#include "vst3/module_paths.h"

#if defined(_WIN32)
#include <windows.h>
#define VELMO_EXPORT extern "C" __declspec(dllexport)
#else
#define VELMO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VELMO_EXPORT IPluginFactory3* PLUGIN_API GetPluginFactory(void) { return factory_get(); }

#if defined(_WIN32)
VELMO_EXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return module_paths_acquire() == 0;
    if (reason == DLL_PROCESS_DETACH) module_paths_release();
    return TRUE;
}
#else
VELMO_EXPORT bool ModuleEntry(void*) { return module_paths_acquire() == 0; }

VELMO_EXPORT bool ModuleExit(void) {
    module_paths_release();
    return true;
}
#endif
