#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>

#include "plugin/state_blob.h"
#include "state/state_archive.h"
#include "state/tar.h"
#include "state_test_support.h"

static std::string tar_of(const Entries& members) {
    EntryMap* map = map_of(members);
    size_t length = 0;
    uint8_t* archive = tar_build(map, &length);
    entry_map_free(map);
    return take_buffer(archive, length);
}

static std::string map_file_of(const Entries& entries) {
    std::string bytes;
    for (const Entry& entry : entries)
        bytes += u32_le((uint32_t)entry.first.size()) + u32_le((uint32_t)entry.second.size()) +
                 entry.first + entry.second;
    return bytes;
}

static const Entries valid_info = {{"id", "brindle-velmo"}, {"format", "vst3"}};
static const Entries valid_parameters = {
    {"cutoff", f32_le(3.0f)}, {"lfo_amt", f32_le(4.0f)}, {"lfo_speed", f32_le(5.0f)}};

static Entries inner_members(const Entries& info = valid_info,
                             const Entries& parameters = valid_parameters) {
    return {{"version", "1.0"},
            {"info.map", map_file_of(info)},
            {"parameters.map", map_file_of(parameters)}};
}

static std::string blob_of(const Entries& inner, const Entries& extra_outer = {}) {
    Entries outer = extra_outer;
    outer.push_back({"dsp.tar", tar_of(inner)});
    return tar_of(outer);
}

// Loads from an exactly sized heap copy; returns the error, 0 on success.
static int load(const std::string& blob, StateArchive* archive, std::vector<uint8_t>* storage) {
    storage->assign(blob.begin(), blob.end());
    errno = 0;
    return state_archive_load(archive, storage->data(), storage->size()) == 0 ? 0 : errno;
}

static int load_error(const std::string& blob) {
    StateArchive archive;
    std::vector<uint8_t> storage;
    int error = load(blob, &archive, &storage);
    if (error == 0) {
        state_archive_free(&archive);
    } else {
        EXPECT_EQ(archive.info, nullptr);
        EXPECT_EQ(archive.extra_outer, nullptr);
    }
    return error;
}

TEST(state_archive, SaveThenLoadKeepsEverything) {
    StateArchive saved;
    ASSERT_EQ(state_archive_init(&saved), 0);
    std::string rate = f32_le(48000.0f), cutoff = f32_le(9.0f);
    entry_map_insert(saved.info, "sample_rate", 11, rate.data(), 4);
    entry_map_insert(saved.info, "id", 2, "brindle-velmo", 13);
    entry_map_insert(saved.parameters, "cutoff", 6, cutoff.data(), 4);
    entry_map_insert(saved.parameters, "future", 6, "", 0);
    entry_map_insert(saved.extra_inner, "zz.bin", 6, "inner", 5);
    entry_map_insert(saved.extra_inner, "aa.bin", 6, "", 0);
    entry_map_insert(saved.extra_outer, "notes.txt", 9, "outer", 5);
    size_t length = 0;
    uint8_t* blob = state_archive_save(&saved, &length);
    ASSERT_NE(blob, nullptr);

    // Outer: "dsp.tar" and the extra member in key order; inner likewise.
    EntryMap* outer = tar_parse(blob, length);
    ASSERT_NE(outer, nullptr);
    Entries outer_members = entries_of(outer);
    ASSERT_EQ(outer_members.size(), 2u);
    EXPECT_EQ(outer_members[0].first, "dsp.tar");
    EXPECT_EQ(outer_members[1], Entry("notes.txt", "outer"));
    EntryMap* inner = tar_parse((const uint8_t*)outer_members[0].second.data(),
                                outer_members[0].second.size());
    ASSERT_NE(inner, nullptr);
    Entries inner_list = entries_of(inner);
    ASSERT_EQ(inner_list.size(), 5u);
    EXPECT_EQ(inner_list[0], Entry("aa.bin", ""));
    EXPECT_EQ(inner_list[1].first, "info.map");
    EXPECT_EQ(inner_list[2].first, "parameters.map");
    EXPECT_EQ(inner_list[3], Entry("version", "1.0"));
    EXPECT_EQ(inner_list[4], Entry("zz.bin", "inner"));
    entry_map_free(inner);
    entry_map_free(outer);

    StateArchive loaded;
    ASSERT_EQ(state_archive_load(&loaded, blob, length), 0);
    EXPECT_EQ(entries_of(loaded.info), entries_of(saved.info));
    EXPECT_EQ(entries_of(loaded.parameters), entries_of(saved.parameters));
    EXPECT_EQ(entries_of(loaded.extra_inner), entries_of(saved.extra_inner));
    EXPECT_EQ(entries_of(loaded.extra_outer), entries_of(saved.extra_outer));
    state_archive_free(&loaded);
    state_archive_free(&saved);
    free(blob);
}

TEST(state_archive, SaveNeedsBothMaps) {
    StateArchive archive;
    ASSERT_EQ(state_archive_init(&archive), 0);
    size_t length = 0;
    EXPECT_EQ(state_archive_save(&archive, &length), nullptr);
    entry_map_insert(archive.info, "id", 2, "x", 1);
    EXPECT_EQ(state_archive_save(&archive, &length), nullptr);
    state_archive_free(&archive);
    state_archive_free(&archive);  // cleared fields: a second free is harmless
}

