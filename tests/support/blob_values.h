// The three parameter values a saved state holds, read straight from its archive rather than
// through the plug-in's own reader, so tests can check what a save really wrote.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// False when the blob does not load or a value is missing or not 4 bytes; NaN is returned as is.
bool blob_values(const uint8_t* blob, size_t length, float values[3]);
inline bool blob_values(const std::vector<uint8_t>& blob, float values[3]) {
    return blob_values(blob.data(), blob.size(), values);
}

// The values a restore must take from the blob, unsnapped; false when it must refuse the blob
// (not ours, a value missing, not 4 bytes or NaN).
bool blob_restorable_values(const uint8_t* blob, size_t length, float values[3]);

// A state blob as `format` ("vst3" or "lv2") saves it, made by the plug-in core's writer.
std::vector<uint8_t> blob_made(const char* format, float sample_rate, const float values[3]);
