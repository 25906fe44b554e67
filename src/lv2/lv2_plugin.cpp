// The LV2 plug-in: descriptor, instance lifecycle and the real-time Run, translated onto the
// plug-in core.
#include "lv2/lv2_plugin.h"

#include <cstring>
#include <new>

#include "exchange/denormals.h"
#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/core/lv2_util.h"
#include "lv2/lv2_state.h"
#include "lv2/lv2_uris.h"

static LV2_Handle instantiate(const LV2_Descriptor*, double sample_rate, const char*,
                              const LV2_Feature* const* features) {
    Lv2Plugin* plugin = new (std::nothrow) Lv2Plugin();
    if (!plugin) return nullptr;

    LV2_Log_Log* log = nullptr;
    LV2_URID_Map* map = nullptr;
    lv2_features_query(features, LV2_LOG__log, &log, false, LV2_URID__map, &map, false, nullptr);
    lv2_log_logger_init(&plugin->logger, map, log);
    plugin->map = map;
    if (map) {
        plugin->atom_chunk = map->map(map->handle, LV2_ATOM__Chunk);
        plugin->state_key = map->map(map->handle, VELMO_STATE_KEY_URI);
    } else {
        lv2_log_error(&plugin->logger, "Missing feature <%s>\n", LV2_URID__map);
    }

    plugin->sample_rate = (float)sample_rate;
    for (float*& port : plugin->ports) port = nullptr;
    // Defaults, so that a save or restore before the first Activate works.
    core_init(&plugin->core, VELMO_CHANNELS, SNAP_IN_FLOAT, "lv2");
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
    }
    core_start_from(&plugin->core, values);
    core_activate(&plugin->core, plugin->sample_rate);
}

static void run(LV2_Handle instance, uint32_t sample_count) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    DenormalsOff denormals_off;
    {
        ExchangeIntake intake(&plugin->core.exchange, core_param_values(&plugin->core));
        for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
            const float* port = plugin->ports[PORT_CUTOFF + i];
            if (port) intake.take(i, snap_control_value(*port));
        }
    }
    if (sample_count != 0)
        core_process(&plugin->core, plugin->ports + PORT_IN, plugin->ports + PORT_OUT, sample_count);
    float* mod_cutoff = plugin->ports[PORT_MOD_CUTOFF];
    if (mod_cutoff) *mod_cutoff = core_modulated_cutoff(&plugin->core);
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
