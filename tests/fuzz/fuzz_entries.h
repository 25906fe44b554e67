// The entries of a parsed map, for the parser targets to compare.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "state/entry_map.h"

// One member or map entry, copied out so that every byte the parser pointed at is read.
struct FuzzEntry {
    std::string key, value;
    bool operator<(const FuzzEntry& o) const { return key != o.key ? key < o.key : value < o.value; }
    bool operator==(const FuzzEntry& o) const { return key == o.key && value == o.value; }
};

// The map's entries, copied out and sorted: equal keys may swap places, but as a set nothing
// may change.
inline std::vector<FuzzEntry> fuzz_sorted_entries(const EntryMap* map) {
    std::vector<FuzzEntry> entries;
    entry_map_for_each(
        map,
        [](const uint8_t* key, uint64_t key_length, const uint8_t* value, uint64_t value_length, void* to) {
            ((std::vector<FuzzEntry>*)to)
                ->push_back({std::string((const char*)key, (size_t)key_length),
                             std::string((const char*)value, (size_t)value_length)});
            return 0;
        },
        &entries);
    std::sort(entries.begin(), entries.end());
    return entries;
}
