#include "state/map_file.h"

#include <cerrno>
#include <cstring>

#include "state/little_endian.h"
#include "state/state_alloc.h"

enum : size_t { RECORD_HEAD = 8 };

struct MapFileOutput {
    uint8_t* bytes;
    size_t length;
};

static int append_record(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                         uint64_t value_length, void* context) {
    if (key_length == 0 || key_length > UINT32_MAX || value_length > UINT32_MAX) return -1;
    MapFileOutput* out = (MapFileOutput*)context;
    size_t record_length = RECORD_HEAD + (size_t)key_length + (size_t)value_length;
    uint8_t* bytes = (uint8_t*)state_realloc(out->bytes, out->length + record_length);
    if (!bytes) return -1;
    out->bytes = bytes;
    uint8_t* record = bytes + out->length;
    write_u32_le(record, (uint32_t)key_length);
    write_u32_le(record + 4, (uint32_t)value_length);
    memcpy(record + RECORD_HEAD, key, (size_t)key_length);
    if (value_length) memcpy(record + RECORD_HEAD + key_length, value, (size_t)value_length);
    out->length += record_length;
    return 0;
}

uint8_t* map_file_build(const EntryMap* map, size_t* out_length) {
    MapFileOutput out = {nullptr, 0};
    if (entry_map_for_each(map, append_record, &out) != 0) {
        state_free(out.bytes);
        return nullptr;
    }
    *out_length = out.length;
    return out.bytes;
}

EntryMap* map_file_parse(const uint8_t* bytes, size_t length) {
    EntryMap* map = entry_map_new();
    if (!map) return entry_map_fail(nullptr, ENOMEM);
    size_t offset = 0;
    while (offset < length) {
        size_t left = length - offset;
        if (left < RECORD_HEAD) return entry_map_fail(map, EINVAL);
        const uint8_t* record = bytes + offset;
        uint64_t key_length = read_u32_le(record);
        uint64_t value_length = read_u32_le(record + 4);
        if (key_length == 0 || key_length + value_length > left - RECORD_HEAD)
            return entry_map_fail(map, EINVAL);
        const uint8_t* key = record + RECORD_HEAD;
        if (entry_map_insert(map, key, key_length, key + key_length, value_length) != 0)
            return entry_map_fail(map, ENOMEM);
        offset += RECORD_HEAD + (size_t)(key_length + value_length);
    }
    return map;
}
