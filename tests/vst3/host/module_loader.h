// Loads a built VST3 module the way a host does: the platform loader, the Linux entry
// function, then the factory.
#pragma once
#include "vst3/abi/vst3_factory.h"

struct LoadedModule {
    void* handle;
    IPluginFactory3* factory;
};

// False (with nothing loaded) when the file, an entry point or the factory is missing.
bool module_load(const char* path, LoadedModule* module);
void module_unload(LoadedModule* module);
