// state_blob_read over any bytes: either the result is 0 and the three values are the blob's
// own and never NaN, or the result is -1 and the values are untouched.
#include <cmath>
#include <cstring>

#include "fuzz_check.h"
#include "plugin/params.h"
#include "plugin/state_blob.h"
#include "state/little_endian.h"
#include "state/state_archive.h"

// The value stored under `key`, read independently of state_blob_read.
static float stored_value(const uint8_t* data, size_t size, const char* key) {
    StateArchive archive;
    FUZZ_CHECK(state_archive_load(&archive, data, size) == 0);
    uint64_t length = 0;
    const uint8_t* bytes = entry_map_find(archive.parameters, key, strlen(key), &length);
    FUZZ_CHECK(bytes && length == 4);
    float value = read_f32_le(bytes);
    state_archive_free(&archive);
    return value;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const float untouched = -12345.0f;
    float values[3] = {untouched, untouched, untouched};
    int result = state_blob_read(data, size, values);
    if (result != 0) {
        FUZZ_CHECK(result == -1);
        for (float value : values) FUZZ_CHECK(value == untouched);
        return 0;
    }
    for (int i = 0; i < 3; i++) {
        FUZZ_CHECK(!std::isnan(values[i]));
        float stored = stored_value(data, size, param_descriptions[i].string_id);
        FUZZ_CHECK(memcmp(&stored, &values[i], 4) == 0);
    }
    return 0;
}
