#include <cmath>
#include <cstring>

#include "state/little_endian.h"
#include "state/state_archive.h"

static const char STATE_ID[] = "brindle-velmo";

static bool written_by_us(const EntryMap* info) {
    uint64_t length = 0;
    const uint8_t* id = entry_map_find(info, "id", 2, &length);
    return id && length == strlen(STATE_ID) && memcmp(id, STATE_ID, length) == 0;
}

// A parameter must be exactly one float; NaN is refused, infinities are clamped by the owner.
static bool read_parameter(const EntryMap* parameters, const char* key, float* value) {
    uint64_t length = 0;
    const uint8_t* bytes = entry_map_find(parameters, key, strlen(key), &length);
    if (!bytes || length != 4) return false;
    *value = read_f32_le(bytes);
    return !std::isnan(*value);
}

int state_apply(const StateHooks* hooks, const uint8_t* blob, size_t length) {
    StateArchive archive;
    if (state_archive_load(&archive, blob, length) != 0) return -1;
    float values[3];
    bool valid = written_by_us(archive.info) &&
                 read_parameter(archive.parameters, state_parameter_keys[0], &values[0]) &&
                 read_parameter(archive.parameters, state_parameter_keys[1], &values[1]) &&
                 read_parameter(archive.parameters, state_parameter_keys[2], &values[2]);
    state_archive_free(&archive);
    if (!valid) return -1;
    // Under the owner's lock, so its audio thread sees the three values together.
    hooks->lock(hooks->user);
    for (uint32_t i = 0; i < 3; i++) hooks->set(hooks->user, i, values[i]);
    hooks->unlock(hooks->user);
    return 0;
}
