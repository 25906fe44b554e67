#include "plugin/presets.h"

// Chosen by ear on the demo phrase (scripts/demo.sh renders each one). The oscillator moves
// the band mostly in the upper half of the cutoff range, where the curve is steep, so the
// moving presets sit there; speed 0 is a 2.6 s cycle, 5 about 0.43 s, 15 about 25 Hz.
const Preset factory_presets[] = {
    {"Presence", {15, 0, 7}, "The defaults: a still band at the top of the range, thin and bright"},
    {"Low Body", {3, 0, 7}, "A still band at the bottom, around 400 Hz: warm, as if through a wall"},
    {"Telephone", {11, 0, 7}, "A still narrow band in the middle: the lo-fi voice of a phone line"},
    {"Slow Sweep", {12, 15, 0}, "The band sweeps the whole range and back every 2.6 seconds"},
    {"Gentle Drift", {13, 4, 1}, "A small, slow movement near the top that keeps a part alive"},
    {"Auto Wah", {11, 12, 5}, "A deep wah every 0.43 s: quarter notes at 140 BPM"},
    {"Quick Wah", {12, 13, 8}, "A faster, funky wah about 3.5 times a second"},
    {"Deep Pulse", {6, 15, 10}, "A dark, throbbing pulse six times a second in the low range"},
    {"Flutter", {12, 5, 13}, "A shallow 14 Hz warble, like worn tape"},
    {"Growl", {10, 10, 15}, "The band shaken at 25 Hz: a rough, gritty growl"},
};

const size_t factory_preset_count = sizeof factory_presets / sizeof factory_presets[0];
