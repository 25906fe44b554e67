// An ordered multimap of byte-string keys to byte-string values, kept as an AVL tree.
// The map never copies or frees the bytes it refers to: they belong to the caller and must
// outlive the map.
#pragma once
#include <cstdint>

struct EntryMap;

typedef int (*EntryVisitor)(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                            uint64_t value_length, void* context);

// Null when memory is exhausted.
EntryMap* entry_map_new(void);

// Frees the map's own records; the referenced bytes are untouched. Null is allowed.
void entry_map_free(EntryMap* map);

// How a parser gives up: frees the map (null is allowed), sets errno to `error`, returns null.
EntryMap* entry_map_fail(EntryMap* map, int error);

// Keys compare like strncmp over the shorter length, then the shorter key first. An equal key
// is kept beside the existing one, immediately before it in walk order.
// 0, or -1 when memory is exhausted (the map is then unchanged).
int entry_map_insert(EntryMap* map, const void* key, uint64_t key_length, const void* value,
                     uint64_t value_length);

// The first equal entry met descending from the root, or null. Stores the value's length
// when `value_length` is not null.
const uint8_t* entry_map_find(const EntryMap* map, const void* key, uint64_t key_length,
                              uint64_t* value_length);

// Visits the entries in key order. A nonzero visitor result stops the walk and is returned;
// otherwise 0.
int entry_map_for_each(const EntryMap* map, EntryVisitor visitor, void* context);
