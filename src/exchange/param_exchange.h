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

// State operations (any thread but the audio thread). Each waits for the lock, yielding, and
// holds it only to copy three values.
void exchange_lock(ParamExchange* x);  // clears stateSynced
void exchange_unlock(ParamExchange* x);
// Restore: the three values reach the audio thread together at its next locked intake.
void exchange_restore(ParamExchange* x, const float values[3]);
// Save: the values a state saved now must hold. A restore the audio thread has not taken up
// yet wins over the live values, so a save straight after a restore keeps what was restored.
void exchange_values_to_save(ParamExchange* x, const float param_values[3], float values[3]);

// Audio thread: one intake per block edge, scoped. The constructor tries the lock once and
// reconciles when it gets it; take() hands over one snapped host value; the destructor frees
// the lock. param_values are the engine's live values.
class ExchangeIntake {
public:
    ExchangeIntake(ParamExchange* x, float param_values[3]);
    ~ExchangeIntake();
    ExchangeIntake(const ExchangeIntake&) = delete;
    ExchangeIntake& operator=(const ExchangeIntake&) = delete;
    void take(uint32_t index, float value);

private:
    ParamExchange* x_;
    float* param_values_;
    bool locked_;
};
