// Map files: the records of an EntryMap in key order, each a 4-byte little-endian key length
// (never 0), a 4-byte little-endian value length, the key bytes and the value bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "state/entry_map.h"

// A new buffer (release with free()), or null on failure. An empty map gives no buffer (null),
// and so does a key of length 0 or a key or value too long for 4 bytes, which could not be
// read back.
uint8_t* map_file_build(const EntryMap* map, size_t* out_length);

// Entries point into `bytes`, which must outlive the map. Zero bytes give an empty map.
// Null on failure with errno EINVAL (key length 0, truncated record) or ENOMEM.
EntryMap* map_file_parse(const uint8_t* bytes, size_t length);
