// VST3 preset files (.vstpreset), all numbers little-endian:
//   "VST3", int32 version 1, the component's class ID as 32 ASCII hex digits, int64 offset of
//   the chunk list; the chunks' data; the chunk list: "List", int32 count, and per chunk a
//   4-byte id, int64 offset, int64 size.
// We write two chunks: "Comp" (the component state, exactly what the component's getState
// writes) and "Info" (meta-information XML naming the preset). Our controller has no state
// of its own, so there is no "Cont" chunk.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The whole file. `class_id` is the 32 hex digits of the component's class ID.
std::vector<uint8_t> vst3_preset_file(const char* class_id, const uint8_t* component_state,
                                      size_t component_state_length, const char* name);
