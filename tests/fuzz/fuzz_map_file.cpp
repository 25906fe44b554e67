// map_file_parse over any bytes: no read outside the member, refusal with EINVAL or ENOMEM,
// and an accepted file rebuilds to the same records and the same length.
#include <cerrno>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/map_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    errno = 0;
    EntryMap* map = map_file_parse(data, size);
    if (!map) {
        FUZZ_CHECK(errno == EINVAL || errno == ENOMEM);
        return 0;
    }
    std::vector<FuzzEntry> entries = fuzz_sorted_entries(map);
    for (const FuzzEntry& e : entries) FUZZ_CHECK(!e.key.empty());

    size_t built_length = 0;
    uint8_t* built = map_file_build(map, &built_length);
    entry_map_free(map);
    if (entries.empty()) {
        FUZZ_CHECK(size == 0 && built == nullptr);
        return 0;
    }
    FUZZ_CHECK(built != nullptr && built_length == size);
    EntryMap* again = map_file_parse(built, built_length);
    FUZZ_CHECK(again != nullptr);
    std::vector<FuzzEntry> rebuilt = fuzz_sorted_entries(again);
    entry_map_free(again);
    free(built);
    FUZZ_CHECK(entries == rebuilt);
    return 0;
}
