// The format-free plug-in: what a VST3 Component and an LV2 instance do around the engines,
// written once. The adapters translate host calls into these and nothing else.
//
// Threads: core_process and ExchangeIntake run on the audio thread; core_save_state and
// core_restore_state on any other thread, through the exchange (never blocking the audio thread).
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/engine.h"
#include "exchange/param_exchange.h"

// The precision each format's Part states for snapping a plain value (see plugin/params.h).
enum SnapPrecision {
    SNAP_IN_DOUBLE,  // VST3
    SNAP_IN_FLOAT,   // LV2 control ports
};

enum { CORE_MAX_CHANNELS = 2 };

struct PluginCore {
    // One engine per channel, fed the same values at the same ticks; engines[0].param_values
    // are the live values that the intake writes and a save reads.
    Engine engines[CORE_MAX_CHANNELS];
    uint32_t channels;
    ParamExchange exchange;
    SnapPrecision snap;
    const char* format;  // "vst3" or "lv2", written into saved states
};

// Fresh engines and the default values, with `channels` 1 or 2.
void core_init(PluginCore* core, uint32_t channels, SnapPrecision snap, const char* format);
// Starts the exchange and the live values over from `values`, taken as they are.
void core_start_from(PluginCore* core, const float values[3]);
void core_activate(PluginCore* core, float sample_rate);

float* core_param_values(PluginCore* core);

// Runs every channel's engine over n samples (n > 0, all buffers present).
void core_process(PluginCore* core, const float* const* inputs, float* const* outputs, uint32_t n);
float core_modulated_cutoff(const PluginCore* core);

// A new state blob (release with free()) holding the values a save must hold now, or null.
uint8_t* core_save_state(PluginCore* core, float sample_rate, size_t* out_length);
// Checks the blob and hands its snapped values to the audio thread: 0, or -1 changing nothing.
int core_restore_state(PluginCore* core, const uint8_t* blob, size_t length);
