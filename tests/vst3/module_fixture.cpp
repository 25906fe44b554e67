#include "module_fixture.h"

#include <cstdlib>

#include "blob_values.h"

static LoadedModule loaded;

class ModuleEnvironment : public testing::Environment {
public:
    void TearDown() override {
        if (loaded.factory) module_unload(&loaded);
    }
};
[[maybe_unused]] static testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ModuleEnvironment);

IPluginFactory3* test_factory(void) {
    if (!loaded.factory && !module_load(VELMO_VST3_MODULE, &loaded)) return nullptr;
    return loaded.factory;
}

void InstanceTest::SetUp() {
    IPluginFactory3* factory = test_factory();
    ASSERT_NE(nullptr, factory) << "cannot load " << VELMO_VST3_MODULE;
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
