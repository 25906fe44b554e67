#include <gtest/gtest.h>

#include <cerrno>

#include "state/map_file.h"
#include "state_test_support.h"

static std::string record(const std::string& key, const std::string& value) {
    return u32_le((uint32_t)key.size()) + u32_le((uint32_t)value.size()) + key + value;
}

// Null (false) when the map gives no buffer.
static bool build(const Entries& entries, std::string* bytes) {
    EntryMap* map = map_of(entries);
    size_t length = 0;
    uint8_t* buffer = map_file_build(map, &length);
    entry_map_free(map);
    if (!buffer) return false;
    *bytes = take_buffer(buffer, length);
    return true;
}

// Parses an exactly sized heap copy, so the sanitizer sees any read past the end.
static bool parse(const std::string& bytes, Entries* entries, int* error = nullptr) {
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    errno = 0;
    EntryMap* map = map_file_parse(copy.empty() ? nullptr : copy.data(), copy.size());
    if (error) *error = errno;
    if (!map) return false;
    *entries = entries_of(map);
    entry_map_free(map);
    return true;
}

TEST(state_map_file, CutoffRecord) {
    std::string bytes;
    ASSERT_TRUE(build({{"cutoff", f32_le(7.0f)}}, &bytes));
    EXPECT_EQ(bytes, std::string("\x06\0\0\0\x04\0\0\0cutoff\0\0\xe0\x40", 18));
}

TEST(state_map_file, RecordsInKeyOrderRoundTrip) {
    Entries entries = {{"version_major", u32_le(1)}, {"format", "lv2"}, {"empty", ""},
                       {std::string(300, 'k'), std::string(70000, 'v')}};
    std::string bytes;
    ASSERT_TRUE(build(entries, &bytes));
    EXPECT_EQ(bytes, record("empty", "") + record("format", "lv2") +
                         record(std::string(300, 'k'), std::string(70000, 'v')) +
                         record("version_major", u32_le(1)));
    Entries parsed;
    ASSERT_TRUE(parse(bytes, &parsed));
    EntryMap* map = map_of(entries);
    EXPECT_EQ(parsed, entries_of(map));
    entry_map_free(map);
}

TEST(state_map_file, EmptyMapAndEmptyMember) {
    std::string bytes;
    EXPECT_FALSE(build({}, &bytes));
    Entries parsed = {{"x", "y"}};
    ASSERT_TRUE(parse("", &parsed));
    EXPECT_TRUE(parsed.empty());
}

TEST(state_map_file, DuplicateKeysAreKept) {
    Entries parsed;
    ASSERT_TRUE(parse(record("k", "1") + record("k", "2"), &parsed));
    EXPECT_EQ(parsed, (Entries{{"k", "2"}, {"k", "1"}}));
}

TEST(state_map_file, RefusesKeyLengthZero) {
    Entries parsed;
    int error = 0;
    EXPECT_FALSE(parse(record("a", "1") + record("", "v"), &parsed, &error));
    EXPECT_EQ(error, EINVAL);
    // The builder does not write what could not be read back.
    std::string bytes;
    EXPECT_FALSE(build({{"a", "1"}, {"", "v"}}, &bytes));
}

TEST(state_map_file, RefusesLengthsBeyondTheMember) {
    const std::string cases[] = {
        u32_le(0xFFFFFFFFu) + u32_le(0xFFFFFFFFu) + "k",
        u32_le(1) + u32_le(0xFFFFFFFFu) + "kv",
        u32_le(0xFFFFFFFFu) + u32_le(0) + "k",
    };
    for (const std::string& bytes : cases) {
        Entries parsed;
        int error = 0;
        EXPECT_FALSE(parse(bytes, &parsed, &error));
        EXPECT_EQ(error, EINVAL);
    }
}

TEST(state_map_file, TruncatedAtEveryLength) {
    Entries entries = {{"a", ""}, {"bb", "12345"}, {"ccc", std::string(40, 'c')}};
    std::string bytes = record("a", "") + record("bb", "12345") + record("ccc", std::string(40, 'c'));
    const size_t record_end[] = {9, 24, 75};
    for (size_t length = 0; length < bytes.size(); length++) {
        size_t records = length == 0 ? 0 : SIZE_MAX;
        for (size_t i = 0; i < 3; i++)
            if (length == record_end[i]) records = i + 1;
        Entries parsed;
        int error = 0;
        bool ok = parse(bytes.substr(0, length), &parsed, &error);
        if (records == SIZE_MAX) {
            EXPECT_FALSE(ok) << length;
            EXPECT_EQ(error, EINVAL) << length;
        } else {
            ASSERT_TRUE(ok) << length;
            EXPECT_EQ(parsed, Entries(entries.begin(), entries.begin() + (long)records)) << length;
        }
    }
}
