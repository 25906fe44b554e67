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

void exchange_restore(ParamExchange* x, const float values[3]) {
    exchange_lock(x);
    for (int i = 0; i < 3; i++) x->loadedValues[i] = values[i];
    x->stateLoaded = 1;
    exchange_unlock(x);
}

void exchange_values_to_save(ParamExchange* x, const float param_values[3], float values[3]) {
    exchange_lock(x);
    const float* source = x->stateLoaded ? x->loadedValues : param_values;
    for (int i = 0; i < 3; i++) values[i] = source[i];
    exchange_unlock(x);
}

ExchangeIntake::ExchangeIntake(ParamExchange* x, float param_values[3])
    : x_(x), param_values_(param_values), locked_(false) {
    if (x->paramLock.exchange(1, std::memory_order_acquire) & 1) return;
    locked_ = true;
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
}

ExchangeIntake::~ExchangeIntake() {
    if (locked_) exchange_unlock(x_);
}

void ExchangeIntake::take(uint32_t index, float value) {
    if (index >= 3 || value == x_->hostValues[index]) return;
    x_->hostValues[index] = value;
    if (locked_) {
        x_->loadedValues[index] = value;
        param_values_[index] = value;
    }
}
