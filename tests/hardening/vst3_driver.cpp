// The VST3 module through the VST3 test host: control values travel as parameter changes at
// offset 0 of the next block. Every queue is made and sized before processing starts, so the
// host side of process allocates nothing either.
#include <cstdio>

#include "plugin/params.h"
#include "memory_stream.h"
#include "module_loader.h"
#include "plugin_driver.h"
#include "plugin_instance.h"
#include "vst3/component.h"

static LoadedModule module;

class Vst3Driver : public PluginDriver {
  public:
    PluginInstance p = {};
    ParamChanges in_changes, out_changes;
    ParamQueue* in_queues[3];
    ParamQueue* out_queue;
    bool started = false;

    explicit Vst3Driver(double sample_rate) {
        if (!instance_create(module.factory, &p)) return;
        started = instance_start(&p, sample_rate);
        for (uint32_t i = 0; i < 3; i++) {
            in_queues[i] = in_changes.queue_for(param_descriptions[i].id);
            in_queues[i]->points.reserve(4);
        }
        out_queue = out_changes.queue_for(param_descriptions[PARAM_MOD_CUTOFF].id);
        out_queue->points.reserve(4);
    }
    ~Vst3Driver() override { instance_destroy(&p); }

    void set_control(uint32_t index, double host_value) override {
        in_queues[index]->points.clear();
        in_queues[index]->points.push_back({0, host_value});
    }
    double host_value_of_plain(double plain) const override { return plain / 15.0; }
    void process(const float* input, float* output, uint32_t n) override {
        instance_process(&p, input, output, (int32)n, &in_changes, &out_changes);
        for (ParamQueue* q : in_queues) q->points.clear();
        out_queue->points.clear();
    }
    Component* component() { return (Component*)p.component; }
    const float* live_values() override { return component()->core.engines[0].param_values; }
    ParamExchange* exchange() override { return &component()->core.exchange; }
    void reactivate() override {
        p.component->vtbl->setActive(p.component, 0);
        p.component->vtbl->setActive(p.component, 1);
    }

    bool save(std::vector<uint8_t>* blob) override {
        MemoryStream s;
        memory_stream_init(&s);
        if (p.component->vtbl->getState(p.component, as_stream(&s)) != kResultOk) return false;
        *blob = s.data;
        return true;
    }
    bool restore(const std::vector<uint8_t>& blob) override {
        MemoryStream s;
        memory_stream_init(&s, blob);
        return p.component->vtbl->setState(p.component, as_stream(&s)) == kResultOk;
    }
};

IPluginFactory3* vst3_factory() {
    if (!module.factory && !module_load(VELMO_VST3_MODULE, &module)) {
        fprintf(stderr, "cannot load %s\n", VELMO_VST3_MODULE);
        return nullptr;
    }
    return module.factory;
}

std::unique_ptr<PluginDriver> make_vst3_driver(double sample_rate) {
    if (!vst3_factory()) return nullptr;
    Vst3Driver* driver = new Vst3Driver(sample_rate);
    if (!driver->started) {
        delete driver;
        return nullptr;
    }
    return std::unique_ptr<PluginDriver>(driver);
}
