// Reads VST3 preset files (.vstpreset) the way a host does, trusting nothing in them:
// "VST3", int32 version, the class ID as 32 ASCII hex digits, int64 offset of the chunk list;
// the list: "List", int32 count, per chunk a 4-byte id, int64 offset, int64 size (all
// little-endian).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The "Comp" chunk (the component state) of a preset for the class `class_id` (32 hex digits).
// False when the file is for another class, or its header, chunk list or any listed chunk
// does not lie whole inside the file.
bool preset_file_component_state(const std::vector<uint8_t>& file, const char* class_id,
                                 std::vector<uint8_t>* state);

// The whole file; empty when it cannot be read.
std::vector<uint8_t> read_whole_file(const std::string& path);
