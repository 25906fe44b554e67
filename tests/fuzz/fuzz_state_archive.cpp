// state_archive_load over any bytes: refusal with EINVAL or ENOMEM and every field null, or
// an archive whose save loads back to the same maps.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fuzz_check.h"
#include "fuzz_entries.h"
#include "state/state_archive.h"

struct ArchiveContents {
    std::vector<FuzzEntry> maps[4];
    bool operator==(const ArchiveContents& o) const {
        for (int i = 0; i < 4; i++)
            if (maps[i] != o.maps[i]) return false;
        return true;
    }
};

static ArchiveContents contents_of(const StateArchive& archive) {
    ArchiveContents c;
    const EntryMap* maps[4] = {archive.info, archive.parameters, archive.extra_inner, archive.extra_outer};
    for (int i = 0; i < 4; i++) c.maps[i] = fuzz_sorted_entries(maps[i]);
    return c;
}

static bool has_full_width_name(const std::vector<FuzzEntry>& members) {
    for (const FuzzEntry& m : members)
        if (m.key.size() >= 100) return true;
    return false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StateArchive archive;
    errno = 0;
    if (state_archive_load(&archive, data, size) != 0) {
        FUZZ_CHECK(errno == EINVAL || errno == ENOMEM);
        FUZZ_CHECK(!archive.info && !archive.parameters &&
                   !archive.extra_inner && !archive.extra_outer);
        return 0;
    }
    ArchiveContents loaded = contents_of(archive);

    size_t saved_length = 0;
    uint8_t* saved = state_archive_save(&archive, &saved_length);
    state_archive_free(&archive);
    // Saving needs both map files non-empty and member names that fit a header.
    bool savable = !loaded.maps[0].empty() && !loaded.maps[1].empty() &&
                   !has_full_width_name(loaded.maps[2]) && !has_full_width_name(loaded.maps[3]);
    FUZZ_CHECK((saved != nullptr) == savable);
    if (!saved) return 0;
    StateArchive again;
    FUZZ_CHECK(state_archive_load(&again, saved, saved_length) == 0);
    FUZZ_CHECK(contents_of(again) == loaded);
    state_archive_free(&again);
    free(saved);
    return 0;
}
