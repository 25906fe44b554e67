// POSIX ustar archives held entirely in memory: one member per map entry, key = member name.
#pragma once
#include <cstddef>
#include <cstdint>

#include "state/entry_map.h"

// The members in key order, then two NUL blocks. Keys must be 1 to 99 bytes long and not start
// with NUL (such a name would read back as the end of the archive).
// A new buffer (release with free()), or null on failure.
uint8_t* tar_build(const EntryMap* map, size_t* out_length);

// Takes every member as a plain named byte string; entries point into `buffer`, which must
// outlive the map. Null on failure with errno EINVAL (malformed or truncated) or ENOMEM.
EntryMap* tar_parse(const uint8_t* buffer, size_t length);
