// Save and restore of the plug-in's state as one blob. The values cross to Run through the
// exchange block; the lock is held only to copy them, never around host calls or logging.
#include "lv2/lv2_state.h"

#include <cstdlib>

#include "engine/params.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"
#include "state/state_archive.h"
#include "state/state_blob.h"

static LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store,
                             LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (!plugin->map) {
        lv2_log_error(&plugin->logger, "Host is trying to store state but didn't provide URID map\n");
        return LV2_STATE_ERR_UNKNOWN;
    }
    if (!store) return LV2_STATE_ERR_UNKNOWN;

    float values[PARAM_INPUT_COUNT];
    exchange_lock(&plugin->exchange);
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) values[i] = plugin->engine.param_values[i];
    exchange_unlock(&plugin->exchange);
    // Activate takes the ports as they are; a save before the first Run must still store values
    // that a restore accepts (a NaN there would make the whole state unloadable).
    for (float& value : values) value = snap_control_value(value);

    size_t length = 0;
    uint8_t* blob = state_blob_save("lv2", plugin->sample_rate, values, &length);
    if (!blob) return LV2_STATE_ERR_UNKNOWN;
    LV2_State_Status status = store(handle, plugin->state_key, blob, length, plugin->atom_chunk,
                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    free(blob);
    return status == LV2_STATE_SUCCESS ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

static void lock_for_restore(void* user) { exchange_lock(&((Lv2Plugin*)user)->exchange); }

static void unlock_after_restore(void* user) { exchange_unlock(&((Lv2Plugin*)user)->exchange); }

static void store_restored(void* user, uint32_t index, float value) {
    exchange_store_restored(&((Lv2Plugin*)user)->exchange, index, snap_control_value(value));
}

static LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                                LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (!plugin->map) {
        lv2_log_error(&plugin->logger, "Host is trying to restore state but didn't provide URID map\n");
        return LV2_STATE_ERR_UNKNOWN;
    }
    if (!retrieve) return LV2_STATE_ERR_UNKNOWN;

    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* blob = retrieve(handle, plugin->state_key, &size, &type, &flags);
    if (!blob) {
        lv2_log_error(&plugin->logger,
                      "Cannot restore state since property <%s> could not be retrieved\n",
                      VELMO_STATE_KEY_URI);
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    // Run takes the values over at its next locked intake; all three or none.
    StateHooks hooks = {plugin, lock_for_restore, unlock_after_restore, nullptr, store_restored};
    if (state_apply(&hooks, (const uint8_t*)blob, size) != 0) return LV2_STATE_ERR_UNKNOWN;
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface lv2_state_interface = {save, restore};
