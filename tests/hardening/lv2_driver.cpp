// The LV2 binary through the LV2 test host: control ports hold the host's values.
#include <cstdio>

#include "hosts/lv2_host.h"
#include "lv2/atom/atom.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"
#include "plugin_driver.h"

static Lv2Library library;
static UridMap urid_map;
static LogRecorder log_recorder;

class Lv2Driver : public PluginDriver {
  public:
    const LV2_Descriptor* descriptor;
    const LV2_State_Interface* state;
    Lv2Plugin* plugin;
    float controls[3] = {15.0f, 0.0f, 7.0f};
    float mod_cutoff = 0.0f;

    Lv2Driver(const LV2_Descriptor* d, double sample_rate) : descriptor(d) {
        FeatureList features(&urid_map, &log_recorder);
        plugin = (Lv2Plugin*)d->instantiate(d, sample_rate, "/nowhere/", features.get());
        state = (const LV2_State_Interface*)d->extension_data(LV2_STATE__interface);
        d->connect_port(plugin, PORT_MOD_CUTOFF, &mod_cutoff);
        d->activate(plugin);
    }
    ~Lv2Driver() override { descriptor->cleanup(plugin); }

    // A control port is connected when its first value is set; until then the parameter
    // keeps what Activate or a restore gave it, as with a host that leaves it unconnected.
    void set_control(uint32_t index, double host_value) override {
        controls[index] = (float)host_value;
        descriptor->connect_port(plugin, PORT_CUTOFF + index, &controls[index]);
    }
    double host_value_of_plain(double plain) const override { return plain; }
    void process(const float* input, float* output, uint32_t n) override {
        descriptor->connect_port(plugin, PORT_IN, (void*)input);
        descriptor->connect_port(plugin, PORT_OUT, output);
        descriptor->run(plugin, n);
    }
    const float* live_values() override { return plugin->core.engines[0].param_values; }
    ParamExchange* exchange() override { return &plugin->core.exchange; }
    void reactivate() override {
        if (descriptor->deactivate) descriptor->deactivate(plugin);  // optional in LV2
        descriptor->activate(plugin);
    }

    bool save(std::vector<uint8_t>* blob) override {
        StateStore store;
        if (state->save(plugin, StateStore::store, &store, 0, nullptr) != LV2_STATE_SUCCESS) return false;
        *blob = store.property.value;
        return true;
    }
    bool restore(const std::vector<uint8_t>& blob) override {
        StateStore store;
        store.property.present = true;
        store.property.key = urid_map.map(VELMO_STATE_KEY_URI);
        store.property.type = urid_map.map(LV2_ATOM__Chunk);
        store.property.value = blob;
        return state->restore(plugin, StateStore::retrieve, &store, 0, nullptr) == LV2_STATE_SUCCESS;
    }
};

const void* lv2_binary_descriptor() {
    if (!library.module && !library.open(VELMO_LV2_BINARY_PATH)) {
        fprintf(stderr, "cannot load %s\n", VELMO_LV2_BINARY_PATH);
        return nullptr;
    }
    return library.lv2_descriptor(0);
}

std::unique_ptr<PluginDriver> make_lv2_driver(double sample_rate) {
    const LV2_Descriptor* descriptor = (const LV2_Descriptor*)lv2_binary_descriptor();
    if (!descriptor) return nullptr;
    return std::unique_ptr<PluginDriver>(new Lv2Driver(descriptor, sample_rate));
}
