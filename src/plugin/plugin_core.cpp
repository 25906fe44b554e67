#include "plugin/plugin_core.h"

#include "plugin/params.h"
#include "plugin/state_blob.h"

void core_init(PluginCore* core, uint32_t channels, SnapPrecision snap, const char* format) {
    core->channels = channels;
    core->snap = snap;
    core->format = format;
    for (Engine& engine : core->engines) engine_init(&engine);
    core_start_from(core, param_defaults);
}

void core_start_from(PluginCore* core, const float values[3]) {
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) core->engines[0].param_values[i] = values[i];
    exchange_reset(&core->exchange, values);
}

// The other channels' engines take the live values of the first.
static void share_values(PluginCore* core) {
    for (uint32_t c = 1; c < core->channels; c++)
        for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++)
            core->engines[c].param_values[i] = core->engines[0].param_values[i];
}

void core_activate(PluginCore* core, float sample_rate) {
    share_values(core);
    for (uint32_t c = 0; c < core->channels; c++) engine_activate(&core->engines[c], sample_rate);
}

float* core_param_values(PluginCore* core) { return core->engines[0].param_values; }

static float core_snap(const PluginCore* core, uint32_t index, float plain) {
    if (core->snap == SNAP_IN_FLOAT) return snap_control_value(plain);
    return (float)param_snap(index, (double)plain);
}

void core_process(PluginCore* core, const float* const* inputs, float* const* outputs, uint32_t n) {
    share_values(core);
    if (core->channels == 2)
        engine_process_pair(&core->engines[0], &core->engines[1], inputs, outputs, n);
    else
        engine_process(&core->engines[0], inputs[0], outputs[0], n);
}

float core_modulated_cutoff(const PluginCore* core) {
    return (float)engine_modulated_cutoff(&core->engines[0]);
}

uint8_t* core_save_state(PluginCore* core, float sample_rate, size_t* out_length) {
    float values[PARAM_INPUT_COUNT];
    exchange_values_to_save(&core->exchange, core_param_values(core), values);
    // LV2's Activate takes the ports as they are; a save before the first Run must still store
    // values that a restore accepts (a NaN there would make the whole state unloadable).
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) values[i] = core_snap(core, i, values[i]);
    return state_blob_save(core->format, sample_rate, values, out_length);
}

int core_restore_state(PluginCore* core, const uint8_t* blob, size_t length) {
    float values[PARAM_INPUT_COUNT];
    if (state_blob_read(blob, length, values) != 0) return -1;
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) values[i] = core_snap(core, i, values[i]);
    exchange_restore(&core->exchange, values);
    return 0;
}
