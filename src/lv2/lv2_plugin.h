// One LV2 plug-in instance: the engine, its ports, and the exchange block through which
// Run and the state interface hand parameter values to each other.
#pragma once
#include <cstdint>

#include "engine/engine.h"
#include "exchange/param_exchange.h"
#include "lv2/lv2_logger.h"
#include "lv2/urid/urid.h"

enum Lv2Port : uint32_t {
    PORT_IN = 0,
    PORT_OUT = 1,
    PORT_CUTOFF = 2,  // ports 2 to 4 carry parameters 0 to 2
    PORT_LFO_AMT = 3,
    PORT_LFO_SPEED = 4,
    PORT_MOD_CUTOFF = 5,
    PORT_COUNT = 6,
};

struct Lv2Plugin {
    Engine engine;
    float sample_rate;        // the host's rate, kept for life
    float* ports[PORT_COUNT]; // null until connected
    ParamExchange exchange;
    Lv2Logger logger;
    const LV2_URID_Map* map;  // null when the host offers none: state then refuses to work
    LV2_URID atom_chunk;
    LV2_URID state_key;
};
