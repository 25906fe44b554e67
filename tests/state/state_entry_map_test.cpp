#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "state/entry_map.h"
#include "state_test_support.h"

TEST(state_entry_map, WalksInKeyOrderWhateverTheInsertionOrder) {
    Entries entries = {{"version", "a"}, {"parameters.map", "b"}, {"info.map", "c"},
                       {"info", "d"},    {"", "e"},               {"infoz", ""}};
    EntryMap* map = map_of(entries);
    EXPECT_EQ(entries_of(map), (Entries{{"", "e"},
                                        {"info", "d"},
                                        {"info.map", "c"},
                                        {"infoz", ""},
                                        {"parameters.map", "b"},
                                        {"version", "a"}}));
    EXPECT_EQ(entries_of(map).size(), 6u);
    entry_map_free(map);
}

TEST(state_entry_map, ComparesLikeStrncmpThenByLength) {
    // Bytes above 0x7F sort after ASCII; a NUL inside both keys ends the comparison, so
    // "a\0x" and "a\0y" are equal keys.
    std::string high = "\xC3";
    std::string nul_x("a\0x", 3), nul_y("a\0y", 3);
    Entries entries = {{high, "1"}, {"b", "2"}, {nul_x, "3"}, {nul_y, "4"}, {"a", "5"}};
    EntryMap* map = map_of(entries);
    EXPECT_EQ(entries_of(map), (Entries{{"a", "5"}, {nul_y, "4"}, {nul_x, "3"}, {"b", "2"},
                                        {high, "1"}}));
    entry_map_free(map);
}

TEST(state_entry_map, EqualKeyGoesImmediatelyBeforeTheEqualEntryMetFirst) {
    // 1 is the root; 2 becomes its left child; 3 the right child of 2 (then a double
    // rotation makes 3 the root); 4 goes right before the root 3, as right child of 2.
    Entries entries = {{"k", "1"}, {"k", "2"}, {"k", "3"}, {"k", "4"}};
    EntryMap* map = map_of(entries);
    EXPECT_EQ(entries_of(map), (Entries{{"k", "2"}, {"k", "4"}, {"k", "3"}, {"k", "1"}}));
    uint64_t length = 0;
    const uint8_t* found = entry_map_find(map, "k", 1, &length);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(bytes_of(found, length), "3");
    entry_map_free(map);
}

TEST(state_entry_map, DuplicatesStayBetweenTheirNeighbours) {
    Entries entries = {{"b", "1"}, {"a", "x"}, {"c", "y"}, {"b", "2"}, {"b", "3"}};
    EntryMap* map = map_of(entries);
    EXPECT_EQ(entries_of(map),
              (Entries{{"a", "x"}, {"b", "2"}, {"b", "3"}, {"b", "1"}, {"c", "y"}}));
    entry_map_free(map);
}

TEST(state_entry_map, FindReturnsValuesAndNullWhenAbsent) {
    Entries entries = {{"id", "brindle-velmo"}, {"empty", ""}, {"format", "lv2"}};
    EntryMap* map = map_of(entries);
    uint64_t length = 99;
    const uint8_t* value = entry_map_find(map, "format", 6, &length);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value, (const uint8_t*)entries[2].second.data());  // no copy
    EXPECT_EQ(length, 3u);
    EXPECT_NE(entry_map_find(map, "empty", 5, &length), nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(entry_map_find(map, "format", 6, nullptr), value);  // length not wanted
    EXPECT_EQ(entry_map_find(map, "form", 4, &length), nullptr);
    EXPECT_EQ(entry_map_find(map, "formats", 7, &length), nullptr);
    EXPECT_EQ(entry_map_find(map, "", 0, &length), nullptr);
    entry_map_free(map);
}

TEST(state_entry_map, VisitorResultStopsTheWalk) {
    Entries entries = {{"a", ""}, {"b", ""}, {"c", ""}};
    EntryMap* map = map_of(entries);
    int visits = 0;
    int result = entry_map_for_each(
        map,
        [](const uint8_t*, uint64_t, const uint8_t*, uint64_t, void* context) {
            return ++*(int*)context == 2 ? 7 : 0;
        },
        &visits);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(visits, 2);
    entry_map_free(map);

    EntryMap* empty = entry_map_new();
    EXPECT_EQ(entry_map_for_each(
                  empty, [](const uint8_t*, uint64_t, const uint8_t*, uint64_t, void*) { return 1; },
                  nullptr),
              0);
    entry_map_free(empty);
    entry_map_free(nullptr);
}

TEST(state_entry_map, StaysOrderedThroughRotations) {
    // Sorted and shuffled insertions run through every kind of rotation.
    std::vector<std::string> keys;
    for (int i = 0; i < 20000; i++) {
        char key[16];
        snprintf(key, sizeof key, "%07d", i);
        keys.push_back(key);
    }
    std::vector<std::string> shuffled = keys;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(42));
    for (const std::vector<std::string>* order : {&keys, &shuffled}) {
        EntryMap* map = entry_map_new();
        for (const std::string& key : *order)
            ASSERT_EQ(entry_map_insert(map, key.data(), key.size(), key.data(), key.size()), 0);
        Entries walk = entries_of(map);
        ASSERT_EQ(walk.size(), keys.size());
        for (size_t i = 0; i < keys.size(); i++) ASSERT_EQ(walk[i].first, keys[i]);
        for (const std::string& key : keys) {
            uint64_t length = 0;
            const uint8_t* value = entry_map_find(map, key.data(), key.size(), &length);
            ASSERT_NE(value, nullptr);
            ASSERT_EQ(bytes_of(value, length), key);
        }
        entry_map_free(map);
    }
}
