// Helpers shared by the state tests: maps as plain lists, and byte strings.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "state/entry_map.h"

typedef std::pair<std::string, std::string> Entry;
typedef std::vector<Entry> Entries;

inline std::string bytes_of(const uint8_t* bytes, size_t length) {
    return length ? std::string((const char*)bytes, length) : std::string();
}

// The entries in walk order.
inline Entries entries_of(const EntryMap* map) {
    Entries entries;
    entry_map_for_each(
        map,
        [](const uint8_t* key, uint64_t key_length, const uint8_t* value, uint64_t value_length,
           void* context) {
            ((Entries*)context)->push_back(
                {bytes_of(key, (size_t)key_length), bytes_of(value, (size_t)value_length)});
            return 0;
        },
        &entries);
    return entries;
}

// A map referring to the strings of `entries`, inserted in list order (the list must outlive it).
inline EntryMap* map_of(const Entries& entries) {
    EntryMap* map = entry_map_new();
    for (const Entry& entry : entries)
        entry_map_insert(map, entry.first.data(), entry.first.size(), entry.second.data(),
                         entry.second.size());
    return map;
}

// A buffer handed out with free(), as a string (and freed).
inline std::string take_buffer(uint8_t* buffer, size_t length) {
    std::string bytes = bytes_of(buffer, length);
    free(buffer);
    return bytes;
}

inline std::string u32_le(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; i++) bytes[i] = (char)(value >> (8 * i));
    return bytes;
}

inline std::string f32_le(float value) {
    uint32_t bits;
    memcpy(&bits, &value, 4);
    return u32_le(bits);
}
