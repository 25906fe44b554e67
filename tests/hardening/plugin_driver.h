// Both plug-in formats behind one face, so that every hardening check runs through LV2 Run
// and VST3 process alike. Each driver loads the built binary through its format's test host
// and drives one instance as a host would. Two white-box views are offered for checks that
// cannot be made from outside: the engine's live values (read only on the audio thread, which
// is their only writer) and the instance's parameter exchange block (to hold its lock).
#pragma once
#include "blob_values.h"
#include <cstdint>
#include <memory>
#include <vector>

#include "exchange/param_exchange.h"

enum PluginFormat { FORMAT_LV2, FORMAT_VST3 };

class PluginDriver {
  public:
    virtual ~PluginDriver() = default;

    // Control value for the next block, in the format's own host unit: a plain value on an
    // LV2 control port, a normalised value in a VST3 parameter change at offset 0.
    virtual void set_control(uint32_t index, double host_value) = 0;
    // The host unit of a plain value (the identity for LV2, plain / 15 for VST3).
    virtual double host_value_of_plain(double plain) const = 0;
    // Audio thread: one block. Pending control changes go with it.
    virtual void process(const float* input, float* output, uint32_t n) = 0;
    // Audio thread only: the engine's three live plain values after the last block.
    virtual const float* live_values() = 0;
    virtual ParamExchange* exchange() = 0;
    // Deactivates and activates the instance again, as hosts do between renders.
    virtual void reactivate() = 0;

    // State, from any thread but the audio thread.
    virtual bool save(std::vector<uint8_t>* blob) = 0;
    virtual bool restore(const std::vector<uint8_t>& blob) = 0;
};

// Loads the format's binary once per process; null when it cannot be loaded.
std::unique_ptr<PluginDriver> make_driver(PluginFormat format, double sample_rate = 48000.0);
const char* format_name(PluginFormat format);

// The loaded VST3 module's factory, for checks on the edit controller; null when missing.
struct IPluginFactory3;
IPluginFactory3* vst3_factory();
// The loaded LV2 binary's descriptor (an LV2_Descriptor), for checks below the driver.
const void* lv2_binary_descriptor();

std::vector<uint8_t> blob_of(float cutoff, float lfo_amt, float lfo_speed);
