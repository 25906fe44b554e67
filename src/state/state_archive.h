// The saved state: an outer ustar archive holding "dsp.tar", which holds "version" ("1.0"),
// "info.map" (who wrote the state) and "parameters.map" (the parameter values) as map files.
// Members and keys this version does not know are carried in the extra maps.
#pragma once
#include <cstddef>
#include <cstdint>

#include "state/entry_map.h"

struct StateArchive {
    EntryMap* info;
    EntryMap* parameters;
    EntryMap* extra_inner;    // members of "dsp.tar" besides the three above
    EntryMap* extra_outer;    // members of the outer archive besides "dsp.tar"
};

// Creates four empty maps. 0, or -1 (nothing left allocated).
int state_archive_init(StateArchive* archive);

// Frees the four maps (null ones are fine) and clears the fields.
void state_archive_free(StateArchive* archive);

// A new blob (release with free()), or null. Fails when the info or parameters map is empty.
uint8_t* state_archive_save(const StateArchive* archive, size_t* out_length);

// Fills every field of `archive` (its previous maps are not freed, so pass a fresh record).
// On success the maps point into `blob`, which must outlive them. -1 with errno EINVAL
// (malformed) or ENOMEM; the fields are then null.
int state_archive_load(StateArchive* archive, const uint8_t* blob, size_t length);
