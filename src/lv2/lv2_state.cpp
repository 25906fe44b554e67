// Save and restore of the plug-in's state as one blob, through the plug-in core. The lock
// the core takes is held only to copy values, never around host calls or logging.
#include "lv2/lv2_state.h"

#include <cstdlib>

#include "lv2/atom/atom.h"
#include "lv2/lv2_plugin.h"
#include "lv2/lv2_uris.h"

// Both operations need the URID map: without it each refuses, saying so (null).
static Lv2Plugin* plugin_with_map(LV2_Handle instance, const char* refusal) {
    Lv2Plugin* plugin = (Lv2Plugin*)instance;
    if (plugin->map) return plugin;
    lv2_log_error(&plugin->logger, "%s", refusal);
    return nullptr;
}

static LV2_State_Status save(LV2_Handle instance, LV2_State_Store_Function store,
                             LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Lv2Plugin* plugin = plugin_with_map(instance, "Host is trying to store state but didn't provide URID map\n");
    if (!plugin || !store) return LV2_STATE_ERR_UNKNOWN;

    size_t length = 0;
    uint8_t* blob = core_save_state(&plugin->core, plugin->sample_rate, &length);
    if (!blob) return LV2_STATE_ERR_UNKNOWN;
    LV2_State_Status status = store(handle, plugin->state_key, blob, length, plugin->atom_chunk,
                                    LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    free(blob);
    return status == LV2_STATE_SUCCESS ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

static LV2_State_Status restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve,
                                LV2_State_Handle handle, uint32_t, const LV2_Feature* const*) {
    Lv2Plugin* plugin = plugin_with_map(instance, "Host is trying to restore state but didn't provide URID map\n");
    if (!plugin || !retrieve) return LV2_STATE_ERR_UNKNOWN;

    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* blob = retrieve(handle, plugin->state_key, &size, &type, &flags);
    if (!blob) {
        lv2_log_error(&plugin->logger,
                      "Cannot restore state since property <%s> could not be retrieved\n",
                      VELMO_STATE_KEY_URI);
        return LV2_STATE_ERR_NO_PROPERTY;
    }
    // Only what save stores is a state: anything else is refused as a bad blob is.
    if (type != plugin->atom_chunk) {
        lv2_log_error(&plugin->logger, "Cannot restore state since property <%s> is not of type <%s>\n",
                      VELMO_STATE_KEY_URI, LV2_ATOM__Chunk);
        return LV2_STATE_ERR_UNKNOWN;
    }
    // Run takes the values over at its next intake; all three or none.
    if (core_restore_state(&plugin->core, (const uint8_t*)blob, size) != 0)
        return LV2_STATE_ERR_UNKNOWN;
    return LV2_STATE_SUCCESS;
}

const LV2_State_Interface lv2_state_interface = {save, restore};
