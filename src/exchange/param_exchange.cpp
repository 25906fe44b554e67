#include "exchange/param_exchange.h"

#include "exchange/thread_yield.h"

void exchange_reset(ParamExchange* x, const float values[3]) {
    for (int i = 0; i < 3; i++) {
        x->hostValues[i] = values[i];
        x->loadedValues[i] = values[i];
    }
    x->paramLock.exchange(0);
    x->stateSynced = 1;
    x->stateLoaded = 0;
}

void exchange_lock(ParamExchange* x) {
    while (x->paramLock.exchange(1, std::memory_order_acquire) & 1) thread_yield();
    x->stateSynced = 0;
}

void exchange_unlock(ParamExchange* x) { x->paramLock.exchange(0, std::memory_order_release); }

void exchange_store_restored(ParamExchange* x, uint32_t index, float value) {
    if (index >= 3) return;
    x->loadedValues[index] = value;
    x->stateLoaded = 1;
}

bool exchange_begin_intake(ParamExchange* x, float param_values[3]) {
    if (x->paramLock.exchange(1, std::memory_order_acquire) & 1) return false;
    if (!x->stateSynced) {
        for (int i = 0; i < 3; i++) {
            if (x->stateLoaded) {
                x->hostValues[i] = x->loadedValues[i];
                param_values[i] = x->loadedValues[i];
            } else if (!(x->hostValues[i] == x->loadedValues[i])) {
                x->loadedValues[i] = x->hostValues[i];
                param_values[i] = x->hostValues[i];
            }
        }
    }
    x->stateSynced = 1;
    x->stateLoaded = 0;
    return true;
}

void exchange_take_host_value(ParamExchange* x, bool locked, uint32_t index, float value,
                              float param_values[3]) {
    if (index >= 3 || value == x->hostValues[index]) return;
    x->hostValues[index] = value;
    if (locked) {
        x->loadedValues[index] = value;
        param_values[index] = value;
    }
}

void exchange_end_intake(ParamExchange* x, bool locked) {
    if (locked) x->paramLock.exchange(0, std::memory_order_release);
}