TEST(state_archive, VersionText) {
    struct Case {
        std::string text;
        bool accepted;
    } cases[] = {
        {"1.0", true},     {"1.0\n", true},     {"1.0  ", true},   {"1.0\t\v\f\r ", true},
        {"1.01", false},   {"1.1", false},      {"1.", false},     {"1", false},
        {"", false},       {"1.0x", false},     {std::string("1.0\0", 4), false},
        {"2.0", false},    {" 1.0", false},
    };
    for (const Case& c : cases) {
        Entries inner = inner_members();
        inner[0].second = c.text;
        EXPECT_EQ(load_error(blob_of(inner)), c.accepted ? 0 : EINVAL) << c.text;
    }
}

TEST(state_archive, MissingOrMalformedMembers) {
    for (size_t missing = 0; missing < 3; missing++) {
        Entries inner = inner_members();
        inner.erase(inner.begin() + (long)missing);
        EXPECT_EQ(load_error(blob_of(inner)), EINVAL) << missing;
    }
    EXPECT_EQ(load_error(tar_of({{"other.tar", tar_of(inner_members())}})), EINVAL);
    EXPECT_EQ(load_error(tar_of({{"dsp.tar", "not an archive"}})), EINVAL);
    EXPECT_EQ(load_error("not an archive either"), EINVAL);
    EXPECT_EQ(load_error(""), EINVAL);

    Entries truncated_info = inner_members();
    truncated_info[1].second.pop_back();
    EXPECT_EQ(load_error(blob_of(truncated_info)), EINVAL);
    Entries zero_key = inner_members();
    zero_key[2].second += u32_le(0) + u32_le(0);
    EXPECT_EQ(load_error(blob_of(zero_key)), EINVAL);
}

TEST(state_archive, UnknownMembersGoToTheExtraMaps) {
    Entries inner = inner_members();
    inner.push_back({"later.map", "L"});
    inner.push_back({"version", "1.0"});  // known names never count as extra, duplicates included
    inner.push_back({"info.map", map_file_of(valid_info)});
    std::string blob = blob_of(inner, {{"a.txt", "A"}, {"dsp.tar", tar_of(inner)}});
    StateArchive archive;
    std::vector<uint8_t> storage;
    ASSERT_EQ(load(blob, &archive, &storage), 0);
    EXPECT_EQ(entries_of(archive.extra_inner), (Entries{{"later.map", "L"}}));
    EXPECT_EQ(entries_of(archive.extra_outer), (Entries{{"a.txt", "A"}}));
    // The maps point into the caller's blob.
    uint64_t length = 0;
    const uint8_t* value = entry_map_find(archive.extra_inner, "later.map", 9, &length);
    EXPECT_TRUE(value >= storage.data() && value < storage.data() + storage.size());
    state_archive_free(&archive);
}

// The values a blob yields, as text; "" when it is refused (and the values are untouched).
static std::string apply_blob(const std::string& blob, int* result) {
    std::vector<uint8_t> storage(blob.begin(), blob.end());
    float values[3] = {-7.0f, -7.0f, -7.0f};
    *result = state_blob_read(storage.data(), storage.size(), values);
    if (*result != 0)
        return values[0] == -7.0f && values[1] == -7.0f && values[2] == -7.0f ? "" : "touched";
    char text[96];
    snprintf(text, sizeof text, "set0=%g,set1=%g,set2=%g", (double)values[0], (double)values[1],
             (double)values[2]);
    return text;
}

TEST(state_blob_read, ValidStateGivesTheThreeValues) {
    Entries info = valid_info;
    info.push_back({"unknown", "ignored"});
    Entries parameters = valid_parameters;
    parameters.push_back({"resonance", "?"});
    int result = -1;
    EXPECT_EQ(apply_blob(blob_of(inner_members(info, parameters)), &result),
              "set0=3,set1=4,set2=5");
    EXPECT_EQ(result, 0);

    parameters = valid_parameters;
    parameters[0].second = f32_le(INFINITY);
    parameters[2].second = f32_le(-INFINITY);
    EXPECT_EQ(apply_blob(blob_of(inner_members(valid_info, parameters)), &result),
              "set0=inf,set1=4,set2=-inf");
    EXPECT_EQ(result, 0);
}

TEST(state_blob_read, RefusesForeignIds) {
    const Entries infos[] = {
        {{"id", "brindle-velmo!"}},
        {{"id", "brindle-velm"}},
        {{"id", "Brindle-velmo"}},
        {{"id", std::string("brindle-velmo\0", 14)}},
        {{"format", "vst3"}},
    };
    for (const Entries& info : infos) {
        int result = 0;
        EXPECT_EQ(apply_blob(blob_of(inner_members(info)), &result), "");
        EXPECT_EQ(result, -1);
    }
}

TEST(state_blob_read, RefusesBadParametersBeforeTouchingAny) {
    for (size_t bad = 0; bad < 3; bad++) {
        Entries variants[4] = {valid_parameters, valid_parameters, valid_parameters,
                               valid_parameters};
        variants[0][bad].second = f32_le(1.0f) + f32_le(2.0f);  // 8 bytes
        variants[1][bad].second = f32_le(NAN);
        variants[2][bad].second = "abc";
        variants[3].erase(variants[3].begin() + (long)bad);
        for (const Entries& parameters : variants) {
            int result = 0;
            EXPECT_EQ(apply_blob(blob_of(inner_members(valid_info, parameters)), &result), "") << bad;
            EXPECT_EQ(result, -1);
        }
    }
    int result = 0;
    EXPECT_EQ(apply_blob("garbage", &result), "");
    EXPECT_EQ(result, -1);
}
