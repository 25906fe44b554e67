// The factory presets both plug-in formats ship: a name, the three parameter values and one
// line that says what the preset is for. tools/velmo-presets turns the table into LV2 and
// VST3 preset files at build time.
#pragma once
#include <cstddef>

struct Preset {
    const char* name;         // also the VST3 file name: letters, digits and spaces only
    float values[3];          // cutoff, lfo_amt, lfo_speed: whole numbers 0 to 15
    const char* description;
};

extern const Preset factory_presets[];
extern const size_t factory_preset_count;
