// The hand-over of parameter values between a plug-in's audio thread and the threads that
// save and restore its state. The audio thread only ever tries the lock once and carries on
// without it; state operations spin on it, yielding, and hold it just to copy a few values.
// Host changes that arrive while the lock is held land in hostValues and are reconciled by
// the next audio block that gets the lock (state operations clear stateSynced for that).
#pragma once
#include <atomic>
#include <cstdint>

struct ParamExchange {
    float hostValues[3];    // last snapped values from the host's controls (audio thread only)
    float loadedValues[3];  // values crossing between the audio thread and state operations
    std::atomic<uint8_t> paramLock;
    uint8_t stateSynced;  // 0: the next locked intake must reconcile
    uint8_t stateLoaded;  // 1: loadedValues hold restored values not yet taken up
};

// Starts over from the given values: lock free, in sync, nothing restored.
void exchange_reset(ParamExchange* x, const float values[3]);

// State operations (any thread but the audio thread).
void exchange_lock(ParamExchange* x);  // spins with a yield; clears stateSynced
void exchange_unlock(ParamExchange* x);
void exchange_store_restored(ParamExchange* x, uint32_t index, float value);  // under the lock

// Audio thread. Intake: begin (try the lock once, reconcile if needed), any number of
// take_host_value calls, end. param_values are the engine's live values.
bool exchange_begin_intake(ParamExchange* x, float param_values[3]);
void exchange_take_host_value(ParamExchange* x, bool locked, uint32_t index, float value,
                              float param_values[3]);
void exchange_end_intake(ParamExchange* x, bool locked);
