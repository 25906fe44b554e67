#include "plugin/state_blob.h"

#include <cmath>
#include <cstring>

#include "state/little_endian.h"
#include "plugin/params.h"
#include "state/state_archive.h"

#ifdef _WIN32
static const char PLATFORM[] = "windows";
#else
static const char PLATFORM[] = "linux";
#endif

static const char STATE_ID[] = "brindle-velmo";

struct BlobEntry {
    const char* key;
    const void* value;
    size_t value_length;
};

static bool insert_all(EntryMap* map, const BlobEntry* entries, size_t count) {
    for (size_t i = 0; i < count; i++)
        if (entry_map_insert(map, entries[i].key, strlen(entries[i].key), entries[i].value,
                             entries[i].value_length) != 0)
            return false;
    return true;
}

uint8_t* state_blob_save(const char* format, float sample_rate, const float values[3],
                         size_t* out_length) {
    return state_blob_save_for(format, PLATFORM, sample_rate, values, out_length);
}

uint8_t* state_blob_save_for(const char* format, const char* platform, float sample_rate,
                             const float values[3], size_t* out_length) {
    // The maps refer to these bytes until the blob is built.
    uint8_t major[4], minor[4], revision[4], build[4], rate[4], parameters[3][4];
    write_u32_le(major, 1);
    write_u32_le(minor, 2);
    write_u32_le(revision, 1);
    write_u32_le(build, 1);
    write_f32_le(rate, sample_rate);

    const BlobEntry info[] = {
        {"id", STATE_ID, strlen(STATE_ID)},
        {"version_major", major, 4},
        {"version_minor", minor, 4},
        {"version_revision", revision, 4},
        {"version_build", build, 4},
        {"format", format, strlen(format)},
        {"platform", platform, strlen(platform)},
        {"sample_rate", rate, 4},
    };
    BlobEntry parameter_entries[PARAM_INPUT_COUNT];
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) {
        write_f32_le(parameters[i], values[i]);
        parameter_entries[i] = {param_descriptions[i].string_id, parameters[i], 4};
    }

    StateArchive archive;
    if (state_archive_init(&archive) != 0) return nullptr;
    uint8_t* blob = nullptr;
    if (insert_all(archive.info, info, 8) && insert_all(archive.parameters, parameter_entries, 3))
        blob = state_archive_save(&archive, out_length);
    state_archive_free(&archive);
    return blob;
}

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

int state_blob_read(const uint8_t* blob, size_t length, float values[PARAM_INPUT_COUNT]) {
    StateArchive archive;
    if (state_archive_load(&archive, blob, length) != 0) return -1;
    float read[PARAM_INPUT_COUNT];
    bool valid = written_by_us(archive.info);
    for (uint32_t i = 0; valid && i < PARAM_INPUT_COUNT; i++)
        valid = read_parameter(archive.parameters, param_descriptions[i].string_id, &read[i]);
    state_archive_free(&archive);
    if (!valid) return -1;
    for (uint32_t i = 0; i < PARAM_INPUT_COUNT; i++) values[i] = read[i];
    return 0;
}
