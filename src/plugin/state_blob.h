// The blob both plug-in formats save and restore: their identity, the sample rate and the
// three parameter values (cutoff, lfo_amt, lfo_speed), keyed by the parameters' symbols.
#pragma once
#include <cstddef>
#include <cstdint>

// `format` is "vst3" or "lv2". A new blob (release with free()), or null.
uint8_t* state_blob_save(const char* format, float sample_rate, const float values[3],
                         size_t* out_length);

// The blob the build for `platform` ("windows" or "linux") saves: the build-time preset tool
// writes the Windows build's presets from a native build.
uint8_t* state_blob_save_for(const char* format, const char* platform, float sample_rate,
                             const float values[3], size_t* out_length);

// Loads and checks a blob written by either format. 0 with the three values as stored
// (unsnapped; never NaN), or -1 with `values` untouched.
int state_blob_read(const uint8_t* blob, size_t length, float values[3]);
