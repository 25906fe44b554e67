#include "state/state_archive.h"

#include <cerrno>
#include <cstring>

#include "state/map_file.h"
#include "state/state_alloc.h"
#include "state/tar.h"

static const char VERSION_TEXT[] = "1.0";
static const char* const INNER_NAMES[] = {"version", "info.map", "parameters.map"};
static const char* const OUTER_NAMES[] = {"dsp.tar"};

int state_archive_init(StateArchive* archive) {
    *archive = {entry_map_new(), entry_map_new(), entry_map_new(), entry_map_new()};
    if (archive->info && archive->parameters && archive->extra_inner && archive->extra_outer)
        return 0;
    state_archive_free(archive);
    return -1;
}

void state_archive_free(StateArchive* archive) {
    entry_map_free(archive->info);
    entry_map_free(archive->parameters);
    entry_map_free(archive->extra_inner);
    entry_map_free(archive->extra_outer);
    *archive = {nullptr, nullptr, nullptr, nullptr};
}

static int insert_named(EntryMap* map, const char* name, const void* value, size_t value_length) {
    return entry_map_insert(map, name, strlen(name), value, value_length);
}

static int copy_entry(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                      uint64_t value_length, void* target) {
    return entry_map_insert((EntryMap*)target, key, key_length, value, value_length);
}

// The inner archive: "version", the two map files and the extra inner members.
static uint8_t* build_inner(const StateArchive* archive, size_t* out_length) {
    size_t info_length = 0;
    size_t parameters_length = 0;
    uint8_t* info = map_file_build(archive->info, &info_length);
    uint8_t* parameters = map_file_build(archive->parameters, &parameters_length);
    EntryMap* members = entry_map_new();
    uint8_t* inner = nullptr;
    if (info && parameters && members &&
        insert_named(members, "version", VERSION_TEXT, 3) == 0 &&
        insert_named(members, "info.map", info, info_length) == 0 &&
        insert_named(members, "parameters.map", parameters, parameters_length) == 0 &&
        entry_map_for_each(archive->extra_inner, copy_entry, members) == 0)
        inner = tar_build(members, out_length);
    entry_map_free(members);
    state_free(info);
    state_free(parameters);
    return inner;
}

uint8_t* state_archive_save(const StateArchive* archive, size_t* out_length) {
    size_t inner_length = 0;
    uint8_t* inner = build_inner(archive, &inner_length);
    if (!inner) return nullptr;
    EntryMap* members = entry_map_new();
    uint8_t* outer = nullptr;
    if (members && insert_named(members, "dsp.tar", inner, inner_length) == 0 &&
        entry_map_for_each(archive->extra_outer, copy_entry, members) == 0)
        outer = tar_build(members, out_length);
    entry_map_free(members);
    state_free(inner);
    return outer;
}

static bool has_name(const uint8_t* key, uint64_t key_length, const char* name) {
    return key_length == strlen(name) && memcmp(key, name, key_length) == 0;
}

// "1.0", optionally followed by white space.
static bool version_supported(const uint8_t* text, uint64_t length) {
    if (length < 3 || memcmp(text, VERSION_TEXT, 3) != 0) return false;
    for (uint64_t i = 3; i < length; i++)
        if (!memchr(" \t\n\v\f\r", text[i], 6)) return false;
    return true;
}

struct MemberFilter {
    EntryMap* target;
    const char* const* known_names;
    size_t known_count;
};

static int copy_unknown_member(const uint8_t* key, uint64_t key_length, const uint8_t* value,
                               uint64_t value_length, void* context) {
    const MemberFilter* filter = (const MemberFilter*)context;
    for (size_t i = 0; i < filter->known_count; i++)
        if (has_name(key, key_length, filter->known_names[i])) return 0;
    return entry_map_insert(filter->target, key, key_length, value, value_length);
}

// A new map of the members of `members` not named in `known_names`; null on exhausted memory.
static EntryMap* collect_unknown(const EntryMap* members, const char* const* known_names,
                                 size_t known_count) {
    MemberFilter filter = {entry_map_new(), known_names, known_count};
    if (filter.target && entry_map_for_each(members, copy_unknown_member, &filter) != 0) {
        entry_map_free(filter.target);
        return nullptr;
    }
    return filter.target;
}

typedef EntryMap* (*MemberParser)(const uint8_t* bytes, size_t length);

// Parses the member `name` of `members`; a missing member is malformed.
static EntryMap* parse_member(const EntryMap* members, const char* name, MemberParser parse) {
    uint64_t length = 0;
    const uint8_t* bytes = entry_map_find(members, name, strlen(name), &length);
    if (!bytes) {
        errno = EINVAL;
        return nullptr;
    }
    return parse(bytes, (size_t)length);
}

static int fill_archive(StateArchive* archive, const EntryMap* outer, const EntryMap* inner) {
    uint64_t length = 0;
    const uint8_t* version = entry_map_find(inner, "version", 7, &length);
    if (!version || !version_supported(version, length)) {
        errno = EINVAL;
        return -1;
    }
    archive->info = parse_member(inner, "info.map", map_file_parse);
    if (!archive->info) return -1;
    archive->parameters = parse_member(inner, "parameters.map", map_file_parse);
    if (!archive->parameters) return -1;
    archive->extra_inner = collect_unknown(inner, INNER_NAMES, 3);
    archive->extra_outer = collect_unknown(outer, OUTER_NAMES, 1);
    if (!archive->extra_inner || !archive->extra_outer) {
        errno = ENOMEM;
        return -1;
    }
    return 0;
}

int state_archive_load(StateArchive* archive, const uint8_t* blob, size_t length) {
    *archive = {nullptr, nullptr, nullptr, nullptr};
    EntryMap* outer = tar_parse(blob, length);
    EntryMap* inner = outer ? parse_member(outer, "dsp.tar", tar_parse) : nullptr;
    int result = inner ? fill_archive(archive, outer, inner) : -1;
    int error = errno;  // keep the cause through the clean-up
    entry_map_free(inner);
    entry_map_free(outer);
    if (result != 0) state_archive_free(archive);
    errno = error;
    return result;
}
