// tar_parse over any bytes: it never reads outside the input, refuses with EINVAL or ENOMEM,
// and what it accepts builds back into an archive that parses to the same members.
#include <cerrno>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/tar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    errno = 0;
    EntryMap* map = tar_parse(data, size);
    if (!map) {
        FUZZ_CHECK(errno == EINVAL || errno == ENOMEM);
        return 0;
    }
    std::vector<FuzzEntry> members = fuzz_sorted_entries(map);
    bool has_full_width_name = false;
    for (const FuzzEntry& m : members) {
        FUZZ_CHECK(!m.key.empty() && m.key.size() <= 100 && m.key.find('\0') == std::string::npos);
        has_full_width_name |= m.key.size() == 100;
    }

    size_t built_length = 0;
    uint8_t* built = tar_build(map, &built_length);
    entry_map_free(map);
    // A 100-byte name (no NUL in the field) can be read but not written.
    FUZZ_CHECK((built == nullptr) == has_full_width_name);
    if (!built) return 0;
    EntryMap* again = tar_parse(built, built_length);
    FUZZ_CHECK(again != nullptr);
    std::vector<FuzzEntry> rebuilt = fuzz_sorted_entries(again);
    entry_map_free(again);
    free(built);
    FUZZ_CHECK(members == rebuilt);
    return 0;
}
