// The LV2 plug-in: descriptor, instance lifecycle and the real-time Run.
#include "lv2/lv2_plugin.h"

#include <cstring>
#include <new>

#include "engine/params.h"
#include "exchange/denormals.h"
#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/log/log.h"
#include "lv2/lv2_state.h"
#include "lv2/lv2_uris.h"

// The data of the first feature whose URI is exactly `uri`, or null.
static void* find_feature(const LV2_Feature* const* features, const char* uri) {
    if (!features) return nullptr;
    for (; *features; features++) {
        const char* feature_uri = (*features)->URI;
        if (feature_uri && strcmp(feature_uri, uri) == 0) return (*features)->data;
    }
    return nullptr;
}

static LV2_Handle instantiate(const LV2_Descriptor*, double sample_rate, const char*,
                              const LV2_Feature* const* features) {
    Lv2Plugin* plugin = new (std::nothrow) Lv2Plugin();
    if (!plugin) return nullptr;

    const LV2_Log_Log* log = (const LV2_Log_Log*)find_feature(features, LV2_LOG__log);
    const LV2_URID_Map* map = (const LV2_URID_Map*)find_feature(features, LV2_URID__map);
    lv2_logger_init(&plugin->logger, log, map);
    plugin->map = map;
    if (map) {
        plugin->atom_chunk = map->map(map->handle, LV2_ATOM__Chunk);
        plugin->state_key = map->map(map->handle, VELMO_STATE_KEY_URI);
    } else {
        lv2_log_error(&plugin->logger, "Missing feature <%s>\n", LV2_URID__map);
    }

    plugin->sample_rate = (float)sample_rate;
    engine_init(&plugin->engine);
    for (float*& port : plugin->ports) port = nullptr;
    // Free lock and defaults, so that a save or restore before the first Activate works.
    exchange_reset(&plugin->exchange, param_defaults);
    return plugin;
}

static void connect_port(LV2_Handle instance, uint32_t port, void* data) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (port < PORT_COUNT) plugin->ports[port] = (float*)data;
}

static void activate(LV2_Handle instance) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    float values[PARAM_INPUT_COUNT];
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        const float* port = plugin->ports[PORT_CUTOFF + i];
        values[i] = port ? *port : param_defaults[i];  // taken as is; the first Run snaps it
        plugin->engine.param_values[i] = values[i];
    }
    exchange_reset(&plugin->exchange, values);
    engine_activate(&plugin->engine, plugin->sample_rate);
}

static void run(LV2_Handle instance, uint32_t sample_count) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    DenormalsOff denormals_off;
    float* param_values = plugin->engine.param_values;

    bool locked = exchange_begin_intake(&plugin->exchange, param_values);
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        const float* port = plugin->ports[PORT_CUTOFF + i];
        if (port)
            exchange_take_host_value(&plugin->exchange, locked, i, snap_control_value(*port),
                                     param_values);
    }
    exchange_end_intake(&plugin->exchange, locked);

    if (sample_count != 0)
        engine_process(&plugin->engine, plugin->ports[PORT_IN], plugin->ports[PORT_OUT],
                       sample_count);
    if (plugin->ports[PORT_MOD_CUTOFF])
        *plugin->ports[PORT_MOD_CUTOFF] = (float)engine_modulated_cutoff(&plugin->engine);
}

static void cleanup(LV2_Handle instance) { delete (Lv2Plugin*)instance; }

static const void* extension_data(const char* uri) {
    if (uri && strcmp(uri, LV2_STATE__interface) == 0) return &lv2_state_interface;
    return nullptr;
}

static const LV2_Descriptor descriptor = {
    VELMO_PLUGIN_URI, instantiate, connect_port, activate, run, nullptr, cleanup, extension_data,
};

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &descriptor : nullptr;
}
