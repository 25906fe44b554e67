// The VST3 state paths of the module, driven through the test host: any stream the host
// hands to the component's setState and the controller's setComponentState is either applied
// as three snapped values (the next process adopts them; the controller reports them) or
// refused with kResultFalse and no change anywhere.
#include <cmath>
#include <cstring>

#include "plugin/params.h"
#include "fuzz_check.h"
#include "memory_stream.h"
#include "module_loader.h"
#include "plugin_instance.h"
#include "blob_values.h"

static IPluginFactory3* factory;

#ifdef VELMO_VST3_MODULE
// The built module, loaded as a host loads it.
static LoadedModule module;
static IPluginFactory3* open_factory() { return module_load(VELMO_VST3_MODULE, &module) ? module.factory : nullptr; }
#else
// Fuzzing links the module's code in: a sanitized shared module cannot resolve the sanitizer
// runtime on its own. The entry points are the module's own.
extern "C" bool ModuleEntry(void*);
extern "C" IPluginFactory3* PLUGIN_API GetPluginFactory(void);
static IPluginFactory3* open_factory() { return ModuleEntry(nullptr) ? GetPluginFactory() : nullptr; }
#endif

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    factory = open_factory();
    if (!factory) {
        fprintf(stderr, "cannot load the VST3 module\n");
        abort();
    }
    return 0;
}

// The component's live values, as its saved state reports them.
static void saved_values(IComponent* component, float values[3]) {
    MemoryStream s;
    memory_stream_init(&s);
    FUZZ_CHECK(component->vtbl->getState(component, as_stream(&s)) == kResultOk);
    FUZZ_CHECK(blob_values(s.data, values));
}

// What the blob should set, read independently; false (values untouched) when it must be
// refused. Snapping is the parameter table's, in double precision.
static bool expected_values(const uint8_t* data, size_t size, double values[3]) {
    float raw[3];
    if (!blob_restorable_values(data, size, raw)) return false;
    for (uint32_t i = 0; i < 3; i++) values[i] = param_snap(i, (double)raw[i]);
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PluginInstance p;
    FUZZ_CHECK(instance_create(factory, &p) && instance_start(&p, 48000.0));
    float audio[64] = {};
    instance_process(&p, audio, audio, 64, nullptr, nullptr);

    std::vector<uint8_t> blob(data, data + size);
    MemoryStream component_stream, controller_stream;
    memory_stream_init(&component_stream, blob);
    memory_stream_init(&controller_stream, blob);
    tresult component_result = p.component->vtbl->setState(p.component, as_stream(&component_stream));
    tresult controller_result =
        p.controller->vtbl->setComponentState(p.controller, as_stream(&controller_stream));
    instance_process(&p, audio, audio, 64, nullptr, nullptr);

    double expected[3] = {15.0, 0.0, 7.0};
    bool applies = expected_values(data, size, expected);
    tresult wanted = applies ? kResultOk : kResultFalse;
    FUZZ_CHECK(component_result == wanted && controller_result == wanted);
    float values[3];
    saved_values(p.component, values);
    for (uint32_t i = 0; i < 3; i++) {
        FUZZ_CHECK(values[i] == (float)expected[i]);
        double normalized = p.controller->vtbl->getParamNormalized(p.controller, param_descriptions[i].id);
        FUZZ_CHECK(normalized == normalized_from_plain(param_descriptions[i].id, expected[i]));
    }
    for (float sample : audio) FUZZ_CHECK(std::isfinite(sample));
    instance_destroy(&p);
    return 0;
}
