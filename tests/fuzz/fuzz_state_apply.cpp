// state_apply over any bytes: either the hooks see exactly lock, set 0, 1, 2 (values that
// are the blob's own and never NaN), unlock, and the result is 0; or no hook runs at all and
// the result is -1.
#include <cmath>
#include <cstring>

#include "fuzz_check.h"
#include "state/little_endian.h"
#include "state/state_archive.h"

struct HookLog {
    std::vector<std::string> calls;
    float values[3];
};

static void on_lock(void* user) { ((HookLog*)user)->calls.push_back("lock"); }
static void on_unlock(void* user) { ((HookLog*)user)->calls.push_back("unlock"); }
static void on_set(void* user, uint32_t index, float value) {
    HookLog* log = (HookLog*)user;
    log->calls.push_back("set" + std::to_string(index));
    if (index < 3) log->values[index] = value;
}

// The value stored under `key`, read independently of state_apply.
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
    HookLog log;
    StateHooks hooks = {&log, on_lock, on_unlock, nullptr, on_set};
    int result = state_apply(&hooks, data, size);
    if (result != 0) {
        FUZZ_CHECK(result == -1 && log.calls.empty());
        return 0;
    }
    const std::vector<std::string> expected = {"lock", "set0", "set1", "set2", "unlock"};
    FUZZ_CHECK(log.calls == expected);
    for (int i = 0; i < 3; i++) {
        FUZZ_CHECK(!std::isnan(log.values[i]));
        float stored = stored_value(data, size, state_parameter_keys[i]);
        FUZZ_CHECK(memcmp(&stored, &log.values[i], 4) == 0);
    }
    return 0;
}
