#include <gtest/gtest.h>

#include <cerrno>

#include "state/tar.h"
#include "state_test_support.h"

static std::string build(const Entries& entries) {
    EntryMap* map = map_of(entries);
    size_t length = 0;
    uint8_t* archive = tar_build(map, &length);
    entry_map_free(map);
    EXPECT_NE(archive, nullptr);
    return take_buffer(archive, length);
}

// Parses from an exactly sized heap copy, so a read past the end is caught by the sanitizer.
// Null result: errno is stored in *error.
static bool parse(const std::string& archive, Entries* entries, int* error = nullptr) {
    std::vector<uint8_t> copy(archive.begin(), archive.end());
    errno = 0;
    EntryMap* map = tar_parse(copy.empty() ? nullptr : copy.data(), copy.size());
    if (error) *error = errno;
    if (!map) return false;
    for (Entry& entry : entries_of(map)) entries->push_back(entry);
    entry_map_free(map);
    return true;
}

static std::string header_of(const std::string& archive, size_t offset = 0) {
    return archive.substr(offset, 512);
}

static std::string field(const std::string& header, size_t offset, size_t width) {
    return header.substr(offset, width);
}

TEST(state_tar, WorkedVersionHeader) {
    std::string archive = build({{"version", "1.0"}});
    ASSERT_EQ(archive.size(), 2048u);
    std::string expected(512, '\0');
    expected.replace(0, 7, "version");
    expected.replace(100, 8, std::string("0000644\0", 8));
    expected.replace(108, 8, std::string("0000000\0", 8));
    expected.replace(116, 8, std::string("0000000\0", 8));
    expected.replace(124, 12, std::string("00000000003\0", 12));
    expected.replace(136, 12, std::string("00000000000\0", 12));
    expected.replace(148, 8, std::string("07346\0\0 ", 8));
    expected[156] = '0';
    expected.replace(257, 6, std::string("ustar\0", 6));
    expected.replace(263, 2, "00");
    EXPECT_EQ(header_of(archive), expected);
    EXPECT_EQ(archive.substr(512, 512), std::string("1.0") + std::string(509, '\0'));
    EXPECT_EQ(archive.substr(1024), std::string(1024, '\0'));
}

TEST(state_tar, ChecksumSumsSignedBytesInEighteenBits) {
    // 99 bytes of 0x80 count as -128 each: the sum goes negative and wraps to six digits.
    std::string key(99, '\x80');
    std::string header = header_of(build({{key, "1.0"}}));
    long long sum = 0;
    for (size_t i = 0; i < 512; i++)
        sum += (i >= 148 && i < 156) ? ' ' : (signed char)header[i];
    char digits[16];
    snprintf(digits, sizeof digits, "%06llo", sum & 0x3FFFF);
    EXPECT_LT(sum, 0);
    EXPECT_EQ(field(header, 148, 8), std::string(digits) + std::string("\0 ", 2));
}

TEST(state_tar, EmptyMapAndEmptyInput) {
    EXPECT_EQ(build({}), std::string(1024, '\0'));
    Entries entries;
    EXPECT_TRUE(parse(std::string(1024, '\0'), &entries));
    EXPECT_TRUE(parse("", &entries));
    EXPECT_TRUE(entries.empty());
}

TEST(state_tar, KeyLengthLimit) {
    std::string longest(99, 'k');
    std::string archive = build({{longest, "v"}});
    EXPECT_EQ(field(header_of(archive), 0, 100), longest + '\0');
    Entries entries;
    ASSERT_TRUE(parse(archive, &entries));
    EXPECT_EQ(entries, (Entries{{longest, "v"}}));

    // Too long, or a name that would read back as the end of the archive.
    const std::string unwritable[] = {std::string(100, 'k'), "", std::string("\0x", 2)};
    for (const std::string& key : unwritable) {
        Entries members = {{"a", "1"}, {key, "v"}};
        EntryMap* map = map_of(members);
        size_t length = 0;
        EXPECT_EQ(tar_build(map, &length), nullptr) << key.size();
        entry_map_free(map);
    }
}

TEST(state_tar, MemberDataIsPaddedToWholeBlocks) {
    struct Case {
        size_t size;
        size_t archive_size;
    } cases[] = {{0, 1536}, {1, 2048}, {512, 2048}, {513, 2560}};
    for (const Case& c : cases) {
        std::string value(c.size, 'x');
        std::string archive = build({{"m", value}});
        ASSERT_EQ(archive.size(), c.archive_size) << c.size;
        EXPECT_EQ(archive.substr(512, c.size), value);
        EXPECT_EQ(archive.substr(512 + c.size), std::string(c.archive_size - 512 - c.size, '\0'));
        char size_field[12];
        snprintf(size_field, sizeof size_field, "%011zo", c.size);
        EXPECT_EQ(field(header_of(archive), 124, 12), std::string(size_field, 12));
        Entries entries;
        ASSERT_TRUE(parse(archive, &entries));
        EXPECT_EQ(entries, (Entries{{"m", value}}));
    }
}

TEST(state_tar, MembersInKeyOrderAndRoundTrip) {
    Entries entries = {{"version", "1.0"},
                       {"parameters.map", std::string(700, 'p')},
                       {"info.map", std::string("\0\x01\xff", 3)},
                       {"empty", ""}};
    std::string archive = build(entries);
    EXPECT_EQ(field(header_of(archive, 0), 0, 6), std::string("empty\0", 6));
    EXPECT_EQ(field(header_of(archive, 512), 0, 9), std::string("info.map\0", 9));
    EXPECT_EQ(field(header_of(archive, 1536), 0, 15), std::string("parameters.map\0", 15));
    EXPECT_EQ(field(header_of(archive, 3072), 0, 8), std::string("version\0", 8));
    EXPECT_EQ(archive.size(), 4096u + 1024u);

    Entries parsed;
    ASSERT_TRUE(parse(archive, &parsed));
    EntryMap* map = map_of(entries);
    EXPECT_EQ(parsed, entries_of(map));
    entry_map_free(map);
}

