// One LV2 plug-in instance: the plug-in core, the host's ports, and what the state interface
// needs from the host (the URID map and its log).
#pragma once
#include <cstdint>

#include "lv2/log/logger.h"
#include "lv2/urid/urid.h"
#include "plugin/params.h"
#include "plugin/plugin_core.h"

// The build gives the channel count of the binary: 1 (velmo.lv2) or 2 (velmo-stereo.lv2);
// the tests, which drive velmo.lv2, get 1.
#ifndef VELMO_CHANNELS
#define VELMO_CHANNELS 1
#endif

// Ports: the audio inputs, then the audio outputs (one each per channel), then the four
// parameters in table order (three controls and the modulated-cutoff output).
enum : uint32_t {
    PORT_IN = 0,                   // the first input; one per channel
    PORT_OUT = VELMO_CHANNELS, // the first output; one per channel
    PORT_CUTOFF = 2 * VELMO_CHANNELS,  // then the parameters in table order
    PORT_MOD_CUTOFF = PORT_CUTOFF + PARAM_MOD_CUTOFF,
    PORT_COUNT = PORT_CUTOFF + PARAM_COUNT,
};

struct Lv2Plugin {
    PluginCore core;
    float sample_rate;          // the host's rate, kept for life
    float* ports[PORT_COUNT];   // null until connected
    LV2_Log_Logger logger;
    const LV2_URID_Map* map;    // null when the host offers none: state then refuses to work
    LV2_URID atom_chunk;
    LV2_URID state_key;
};
