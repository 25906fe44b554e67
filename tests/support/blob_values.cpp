#include "blob_values.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "plugin/params.h"
#include "plugin/state_blob.h"
#include "state/little_endian.h"
#include "state/state_archive.h"

bool blob_values(const uint8_t* blob, size_t length, float values[3]) {
    StateArchive archive;
    if (state_archive_load(&archive, blob, length) != 0) return false;
    float read[3];
    bool ok = true;
    for (int i = 0; i < 3 && ok; i++) {
        const char* key = param_descriptions[i].string_id;
        uint64_t size = 0;
        const uint8_t* bytes = entry_map_find(archive.parameters, key, strlen(key), &size);
        ok = bytes && size == 4;
        if (ok) read[i] = read_f32_le(bytes);
    }
    state_archive_free(&archive);
    if (ok) memcpy(values, read, sizeof read);
    return ok;
}

// Whether the blob's info map names this product.
static bool blob_is_velmo(const uint8_t* blob, size_t length) {
    StateArchive archive;
    if (state_archive_load(&archive, blob, length) != 0) return false;
    uint64_t size = 0;
    const uint8_t* id = entry_map_find(archive.info, "id", 2, &size);
    bool ours = id && size == 13 && memcmp(id, "brindle-velmo", 13) == 0;
    state_archive_free(&archive);
    return ours;
}

bool blob_restorable_values(const uint8_t* blob, size_t length, float values[3]) {
    float read[3];
    if (!blob_is_velmo(blob, length) || !blob_values(blob, length, read)) return false;
    for (float value : read)
        if (std::isnan(value)) return false;
    memcpy(values, read, sizeof read);
    return true;
}

std::vector<uint8_t> blob_made(const char* format, float sample_rate, const float values[3]) {
    size_t length = 0;
    uint8_t* blob = state_blob_save(format, sample_rate, values, &length);
    std::vector<uint8_t> bytes(blob, blob + (blob ? length : 0));
    free(blob);
    return bytes;
}
