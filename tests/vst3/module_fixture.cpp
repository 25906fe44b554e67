#include "module_fixture.h"

#include <cstdlib>

#include "blob_values.h"

static const char* const module_paths[2] = {VELMO_VST3_MODULE, VELMO_VST3_STEREO_MODULE};
static LoadedModule loaded[2];

class ModuleEnvironment : public testing::Environment {
public:
    void TearDown() override {
        for (LoadedModule& module : loaded)
            if (module.factory) module_unload(&module);
    }
};
[[maybe_unused]] static testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ModuleEnvironment);

IPluginFactory3* test_factory(int channels) {
    LoadedModule& module = loaded[channels - 1];
    if (!module.factory && !module_load(module_paths[channels - 1], &module)) return nullptr;
    return module.factory;
}

void InstanceTest::SetUp() {
    IPluginFactory3* factory = test_factory(channels);
    ASSERT_NE(nullptr, factory) << "cannot load " << module_paths[channels - 1];
    ASSERT_TRUE(instance_create(factory, &p));
}

std::vector<uint8_t> state_blob(float cutoff, float lfo_amt, float lfo_speed, float sample_rate) {
    const float values[3] = {cutoff, lfo_amt, lfo_speed};
    return blob_made("vst3", sample_rate, values);
}

std::vector<uint8_t> saved_state(IComponent* component) {
    MemoryStream s;
    memory_stream_init(&s);
    if (component->vtbl->getState(component, as_stream(&s)) != kResultOk) return {};
    return s.data;
}

tresult restore_state(IComponent* component, const std::vector<uint8_t>& blob) {
    MemoryStream s;
    memory_stream_init(&s, blob);
    return component->vtbl->setState(component, as_stream(&s));
}

tresult restore_controller(IEditController* controller, const std::vector<uint8_t>& blob) {
    MemoryStream s;
    memory_stream_init(&s, blob);
    return controller->vtbl->setComponentState(controller, as_stream(&s));
}