TEST(state_tar, EntriesPointIntoTheBuffer) {
    std::string archive = build({{"abc", "xyz"}});
    EntryMap* map = tar_parse((const uint8_t*)archive.data(), archive.size());
    ASSERT_NE(map, nullptr);
    entry_map_for_each(
        map,
        [](const uint8_t* key, uint64_t, const uint8_t* value, uint64_t, void* base) {
            EXPECT_EQ(key, (const uint8_t*)base);
            EXPECT_EQ(value, (const uint8_t*)base + 512);
            return 0;
        },
        (void*)archive.data());
    entry_map_free(map);
}

TEST(state_tar, DuplicateNames) {
    // Built: both kept, written in walk order (the later insertion first)...
    std::string archive = build({{"x", "first"}, {"x", "second"}, {"a", ""}});
    EXPECT_EQ(archive.substr(1024, 6), "second");
    EXPECT_EQ(archive.substr(2048, 5), "first");
    // ...and parsing places each later member before the earlier one again.
    Entries parsed;
    ASSERT_TRUE(parse(archive, &parsed));
    EXPECT_EQ(parsed, (Entries{{"a", ""}, {"x", "first"}, {"x", "second"}}));

    // Parsed: an archive holding "x" twice gives two entries, the later one placed first.
    std::string one = build({{"x", "1"}});
    std::string two = build({{"x", "2"}});
    std::string twice = one.substr(0, 1024) + two;
    Entries from_twice;
    ASSERT_TRUE(parse(twice, &from_twice));
    EXPECT_EQ(from_twice, (Entries{{"x", "2"}, {"x", "1"}}));
}

TEST(state_tar, AcceptsArchivesFromOtherWriters) {
    std::string archive = build({{"b", "data"}, {"a", "12345"}});
    std::string header = header_of(archive);
    header.replace(148, 8, "garbage!");              // checksum
    header.replace(257, 8, std::string("ustar  \0", 8));  // old GNU magic and version
    header[156] = '5';                               // directory
    header.replace(100, 8, "77777777");              // mode, no NUL
    header.replace(345, 10, "some/dir/x");           // prefix
    std::string foreign = header + archive.substr(512);
    // A name filling all 100 bytes has no NUL.
    std::string long_name(100, 'n');
    std::string second = header_of(archive, 1024);
    second.replace(0, 100, long_name);
    foreign.replace(1024, 512, second);
    // Whatever follows the end blocks is ignored; so is a missing end.
    Entries parsed;
    ASSERT_TRUE(parse(foreign + "trailing junk", &parsed));
    EXPECT_EQ(parsed, (Entries{{"a", "12345"}, {long_name, "data"}}));
    Entries without_end;
    ASSERT_TRUE(parse(foreign.substr(0, 2048), &without_end));
    EXPECT_EQ(without_end, parsed);
}

TEST(state_tar, RejectsMalformedSizeFields) {
    std::string archive = build({{"m", "abc"}});
    const char* fields[] = {
        "00000000003 ",  // a space where the NUL belongs
        "0000000000 3",  // digit where the NUL belongs
        "00000000008\0", "0000000009 \0", "        3  \0", "0000000000a\0",
        "20000000000\0",  // 2^31
        "77777777777\0",
    };
    for (const char* size_field : fields) {
        std::string bad = archive;
        bad.replace(124, 12, std::string(size_field, 12));
        Entries entries;
        int error = 0;
        EXPECT_FALSE(parse(bad, &entries, &error)) << size_field;
        EXPECT_EQ(error, EINVAL) << size_field;
    }
}

TEST(state_tar, TruncatedArchivesAreRefusedAtEveryLength) {
    // Members of 0, 5, 512 and 513 bytes; a cut is fine only where no header or data is lost
    // (a cut inside the end blocks loses nothing: their first byte already ends the archive).
    Entries entries = {{"a", ""}, {"b", "12345"}, {"c", std::string(512, 'c')},
                       {"d", std::string(513, 'd')}};
    std::string archive = build(entries);
    const size_t data_end[] = {512, 1024 + 5, 2048 + 512, 3072 + 513};
    const size_t next_header[] = {512, 1536, 2560, 4096};
    const size_t end_blocks = 4096;
    ASSERT_EQ(archive.size(), end_blocks + 1024);
    for (size_t length = 0; length < archive.size(); length++) {
        size_t members = SIZE_MAX;
        if (length == 0) members = 0;
        if (length > end_blocks) members = 4;
        for (size_t i = 0; i < 4; i++)
            if (length >= data_end[i] && length <= next_header[i]) members = i + 1;
        Entries parsed;
        int error = 0;
        bool ok = parse(archive.substr(0, length), &parsed, &error);
        if (members == SIZE_MAX) {
            EXPECT_FALSE(ok) << length;
            EXPECT_EQ(error, EINVAL) << length;
        } else {
            ASSERT_TRUE(ok) << length;
            EXPECT_EQ(parsed, Entries(entries.begin(), entries.begin() + (long)members))
                << length;
        }
    }
}

TEST(state_tar, RefusesValuesTooLongForTheSizeField) {
    // The value is never read: the length alone makes the build fail.
    static const char sentinel = 0;
    EntryMap* map = entry_map_new();
    entry_map_insert(map, "huge", 4, &sentinel, 1ull << 33);
    size_t length = 0;
    EXPECT_EQ(tar_build(map, &length), nullptr);
    entry_map_free(map);
}
